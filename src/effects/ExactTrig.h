#pragma once
// The C library's cosine, sine and arctangent of many values at once, with the very bits
// std::cos, std::sin and std::atan2 give, so that effects built on them keep their results
// while the phase vocoder spends far less of its time in these calls.
//
// Where the machine has AVX-512, eight values are worked out at a time to about 2^-60
// relative, and a value is taken only when the library's result is sure to be the same:
// the exact result is far enough from halfway between two doubles that any result within
// 0.55 units in the last place of it is one double (glibc's were within 0.521 of it in every
// test here, away from the zeros of sine and cosine). The others (about one in eight), results
// near those zeros, and every value the vector path is not written for (tiny or huge
// arguments, zeros, infinities, NaNs) go to the library itself.
#include <cstdint>

namespace sv {

// cosine[i] = std::cos(angle[i]) and sine[i] = std::sin(angle[i]) for i < n.
void CosinesAndSines(const double* angle, std::uint32_t n, double* cosine, double* sine);

// angle[i] = std::atan2(y[i], x[i]) for i < n.
void Arctangents(const double* y, const double* x, std::uint32_t n, double* angle);

}  // namespace sv
