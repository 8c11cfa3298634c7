#pragma once
// What the delay effects share: milliseconds to frames in integer arithmetic, the 9-bit
// delay-line gain of a percentage, and saturation of a 64-bit sum to a sample.
#include <algorithm>
#include <cstdint>

namespace sv {

// (ms / 1000) * rate + ((ms mod 1000) * rate) / 1000, in 64 bits.
inline std::int64_t DelayFrames(std::int64_t ms, std::int32_t rate) {
    return (ms / 1000) * rate + ((ms % 1000) * rate) / 1000;
}

// p * 512 / 100: 512 is unity for a delayed sample weighted as (s * G) >> 9.
inline std::int32_t DelayGain(int percent) { return percent * 512 / 100; }

// (s * g) >> 9 without the 32-bit overflow of loud low frequencies at high feedback.
inline std::int64_t DelayTap(std::int32_t s, std::int32_t g) { return (static_cast<std::int64_t>(s) * g) >> 9; }

inline std::int32_t SaturateSample(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

inline std::int32_t SaturateSample(double v) {
    if (!(v == v)) return 0;
    return static_cast<std::int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

}  // namespace sv
