#include "audio/LoopReader.h"

#include "core/TimeText.h"

#include <algorithm>
#include <climits>

namespace sv {

namespace {
constexpr std::int32_t kMinLoopFrames = 256;
}

LLoopReader::LLoopReader(Ref<LAudioReader> inner, std::int32_t startMs, std::int32_t endMs)
    : LFilter(std::move(inner)) {
    start_ = MsToFrames(startMs, sampleRate);
    end_ = MsToFrames(endMs, sampleRate);
    if (end_ < start_) end_ = start_;
}

std::int32_t LLoopReader::Length() const { return INT_MAX; }

void LLoopReader::Seek(std::int32_t position) {
    wrapped_ = false;
    LFilter::Seek(position);
}

void LLoopReader::Read(std::int32_t* dst, std::int32_t frames) {
    const std::int64_t later = std::max<std::int64_t>(static_cast<std::int64_t>(end_) - start_, kMinLoopFrames);
    while (frames > 0) {
        const std::int64_t end = wrapped_ ? start_ + later : end_;
        std::int64_t n = end - input_->Position();
        if (n <= 0) {
            input_->Seek(start_);
            wrapped_ = true;
            continue;
        }
        n = std::min<std::int64_t>(n, frames);
        input_->Read(dst, static_cast<std::int32_t>(n));
        dst += n * channels;
        frames -= static_cast<std::int32_t>(n);
    }
}

std::int32_t LRangeReader::Length() const { return std::min(input_->Length(), end_); }

}  // namespace sv
