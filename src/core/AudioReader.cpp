#include "core/AudioReader.h"

#include <climits>
#include <cstring>

namespace sv {

LErrorReader::LErrorReader(std::uint8_t code) { errorCode = code; }

void LErrorReader::Read(std::int32_t* dst, std::int32_t frames) {
    if (frames <= 0) return;
    std::memset(dst, 0, static_cast<std::size_t>(frames) * channels * sizeof(std::int32_t));
    position_ = position_ > INT_MAX - frames ? INT_MAX : position_ + frames;
}

}  // namespace sv
