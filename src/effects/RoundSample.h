#pragma once
// Rounding of a filter's double result to an internal sample: to nearest (ties to even),
// saturated at the 32-bit rails, and 0 for a NaN, which has no sample to become.
#include <cmath>
#include <cstdint>

namespace sv {

inline std::int32_t RoundToSample(double v) {
    if (!(v == v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (r <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<std::int32_t>(r);
}

}  // namespace sv
