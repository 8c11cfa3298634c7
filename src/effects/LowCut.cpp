#include "effects/LowCut.h"

#include "core/FixedPoint.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace sv {

namespace {

std::int32_t Fixed(double v) { return static_cast<std::int32_t>(std::trunc(v * kFixedOne)); }

std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

double LowCutFrequency(double freq, std::int32_t rate) {
    if (rate <= 0) rate = 44100;
    if (!(freq > 0)) freq = 10;
    return std::min(freq, 0.45 * rate);
}

LowCutCoefficients MakeLowCutCoefficients(double freq, std::int32_t rate) {
    if (rate <= 0) rate = 44100;
    const double w = 2 * M_PI * LowCutFrequency(freq, rate) / rate;
    const double alpha = std::sin(w) * 0.7072135785007072;
    const double c = std::cos(w);
    LowCutCoefficients k;
    k.a1 = Fixed(-2 * c / (1 + alpha));
    k.a2 = Fixed((1 - alpha) / (1 + alpha));
    k.b0 = Fixed((1 + c) / (2 * (1 + alpha)));
    k.b1 = Fixed(-(1 + c) / (1 + alpha));
    return k;
}

LLowCutFilter::LLowCutFilter(Ref<LAudioReader> input, double freq) : LFilter(std::move(input)) {
    k_ = MakeLowCutCoefficients(freq, sampleRate);
    state_.assign(channels, State{});
    fullScale = kLowCutFullScale;
}

void LLowCutFilter::ResetState() { std::fill(state_.begin(), state_.end(), State{}); }

void LLowCutFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const int ch = channels;
    for (int c = 0; c < ch; ++c) {
        State st = state_[static_cast<std::size_t>(c)];
        std::int32_t* s = dst + c;
        for (std::int32_t i = 0; i < frames; ++i, s += ch) {
            const std::int32_t x = *s;
            const std::int64_t y = std::int64_t{MulFixed24(k_.b0, Saturate(std::int64_t{x} + st.x2))} -
                                   MulFixed24(k_.a1, st.y1) - MulFixed24(k_.a2, st.y2) + MulFixed24(k_.b1, st.x1);
            st.x2 = st.x1;
            st.x1 = x;
            st.y2 = st.y1;
            st.y1 = Saturate(y);
            *s = st.y1;
        }
        state_[static_cast<std::size_t>(c)] = st;
    }
}

Ref<LAudioReader> LLowCutEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input) return input;
    return MakeRef<LLowCutFilter>(input, freq_);
}

}  // namespace sv
