#pragma once
// The equalizer's arithmetic before any sample: the curve as a table of gain bytes, one per
// frequency bin, and the cosine sum that turns the table into the 2,048 distinct taps of a
// symmetric 4,095-tap filter in integer arithmetic (tap 0 = 32,768 is unity).
#include "effects/Curve.h"

#include <array>
#include <cstdint>

namespace sv {

constexpr int kEqualizerBins = 2048;   // bins 0 to 2,047 of the table; bin 2,048 is the rate's half
constexpr int kEqualizerTaps = 2048;   // h[0] to h[2,047]; the filter has 2 * 2,048 - 1 taps
constexpr int kEqualizerHalfSpan = kEqualizerTaps - 1;  // frames of context on each side
constexpr std::int32_t kEqualizerUnityTap = 32768;

// Bins 0 to 2,048 inclusive: the one past the table is the half-rate bin, filled by the same
// rule, which the cosine sum needs for its end weight.
using GainTable = std::array<std::uint8_t, kEqualizerBins + 1>;
using EqualizerTaps = std::array<std::int32_t, kEqualizerTaps>;

// Bin of curve position p at rate R (44,100 when R <= 0): trunc(p * 320,000 / R).
std::int32_t PositionBin(std::uint8_t position, std::int32_t rate);

// Linear interpolation from point to point over the bins (the first point taken at bin 0);
// bins past the last point keep its level; a point beyond the table cuts its segment off.
GainTable MakeGainTable(const LCurve& curve, std::int32_t rate);

// h[k] = (trunc(sum over n = 0..2,048 of w_n * gain[n] * cos(pi k n / 2,048)) + 4) >> 3 with
// w_0 = w_2048 = 1/2 and 1 elsewhere, so that a flat table (all 128) gives the single centre
// tap 32,768 and leaves the sound unchanged. Sums within 1e-7 of a whole number count as that
// number: the cosine table's rounding must not decide a truncation.
EqualizerTaps CosineTaps(const GainTable& gain);

// True for taps that change nothing: 32,768 at the centre and 0 everywhere else.
bool IsUnityFilter(const EqualizerTaps& taps);

}  // namespace sv
