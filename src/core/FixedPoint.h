#pragma once
// The arithmetic every sound processor shares: 24-bit fixed-point multiplication (1.0 = 16,777,216),
// whole-decibel conversion of such factors and the amplitude and power tables indexed by a
// signed decibel byte, in which -127 (and -128) mean silence.
#include <cstdint>

namespace sv {

constexpr std::int32_t kFixedOne = 16777216;  // 1.0 in 24-bit fixed point
constexpr int kSilentDb = -127;

// Approximates a * b / 16,777,216 from the 12-bit halves of both operands:
// ((a_low * b_high) >> 12) + ((a_high * b_low) >> 12) + a_high * b_high, with x_high = x >> 12
// (arithmetic) and x_low = x & 4095. The sum is formed in 64 bits and saturated to the int32
// range, so extreme gains clip instead of wrapping round.
inline std::int32_t MulFixed24(std::int32_t a, std::int32_t b) {
    const std::int64_t ah = a >> 12, al = a & 4095;
    const std::int64_t bh = b >> 12, bl = b & 4095;
    const std::int64_t r = ((al * bh) >> 12) + ((ah * bl) >> 12) + ah * bh;
    if (r > INT32_MAX) return INT32_MAX;
    if (r < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(r);
}

// round(20 log10(factor / 16,777,216)) (half away from zero), clamped to -127..127; a factor
// of 0 or less is silence, -127.
int FactorToDb(std::int32_t factor);

// trunc(10^(dB / 20) * 16,777,216 + 0.5), capped at 2,147,483,647; 0 for -127 and -128.
std::int32_t DbAmplitude(int db);
// trunc(10^(dB / 10) * 16,777,216 + 0.5), capped likewise; 0 for -127 and -128.
std::int32_t DbPower(int db);

// The tables themselves (256 entries, index dB + 128), built once on first use.
const std::int32_t* AmplitudeTable();
const std::int32_t* PowerTable();

}  // namespace sv
