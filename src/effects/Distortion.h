#pragma once
// Distortion: a symmetric three-segment curve in 24-bit fixed point. The level in dB gives the
// threshold L = trunc(10^(level / 20) * 131,072) and the degree d the knee K = trunc(L d); below
// K the slope is 1 + 1.5 d, up to L it is 1 - d/2, beyond it 1 - d, with offsets that keep the
// curve continuous; negative samples are mirrored.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <cstdint>

namespace sv {

struct DistortionCurve {
    std::int32_t threshold = 0, knee = 0;
    std::int32_t s1 = 0, s2 = 0, s3 = 0;
    std::int32_t c2 = 0, c3 = 0;
};

// The level is brought into the dialog's range first.
DistortionCurve MakeDistortionCurve(double degree, int levelDb);
std::int32_t Distort(const DistortionCurve& k, std::int32_t x);

class LDistortionFilter : public LFilter {
public:
    LDistortionFilter(Ref<LAudioReader> input, double degree, int levelDb);
    const DistortionCurve& Curve() const { return k_; }

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;

private:
    DistortionCurve k_;
};

class LDistortionEffect final : public LEffectDescriptor {
public:
    // The dialog's ranges: degree 0.0 to 1.0, level -127 to +12 dB (above that the threshold
    // passes full scale, and far above it the fixed-point products would overflow).
    static constexpr int kMinLevelDb = -127;
    static constexpr int kMaxLevelDb = 12;
    LDistortionEffect(double degree, int levelDb);
    std::string GetName() const override { return "Distorsion"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    double Degree() const { return degree_; }
    int LevelDb() const { return level_; }

private:
    double degree_;
    int level_;
};

// AM radio and telephone: a one-pole high-pass, a one-pole low-pass and a distortion in turn.
class LVoiceBandEffect final : public LEffectDescriptor {
public:
    static LVoiceBandEffect AmRadio() { return {"Effet Radio de MA", 100, 5000, 0.2, -8}; }
    static LVoiceBandEffect Telephone() { return {"Effet Téléphone", 450, 2700, 0.3, -8}; }
    std::string GetName() const override { return name_; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

private:
    LVoiceBandEffect(const char* name, double highPass, double lowPass, double degree, int levelDb)
        : name_(name), highPass_(highPass), lowPass_(lowPass), degree_(degree), level_(levelDb) {}
    const char* name_;
    double highPass_, lowPass_, degree_;
    int level_;
};

}  // namespace sv
