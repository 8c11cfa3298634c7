#pragma once
// The equalizer's descriptor: a curve over frequency turned into the 4,095-tap filter at the
// input's rate. A curve that leaves every frequency at unity changes nothing.
#include "effects/Curve.h"
#include "effects/EffectDescriptor.h"
#include "effects/EqualizerTaps.h"

namespace sv {

class LEqualizerEffect final : public LEffectDescriptor {
public:
    explicit LEqualizerEffect(LCurve curve) : curve_(std::move(curve)) {}
    std::string GetName() const override { return "Egaliser"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

    // The taps the curve gives at rate (44,100 when rate <= 0).
    EqualizerTaps TapsAt(std::int32_t rate) const;
    const LCurve& Curve() const { return curve_; }

private:
    LCurve curve_;
};

}  // namespace sv
