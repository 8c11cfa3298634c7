#pragma once
// Chorus: two modulated voices over one stereo delay line, swinging at 0.75 and 1.25 times
// the modulation frequency. Voice A sounds at full weight on the left and half on the right,
// voice B the other way round. A mono sound feeds both channels of the voices and gets back
// the mean of the two, so the chain delivers the channels it was given.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"
#include "effects/ModulatedDelay.h"

#include <vector>

namespace sv {

// The two-voice filter over a stereo or mono input.
class LChorusFilter : public LFilter {
public:
    LChorusFilter(Ref<LAudioReader> input, const ModulatedDelayParams& p);

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    std::int64_t delay_;
    std::int64_t swing_;
    std::size_t history_;             // H = D + S + 2 frames kept from earlier calls
    std::vector<std::int32_t> line_;  // stereo: H earlier frames, then the current call's input
    std::vector<double> sines_;       // sin(phi) of voice A, then of voice B, per frame of a call
    double full_;
    double half_;
    double phaseA_ = 0.0, phaseB_ = 0.0;
    double stepA_, stepB_;
};

class LChorusEffect final : public LEffectDescriptor {
public:
    // Brought into the dialog's ranges: time 10 to 100 ms, modulation 0 to 2 Hz, depth 0 to 30,
    // gain 0 to 100.
    explicit LChorusEffect(ModulatedDelayParams p);
    std::string GetName() const override { return "Choeur"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    const ModulatedDelayParams& Params() const { return p_; }

private:
    ModulatedDelayParams p_;
};

}  // namespace sv
