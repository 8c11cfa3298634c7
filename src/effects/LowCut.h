#pragma once
// The low cut ("Coupure Basse Fréquence"): a second-order high-pass with 24-bit fixed-point
// coefficients, per channel
//   y = b0 (x + x2) - a1 y1 - a2 y2 + b1 x1,
// each product a 24-bit fixed-point multiplication. It reports a full-scale value of 4,194,303.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <vector>

namespace sv {

constexpr std::int32_t kLowCutFullScale = 4194303;

struct LowCutCoefficients {
    std::int32_t a1 = 0, a2 = 0, b0 = 0, b1 = 0;
};

// The frequency the filter really uses: 10 Hz for 0 or less, and at most 0.45 times the rate,
// since at half the rate and above the poles leave the unit circle and the output runs away.
double LowCutFrequency(double freq, std::int32_t rate);
// w = 2 pi f / R, alpha = sin(w) * 0.7072135785007072; a1 = -2 cos(w) / (1 + alpha),
// a2 = (1 - alpha) / (1 + alpha), b0 = (1 + cos(w)) / (2 (1 + alpha)), b1 = -(1 + cos(w)) / (1 + alpha),
// each truncated to 24-bit fixed point. Rate 44,100 when 0 or less.
LowCutCoefficients MakeLowCutCoefficients(double freq, std::int32_t rate);

class LLowCutFilter : public LFilter {
public:
    LLowCutFilter(Ref<LAudioReader> input, double freq);
    const LowCutCoefficients& Coefficients() const { return k_; }

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    struct State {
        std::int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    LowCutCoefficients k_;
    std::vector<State> state_;
};

class LLowCutEffect final : public LEffectDescriptor {
public:
    explicit LLowCutEffect(int freq) : freq_(freq) {}
    std::string GetName() const override { return "Coupure Basse Fréquence"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    int Frequency() const { return freq_; }

private:
    int freq_;
};

}  // namespace sv
