#include "formats/G711.h"

#include <cstdlib>

namespace sv {

namespace {

constexpr std::int32_t kMulawBase[8] = {0, 0x840, 0x18C0, 0x39C0, 0x7BC0, 0xFFC0, 0x207C0, 0x417C0};
constexpr std::int32_t kMulawThreshold[7] = {0x7C0, 0x17C0, 0x37C0, 0x77C0, 0xF7C0, 0x1F7C0, 0x3F7C0};
constexpr std::int32_t kAlawStep[8] = {0x100, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000};
constexpr std::int32_t kAlawBase[8] = {0x80, 0x1080, 0x2100, 0x4200, 0x8400, 0x10800, 0x21000, 0x42000};
constexpr std::int32_t kAlawThreshold[7] = {0x1000, 0x2000, 0x4000, 0x8000, 0x10000, 0x20000, 0x40000};

// The magnitude of the most negative sample does not fit an int32.
std::int64_t Magnitude(std::int32_t x) { return std::llabs(static_cast<std::int64_t>(x)); }

int Segment(std::int64_t magnitude, const std::int32_t (&thresholds)[7]) {
    int s = 0;
    while (s < 7 && magnitude >= thresholds[s]) ++s;
    return s;
}

}  // namespace

std::int32_t MulawByteToInternal(std::uint8_t b) {
    const int c = static_cast<std::uint8_t>(~b);
    const int s = (c >> 4) & 7;
    const std::int32_t magnitude = ((c & 15) << (s + 7)) + kMulawBase[s];
    return (c & 0x80) ? -magnitude : magnitude;
}

std::uint8_t InternalToMulawByte(std::int32_t x) {
    const int sign = x < 0 ? 0x80 : 0;
    const std::int64_t magnitude = Magnitude(x);
    const int s = Segment(magnitude, kMulawThreshold);
    const std::int64_t start = s == 0 ? 0 : kMulawThreshold[s - 1];
    std::int64_t mantissa = (magnitude - start) >> (s + 7);
    if (mantissa > 15) mantissa = 15;
    return static_cast<std::uint8_t>(~(sign | (s << 4) | static_cast<int>(mantissa)));
}

std::int32_t AlawByteToInternal(std::uint8_t b) {
    const int c = b ^ 0x55;
    const int s = (c >> 4) & 7;
    const std::int32_t magnitude = (c & 15) * kAlawStep[s] + kAlawBase[s];
    return (c & 0x80) ? magnitude : -magnitude;
}

std::uint8_t InternalToAlawByte(std::int32_t x) {
    const int sign = x >= 0 ? 0x80 : 0;
    const std::int64_t magnitude = Magnitude(x);
    const int s = Segment(magnitude, kAlawThreshold);
    const std::int64_t start = s == 0 ? 0 : kAlawThreshold[s - 1];
    std::int64_t mantissa = (magnitude - start) / kAlawStep[s];
    if (mantissa > 15) mantissa = 15;
    return static_cast<std::uint8_t>(((s << 4) | sign | static_cast<int>(mantissa)) ^ 0x55);
}

}  // namespace sv
