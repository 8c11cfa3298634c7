#include "effects/MixToMono.h"

#include <cstddef>

namespace sv {

LMixToMonoFilter::LMixToMonoFilter(Ref<LAudioReader> input) : LFilter(std::move(input)) {
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * (input_->channels ? input_->channels : 1));
    channels = 1;
}

void LMixToMonoFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t in = input_->channels ? input_->channels : 1;
    while (frames > 0) {
        const std::int32_t n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
        input_->Read(buffer_.data(), n);
        for (std::int32_t i = 0; i < n; ++i) {
            std::int64_t sum = 0;
            const std::int32_t* frame = buffer_.data() + static_cast<std::size_t>(i) * in;
            for (std::size_t c = 0; c < in; ++c) sum += frame[c];
            dst[i] = static_cast<std::int32_t>(sum / static_cast<std::int64_t>(in));
        }
        dst += n;
        frames -= n;
    }
}

}  // namespace sv
