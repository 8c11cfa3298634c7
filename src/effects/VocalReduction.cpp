#include "effects/VocalReduction.h"

#include "effects/ChannelConverter.h"

#include <algorithm>
#include <climits>

namespace sv {

LVocalReductionFilter::LVocalReductionFilter(Ref<LAudioReader> input) : LFilter(std::move(input)) {
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    channels = 1;
    fullScale = kVocalReductionFullScale;
}

void LVocalReductionFilter::Read(std::int32_t* dst, std::int32_t frames) {
    while (frames > 0) {
        const std::int32_t n = std::min(frames, kMaxFramesPerCall);
        input_->Read(buffer_.data(), n);
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int64_t d = std::int64_t{buffer_[2 * static_cast<std::size_t>(i)]} - buffer_[2 * static_cast<std::size_t>(i) + 1];
            dst[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
        }
        dst += n;
        frames -= n;
    }
}

Ref<LAudioReader> LVocalReductionEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input || input->channels != 2) return input;
    return ConvertChannels(MakeRef<LVocalReductionFilter>(input), 2);
}

}  // namespace sv
