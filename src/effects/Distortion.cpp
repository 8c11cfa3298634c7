#include "effects/Distortion.h"

#include "core/FixedPoint.h"
#include "effects/OnePole.h"

#include <algorithm>
#include <cmath>

namespace sv {

DistortionCurve MakeDistortionCurve(double degree, int levelDb) {
    const double d = degree == degree ? std::clamp(degree, 0.0, 1.0) : 0.0;
    const int level = std::clamp(levelDb, LDistortionEffect::kMinLevelDb, LDistortionEffect::kMaxLevelDb);
    DistortionCurve k;
    k.threshold = static_cast<std::int32_t>(std::pow(10.0, level * 0.05) * 131072.0);
    k.knee = static_cast<std::int32_t>(k.threshold * d);
    k.s1 = static_cast<std::int32_t>(16777216.0 * (4.0 - 3.0 * (1.0 - d / 2)));
    k.s2 = static_cast<std::int32_t>(16777216.0 * (1.0 - d / 2));
    k.s3 = static_cast<std::int32_t>(16777216.0 * (1.0 - d));
    k.c2 = MulFixed24(k.knee, k.s1) - MulFixed24(k.knee, k.s2);
    k.c3 = k.c2 - MulFixed24(k.threshold, k.s3) + MulFixed24(k.threshold, k.s2);
    return k;
}

std::int32_t Distort(const DistortionCurve& k, std::int32_t x) {
    // Offsets are added in 64 bits: a sample near the int32 limits must clip, not wrap.
    auto plus = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{a} + b, INT32_MIN, INT32_MAX));
    };
    if (x >= 0) {
        if (x < k.knee) return MulFixed24(x, k.s1);
        if (x < k.threshold) return plus(MulFixed24(x, k.s2), k.c2);
        return plus(MulFixed24(x, k.s3), k.c3);
    }
    if (x > -k.knee) return MulFixed24(x, k.s1);
    if (x > -k.threshold) return plus(MulFixed24(x, k.s2), -k.c2);
    return plus(MulFixed24(x, k.s3), -k.c3);
}

LDistortionFilter::LDistortionFilter(Ref<LAudioReader> input, double degree, int levelDb)
    : LFilter(std::move(input)), k_(MakeDistortionCurve(degree, levelDb)) {}

void LDistortionFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const std::size_t n = static_cast<std::size_t>(frames) * channels;
    for (std::size_t i = 0; i < n; ++i) dst[i] = Distort(k_, dst[i]);
}

LDistortionEffect::LDistortionEffect(double degree, int levelDb)
    : degree_(degree == degree ? std::clamp(degree, 0.0, 1.0) : 0.0),
      level_(std::clamp(levelDb, kMinLevelDb, kMaxLevelDb)) {}

Ref<LAudioReader> LDistortionEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LDistortionFilter>(input, degree_, level_);
}

Ref<LAudioReader> LVoiceBandEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    Ref<LAudioReader> high = MakeRef<LOnePoleFilter>(input, LOnePoleFilter::Kind::HighPass, highPass_);
    Ref<LAudioReader> low = MakeRef<LOnePoleFilter>(high, LOnePoleFilter::Kind::LowPass, lowPass_);
    return MakeRef<LDistortionFilter>(low, degree_, level_);
}

}  // namespace sv
