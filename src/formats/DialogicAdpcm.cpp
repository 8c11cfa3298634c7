#include "formats/DialogicAdpcm.h"

namespace sv {

namespace {

constexpr std::int32_t kSteps[49] = {16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,   45,   50,   55,   60,   66,  73,
                                     80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209,  230,  253,  279,  307,  337, 371,
                                     408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
constexpr std::int32_t kIndexChange[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

std::int32_t Multiplier(int code) {
    const std::int32_t m = 16 * (2 * (code & 7) + 1);
    return (code & 8) ? -m : m;
}

std::int32_t Step(std::int32_t& index) {
    if (index < 0) index = 0;
    if (index > 48) index = 48;
    return kSteps[index];
}

// Arithmetic on the unclamped predictor can leave int32 on pathological input; wrap as the
// two's-complement machine would instead of overflowing.
std::int32_t Wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

}  // namespace

std::int32_t DialogicAdpcmState::Decode(int code) {
    const std::int32_t step = Step(stepIndex);
    predictor = Wrap(static_cast<std::int64_t>(predictor) - (predictor >> 6) +
                     static_cast<std::int64_t>(step) * Multiplier(code));
    stepIndex += kIndexChange[code & 7];
    return predictor;
}

int DialogicAdpcmState::Encode(std::int32_t sample) {
    const std::int32_t step = Step(stepIndex);
    const std::int64_t p = static_cast<std::int64_t>(predictor) - (predictor >> 6);
    std::int64_t q = (static_cast<std::int64_t>(sample) - p) / step;
    int code = 0;
    if (q < 0) {
        code = 8;
        q = -q;
    }
    if (q >= 132) {
        code |= 4;
        q -= 132;
    }
    if (q >= 66) {
        code |= 2;
        q -= 66;
    }
    if (q >= 33) code |= 1;
    predictor = Wrap(p + static_cast<std::int64_t>(step) * Multiplier(code));
    stepIndex += kIndexChange[code & 7];
    return code;
}

}  // namespace sv
