#include "audio/DcRemover.h"

#include "core/AudioReader.h"

#include <algorithm>
#include <cmath>

namespace sv {

void DcRemover::Reset(std::int32_t sampleRate, int channels) {
    k_ = sampleRate > 0 ? 192000 / sampleRate + 1 : 1;
    channels_ = std::clamp(channels, 1, kMaxChannels);
    acc_.fill(0);
}

void DcRemover::Process(std::int32_t* samples, std::int32_t frames) {
    for (int c = 0; c < channels_; ++c) {
        std::int64_t acc = acc_[static_cast<std::size_t>(c)];
        std::int32_t* p = samples + c;
        for (std::int32_t f = 0; f < frames; ++f, p += channels_) {
            const std::int64_t y = *p - (acc >> 12);
            acc += y * k_;
            // A step across the whole range overshoots; stored sound keeps its full-scale promise.
            *p = static_cast<std::int32_t>(std::clamp<std::int64_t>(y, -kFullScale16, kFullScale16));
        }
        acc_[static_cast<std::size_t>(c)] = acc;
    }
}

std::int8_t PeakLevel(const std::int32_t* samples, std::int32_t frames, int channels, int channel) {
    std::int64_t hi = 0, lo = 0;
    const std::int32_t* p = samples + channel;
    for (std::int32_t f = 0; f < frames; ++f, p += channels) {
        hi = std::max<std::int64_t>(hi, *p);
        lo = std::min<std::int64_t>(lo, *p);
    }
    const std::int64_t peak = std::max(hi, -lo);
    if (peak == 0) return -127;
    double db = 20.0 * std::log10(static_cast<double>(peak) / 131072.0);
    db += peak >= 131072 ? 0.5 : -0.5;
    return static_cast<std::int8_t>(std::clamp<long>(static_cast<long>(db), -127, 127));
}

}  // namespace sv
