#pragma once
// Dialogic (OKI) 4-bit ADPCM in integer arithmetic: one state per stream, codes 0 to 15, the
// predictor in internal-sample units. The predictor leaks by 1/64 per sample and is not clamped.
#include <cstdint>

namespace sv {

struct DialogicAdpcmState {
    std::int32_t stepIndex = 0;
    std::int32_t predictor = 0;

    std::int32_t Decode(int code);
    int Encode(std::int32_t sample);
};

}  // namespace sv
