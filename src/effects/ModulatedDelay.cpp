#include "effects/ModulatedDelay.h"

#include "effects/DelayLine.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {
constexpr double kTwoPi = 6.283185307179586476925286766559;

double FiniteClamp(double v, double lo, double hi) { return v == v ? std::clamp(v, lo, hi) : lo; }
}  // namespace

LModulatedDelayFilter::LModulatedDelayFilter(Ref<LAudioReader> input, const ModulatedDelayParams& p)
    : LFilter(std::move(input)),
      delay_(static_cast<std::int64_t>(std::clamp(p.timeMs, 0, 1000)) * std::max(sampleRate, 0) / 1000),
      swing_(delay_ * std::clamp(p.depthPercent, 0, 100) / 100),
      frames_(static_cast<std::size_t>(delay_ + swing_ + 2)),
      buf_(frames_ * static_cast<std::size_t>(std::max<std::int32_t>(channels, 1)), 0),
      gain_(p.gainPercent * 0.01),
      step_(sampleRate > 0 ? kTwoPi * p.modulationHz / sampleRate : 0.0) {}

void LModulatedDelayFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const std::size_t ch = static_cast<std::size_t>(channels), b = buf_.size();
    std::int32_t* buf = buf_.data();
    std::size_t w = write_;
    for (std::int32_t i = 0; i < frames; ++i) {
        const double e = static_cast<double>(delay_) + static_cast<double>(swing_) * std::sin(phase_);
        phase_ += step_;
        const std::size_t k = static_cast<std::size_t>(e);
        const double f = e - static_cast<double>(k);
        // k <= D + S, so (k + 1) channels-worth stays below B = (D + S + 2) channels.
        std::size_t first = w >= k * ch ? w - k * ch : w + b - k * ch;
        std::size_t second = w >= (k + 1) * ch ? w - (k + 1) * ch : w + b - (k + 1) * ch;
        for (std::size_t c = 0; c < ch; ++c) {
            std::int32_t& x = dst[static_cast<std::size_t>(i) * ch + c];
            buf[w] = x;
            const double delayed = buf[first] * (1.0 - f) + buf[second] * f;
            x = SaturateSample(static_cast<std::int64_t>(x) + static_cast<std::int64_t>(std::trunc(gain_ * delayed)));
            if (++w == b) w = 0;
            if (++first == b) first = 0;
            if (++second == b) second = 0;
        }
    }
    write_ = w;
}

void LModulatedDelayFilter::ResetState() {
    std::fill(buf_.begin(), buf_.end(), 0);
    write_ = 0;
    phase_ = 0.0;
}

LPhaserEffect::LPhaserEffect(int timeMs, int gainPercent) {
    p_.timeMs = std::clamp(timeMs, 0, 10);
    p_.gainPercent = std::clamp(gainPercent, 0, 100);
    p_.modulationHz = 0.0;
    p_.depthPercent = 0;
}

Ref<LAudioReader> LPhaserEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LModulatedDelayFilter>(input, p_);
}

LFlangerEffect::LFlangerEffect(ModulatedDelayParams p) : p_(p) {
    p_.timeMs = std::clamp(p_.timeMs, 0, 10);
    p_.modulationHz = FiniteClamp(p_.modulationHz, 0.0, 5.0);
    p_.depthPercent = std::clamp(p_.depthPercent, 0, 100);
    p_.gainPercent = std::clamp(p_.gainPercent, 0, 100);
}

Ref<LAudioReader> LFlangerEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LModulatedDelayFilter>(input, p_);
}

}  // namespace sv
