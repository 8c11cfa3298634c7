#pragma once
// Automatic gain control: levels a selection towards a steady loudness.
//
// The level is measured in blocks of a fiftieth of a second on the sound weighted by a one-pole
// low-pass at 2,200 Hz followed by a one-pole high-pass at 450 Hz, so that rumble and hiss,
// which the ear weighs little, do not steer the gain. The engine's four byte settings are, in
// order: the attack in blocks (2: the gain falls half-way to a lower goal each block), the
// target level in steps of 2 dB below full scale (-8: -16 dB RMS of the weighted sound), the
// gate in steps of 5 dB (-9: blocks below -45 dB, pauses and noise, keep the gain they had) and
// the release in seconds (2: the time constant with which the gain rises). Levels are taken
// against the internal full scale of a 16-bit sample (524,272), whatever a reader reports. The gain stays
// within target - gate (+29 dB) either way, and never lets a peak of the block it applies to, or
// of the next one, pass full scale: it ramps from one block's gain to the next across the block,
// and both ends respect that block's peak.
#include "effects/EffectDescriptor.h"
#include "effects/LookAheadFilter.h"

#include <array>
#include <string>

namespace sv {

struct AutoGainSettings {
    int attackBlocks = 2;
    int targetStep = -8;  // x 2 dB
    int gateStep = -9;    // x 5 dB
    int releaseSeconds = 2;
};

class LAutoGainFilter : public LLookAheadFilter {
public:
    LAutoGainFilter(Ref<LAudioReader> input, const AutoGainSettings& s = {});
    // The gain (dB) the last output window ramps to.
    double GainDb() const { return gainDb_; }

protected:
    void Analyse(const std::int32_t* window, bool first) override;
    void BeginWindow() override;
    void Render(const std::int32_t* in, std::int32_t offset, std::int32_t* out, std::int32_t frames) override;
    void ResetState() override;

private:
    struct Stats {
        double levelDb = -200;  // weighted RMS, dB re full scale
        double peak = 0;
    };
    AutoGainSettings s_;
    std::int64_t aLow_ = 0, aHigh_ = 0;
    std::array<std::int64_t, 8> low_{}, high_{};
    Stats out_{}, next_{};
    bool fresh_ = true;
    double gainDb_ = 0;
    std::int64_t gain_ = 16777216, step_ = 0;
};

class LAutoGainEffect final : public LEffectDescriptor {
public:
    std::string GetName() const override { return "Contrôle Automatique des Gains en cours"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
};

}  // namespace sv
