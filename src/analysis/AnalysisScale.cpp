#include "analysis/AnalysisScale.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {

constexpr double kMagnitudeToFullScale = 1.0789581580026326e-05;

int RoundedDb(double v) {
    const double db = 20.0 * std::log10(v);
    return static_cast<int>(v >= 1.0 ? db + 0.5 : db - 0.5);
}

}  // namespace

int SpectrumDb(double magnitude) {
    const double v = magnitude * kMagnitudeToFullScale;
    if (!(v > 0.0)) return -127;
    return std::clamp(RoundedDb(v), -127, 127);
}

int SpectrogramDb(double magnitude) {
    const double v = magnitude * kMagnitudeToFullScale;
    if (!(v > 0.0)) return -128;
    return RoundedDb(v);
}

}  // namespace sv
