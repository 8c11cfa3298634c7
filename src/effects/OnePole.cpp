#include "effects/OnePole.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace sv {

std::int32_t OnePoleCoefficient(double freq, std::int32_t rate) {
    if (rate <= 0) rate = 44100;
    const double a = std::trunc(256.0 * (1.0 - std::exp(-2 * M_PI * freq / rate)));
    return static_cast<std::int32_t>(std::clamp(a, 0.0, 256.0));
}

LOnePoleFilter::LOnePoleFilter(Ref<LAudioReader> input, Kind kind, double freq)
    : LFilter(std::move(input)), kind_(kind), a_(OnePoleCoefficient(freq, sampleRate)) {
    state_.assign(channels, 0);
    if (fullScale <= 1048576) fullScale *= 2;
}

void LOnePoleFilter::ResetState() { std::fill(state_.begin(), state_.end(), 0); }

void LOnePoleFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const int ch = channels;
    const auto saturate = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    for (int c = 0; c < ch; ++c) {
        std::int64_t s = state_[static_cast<std::size_t>(c)];
        std::int32_t* p = dst + c;
        if (kind_ == Kind::HighPass) {
            for (std::int32_t i = 0; i < frames; ++i, p += ch) {
                const std::int64_t y = *p - (s >> 8);
                s += a_ * y;
                *p = saturate(y);
            }
        } else {
            for (std::int32_t i = 0; i < frames; ++i, p += ch) {
                s += a_ * (*p - (s >> 8));
                *p = saturate(s >> 8);
            }
        }
        state_[static_cast<std::size_t>(c)] = s;
    }
}

}  // namespace sv
