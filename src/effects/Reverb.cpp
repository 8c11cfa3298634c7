#include "effects/Reverb.h"

#include "effects/DelayLine.h"

#include <algorithm>

namespace sv {

namespace {
constexpr double kTapPlaces[4] = {0.7413, 0.5581, 0.3823, 0.211};
constexpr double kTapGains[5] = {0.4, 0.1, 0.3, 0.07, 0.13};
}  // namespace

LReverbFilter::LReverbFilter(Ref<LAudioReader> input, int levelPercent, int timeMs) : LFilter(std::move(input)) {
    const std::int64_t length = DelayFrames(timeMs, sampleRate) * std::max<std::int32_t>(channels, 1);
    buf_.assign(static_cast<std::size_t>(std::max<std::int64_t>(length, 128)), 0);
    const std::int32_t g = DelayGain(levelPercent);
    for (int t = 0; t < 5; ++t) g_[static_cast<std::size_t>(t)] = static_cast<std::int32_t>(kTapGains[t] * g);
    read_ = StartTaps();
}

std::array<std::size_t, 4> LReverbFilter::StartTaps() const {
    std::array<std::size_t, 4> taps{};
    for (int t = 0; t < 4; ++t)
        taps[static_cast<std::size_t>(t)] = static_cast<std::size_t>(kTapPlaces[t] * static_cast<double>(buf_.size()));
    return taps;
}

void LReverbFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const std::size_t n = static_cast<std::size_t>(frames) * channels, length = buf_.size();
    std::int32_t* buf = buf_.data();
    std::size_t r0 = read_[0], r1 = read_[1], r2 = read_[2], r3 = read_[3], w = write_;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int64_t y = dst[k] + DelayTap(buf[r0], g_[0]) + DelayTap(buf[r1], g_[1]) +
                               DelayTap(buf[r2], g_[2]) + DelayTap(buf[r3], g_[3]) + DelayTap(buf[w], g_[4]);
        dst[k] = buf[w] = SaturateSample(y);
        if (++r0 == length) r0 = 0;
        if (++r1 == length) r1 = 0;
        if (++r2 == length) r2 = 0;
        if (++r3 == length) r3 = 0;
        if (++w == length) w = 0;
    }
    read_ = {r0, r1, r2, r3};
    write_ = w;
}

void LReverbFilter::ResetState() {
    std::fill(buf_.begin(), buf_.end(), 0);
    read_ = StartTaps();
    write_ = 0;
}

LReverbEffect::LReverbEffect(int levelPercent, int timeMs)
    : level_(std::clamp(levelPercent, 0, 100)), time_(std::clamp(timeMs, 50, 1000)) {}

Ref<LAudioReader> LReverbEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LReverbFilter>(input, level_, time_);
}

}  // namespace sv
