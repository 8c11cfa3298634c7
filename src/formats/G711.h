#pragma once
// G.711 mu-law and A-law bytes to and from internal samples (the 16-bit reconstruction values
// times 16). Encoding truncates within a segment and does not clip.
#include <cstdint>

namespace sv {

std::int32_t MulawByteToInternal(std::uint8_t b);
std::uint8_t InternalToMulawByte(std::int32_t x);
std::int32_t AlawByteToInternal(std::uint8_t b);
std::uint8_t InternalToAlawByte(std::int32_t x);

}  // namespace sv
