#pragma once
// A noise print: the mean power of the noise in every bin of the noise reduction's transform,
// per channel, captured from a stretch of noise alone (or estimated from the quietest part of a
// selection). It fits only sounds of the same rate and channel count, which fix the transform.
#include <cstdint>
#include <vector>

namespace sv {

struct NoisePrint {
    std::int32_t rate = 0;
    std::uint8_t channels = 0;
    std::uint32_t order = 0;    // log2 of the transform size
    std::vector<double> power;  // [channel * Bins() + bin], bins 0..N/2
    std::uint32_t Bins() const { return (1u << order) / 2 + 1; }
    const double* Channel(int c) const { return power.data() + static_cast<std::size_t>(c) * Bins(); }
};

inline bool PrintFits(const NoisePrint& print, std::int32_t rate, std::uint8_t channels) {
    return print.rate == rate && print.channels == channels && !print.power.empty();
}

}  // namespace sv
