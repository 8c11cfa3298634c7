#include "audio/LevelMeter.h"

#include <cmath>

namespace sv {

std::int8_t ChannelLevel(const std::int32_t* samples, std::int32_t frames, int channels, int channel) {
    if (frames <= 0 || channels <= 0) return kSilentLevel;
    // Squares are summed as a high part (>> 13) and the low 13 bits apart, so the sum of 8,192
    // full-scale squares stays exact.
    std::uint64_t high = 0, low = 0;
    const std::int32_t* p = samples + channel;
    for (std::int32_t i = 0; i < frames; ++i, p += channels) {
        const std::int64_t v = *p >> 5;
        const auto square = static_cast<std::uint64_t>(v * v);
        high += square >> 13;
        low += square & 0x1FFF;
    }
    const std::uint64_t n = static_cast<std::uint64_t>(frames);
    const std::uint64_t total = high + (low >> 13);
    const std::uint64_t m = (total / n << 13) + ((total % n) << 13) / n;
    if (m == 0) return kSilentLevel;
    constexpr double kReference = 8388626.0;
    double db = 10.0 * std::log10(static_cast<double>(m) / kReference);
    db += static_cast<double>(m) >= kReference ? 0.5 : -0.5;
    long level = static_cast<long>(db);
    if (level < -127) level = -127;
    if (level > 127) level = 127;
    return static_cast<std::int8_t>(level);
}

}  // namespace sv
