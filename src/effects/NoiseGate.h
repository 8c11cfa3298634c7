#pragma once
// The multiband noise gate ("Réduction des Bruits"). One-pole stages at 50, 400, 1,100 and
// 2,600 Hz split each channel into four bands (below 50 Hz is dropped); blocks of a thirtieth
// of a second are gated band by band from the block's band peaks, each reduced by what its
// neighbours leak into it. A band is shut up to its threshold and fully open from five times
// it; the gains move during the block before the one they were measured on.
//
// Band thresholds come from the level L as L + 3, L, L - 3 and L dB. Levels are clamped to
// -126..127 dB: -127 is amplitude 0, which the threshold factor 2^40 / amplitude would divide
// by, and below about -91 dB that factor no longer fits 32 bits, so it is kept and applied in
// 64 bits.
#include "effects/EffectDescriptor.h"
#include "effects/LookAheadFilter.h"

#include <array>
#include <string>
#include <vector>

namespace sv {

constexpr int kGateBands = 4;

// trunc(2^33 / (amplitude[dB] / 2^24 * 131,072)) = 2^40 / amplitude[dB], dB clamped to -126..127.
std::int64_t GateThresholdFactor(int db);
// The band target gain from the neighbour-reduced peak v: u = v * thr (24-bit product) - 512;
// 0 below 0, unity above 2,048, else u * 8,192.
std::int32_t GateBandGain(std::int64_t v, std::int64_t thr);

class LNoiseGateFilter : public LLookAheadFilter {
public:
    LNoiseGateFilter(Ref<LAudioReader> input, int levelDb);
    const std::array<std::int64_t, kGateBands>& Thresholds() const { return thr_; }

protected:
    void Analyse(const std::int32_t* window, bool first) override;
    void BeginWindow() override;
    void Render(const std::int32_t* in, std::int32_t offset, std::int32_t* out, std::int32_t frames) override;
    void ResetState() override;

private:
    struct Split {
        std::int64_t s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    };
    std::array<std::int32_t, kGateBands> a_{};
    std::array<std::int64_t, kGateBands> thr_{};
    std::vector<Split> split_;
    // Band samples of the output and look-ahead windows: [frame][channel][band].
    std::vector<std::int32_t> outBands_, nextBands_;
    std::array<std::int64_t, kGateBands> gain_{}, step_{}, target_{};
};

class LNoiseGateEffect final : public LEffectDescriptor {
public:
    explicit LNoiseGateEffect(int levelDb) : level_(levelDb) {}
    std::string GetName() const override { return "Réduction des Bruits"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    int Level() const { return level_; }

private:
    int level_;
};

}  // namespace sv
