#pragma once
// Conversions between PCM containers of 1 to 4 bytes and internal samples (a 16-bit value s
// is held as s * 16). Writing does not clip: a value outside the container wraps.
#include <cstddef>
#include <cstdint>

namespace sv {

// count samples from little-endian containers of width bytes into internal samples.
void PcmToInternal(const std::uint8_t* src, int width, std::size_t count, std::int32_t* dst);
// count internal samples into little-endian containers of width bytes.
void InternalToPcm(const std::int32_t* src, int width, std::size_t count, std::uint8_t* dst);

// Container width in bytes for a bits-per-sample value: up to 8 -> 1, 16 -> 2, 24 -> 3, else 4.
inline int ContainerWidth(unsigned bits) { return bits <= 8 ? 1 : bits <= 16 ? 2 : bits <= 24 ? 3 : 4; }

// 16-bit values through the internal format, as the codec layer's PCM side needs.
inline std::int32_t Int16ToInternal(std::int16_t s) { return static_cast<std::int32_t>(s) * 16; }
inline std::int16_t InternalToInt16(std::int32_t x) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((static_cast<std::int64_t>(x) + 8) >> 4));
}

}  // namespace sv
