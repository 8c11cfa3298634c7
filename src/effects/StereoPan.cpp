#include "effects/StereoPan.h"

#include "core/FixedPoint.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {

// What each output takes from the opposite input channel: nothing. Taking it at unity would
// add the other channel at full level to each side (a pan of 40 would give 1.12 L + R on the
// left), so a pan would turn into a loud mono mix instead of a balance.
constexpr std::int8_t kOppositeDb = -127;

}  // namespace

int PanWeightDb(double w) {
    const double f = std::max(0.0, w) * kFixedOne;
    return FactorToDb(f >= 2147483647.0 ? INT32_MAX : static_cast<std::int32_t>(f));
}

LStereoPanEffect::LStereoPanEffect(int pan) : pan_(std::clamp(pan, 0, 100)) {}

LChannelMixer::Row LStereoPanEffect::LeftRow() const {
    const double p = pan_ / 100.0;
    return {static_cast<std::int8_t>(PanWeightDb(std::sqrt(1.0 - p) * std::sqrt(2.0))), kOppositeDb};
}

LChannelMixer::Row LStereoPanEffect::RightRow() const {
    const double p = pan_ / 100.0;
    return {kOppositeDb, static_cast<std::int8_t>(PanWeightDb(std::sqrt(p) * std::sqrt(2.0)))};
}

Ref<LAudioReader> LStereoPanEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    const LChannelMixer::Row left = LeftRow(), right = RightRow();
    if (!input || input->channels != 2 || (left[0] == 0 && right[1] == 0)) return input;
    return Ref<LAudioReader>(new LChannelMixer(input, left, right));
}

}  // namespace sv
