#pragma once
// Stereo pan: each channel weighted by its own pan weight through the channel mixer,
// wL = sqrt(1 - p) * sqrt(2) and wR = sqrt(p) * sqrt(2) with p = pan / 100, each turned into
// whole decibels. Each output also takes the opposite input channel at 0 dB (unity).
#include "effects/ChannelMixer.h"
#include "effects/EffectDescriptor.h"

namespace sv {

// The decibel byte of one own-channel weight w (a linear factor).
int PanWeightDb(double w);

class LStereoPanEffect final : public LEffectDescriptor {
public:
    // pan 0 (left) to 100 (right); values outside are clamped.
    explicit LStereoPanEffect(int pan);
    std::string GetName() const override { return "Panorama Stéréo"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

    // The mixer rows for the current pan: left output, right output.
    LChannelMixer::Row LeftRow() const;
    LChannelMixer::Row RightRow() const;

private:
    int pan_;
};

}  // namespace sv
