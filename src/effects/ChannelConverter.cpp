#include "effects/ChannelConverter.h"

#include <cstddef>

namespace sv {

LMonoToStereoFilter::LMonoToStereoFilter(Ref<LAudioReader> input) : LFilter(std::move(input)) {
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * (input_->channels ? input_->channels : 1));
    channels = 2;
}

void LMonoToStereoFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t in = input_->channels ? input_->channels : 1;
    while (frames > 0) {
        const std::int32_t n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
        input_->Read(buffer_.data(), n);
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int32_t s = buffer_[static_cast<std::size_t>(i) * in];
            dst[2 * i] = s;
            dst[2 * i + 1] = s;
        }
        dst += static_cast<std::size_t>(n) * 2;
        frames -= n;
    }
}

LStereoToMonoFilter::LStereoToMonoFilter(Ref<LAudioReader> input) : LFilter(std::move(input)) {
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * (input_->channels ? input_->channels : 1));
    channels = 1;
}

void LStereoToMonoFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t in = input_->channels ? input_->channels : 1;
    while (frames > 0) {
        const std::int32_t n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
        input_->Read(buffer_.data(), n);
        for (std::int32_t i = 0; i < n; ++i) dst[i] = buffer_[static_cast<std::size_t>(i) * in];
        dst += n;
        frames -= n;
    }
}

Ref<LAudioReader> ConvertChannels(Ref<LAudioReader> input, std::uint8_t wanted) {
    if (!input || input->channels == wanted) return input;
    if (wanted == 2) return Ref<LAudioReader>(new LMonoToStereoFilter(std::move(input)));
    if (wanted == 1) return Ref<LAudioReader>(new LStereoToMonoFilter(std::move(input)));
    return input;
}

}  // namespace sv
