#include "effects/ChannelMixer.h"

#include "core/FixedPoint.h"

#include <cstddef>

namespace sv {

LChannelMixer::LChannelMixer(Ref<LAudioReader> input, const Row& leftRow, const Row& rightRow)
    : LFilter(std::move(input)) {
    const Row* rows[2] = {&leftRow, &rightRow};
    for (int out = 0; out < 2; ++out) {
        for (int in = 0; in < kMaxInputs; ++in) {
            const std::size_t i = static_cast<std::size_t>(in);
            factors_[out][i] = i < rows[out]->size() ? DbAmplitude((*rows[out])[i]) : 0;
        }
    }
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * (input_->channels ? input_->channels : 1));
    channels = 2;
    fullScale = kMixerFullScale;
}

void LChannelMixer::Read(std::int32_t* dst, std::int32_t frames) {
    const int in = input_->channels ? input_->channels : 1;
    const int used = in < kMaxInputs ? in : kMaxInputs;
    while (frames > 0) {
        const std::int32_t n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
        input_->Read(buffer_.data(), n);
        for (std::int32_t f = 0; f < n; ++f) {
            const std::int32_t* src = buffer_.data() + static_cast<std::size_t>(f) * in;
            for (int out = 0; out < 2; ++out) {
                std::int64_t sum = 0;
                for (int c = 0; c < used; ++c) sum += MulFixed24(src[c], factors_[out][c]);
                dst[2 * f + out] = sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(sum));
            }
        }
        dst += static_cast<std::size_t>(n) * 2;
        frames -= n;
    }
}

}  // namespace sv
