#include "effects/EqualizerTaps.h"

#include <cmath>
#include <vector>

namespace sv {

std::int32_t PositionBin(std::uint8_t position, std::int32_t rate) {
    if (rate <= 0) rate = 44100;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(position) * 320000 / rate);
}

GainTable MakeGainTable(const LCurve& curve, std::int32_t rate) {
    GainTable table;
    table.fill(kUnityLevel);
    if (curve.empty()) return table;
    constexpr std::int32_t kSize = kEqualizerBins + 1;
    std::int32_t bin = 0;
    std::int32_t prevLevel = curve[0].level;
    for (std::size_t i = 1; i < curve.size() && bin < kSize; ++i) {
        const std::int32_t pointBin = PositionBin(curve[i].position, rate);
        const std::int32_t level = curve[i].level;
        const std::int32_t segStart = bin;
        const std::int32_t end = std::min(pointBin, kSize);
        for (; bin < end; ++bin)
            table[static_cast<std::size_t>(bin)] =
                static_cast<std::uint8_t>(prevLevel + (bin - segStart) * (level - prevLevel) / (pointBin - segStart));
        prevLevel = level;
    }
    for (; bin < kSize; ++bin) table[static_cast<std::size_t>(bin)] = static_cast<std::uint8_t>(prevLevel);
    return table;
}

EqualizerTaps CosineTaps(const GainTable& gain) {
    // cos(pi m / 2,048) for m modulo 4,096: one table for every product k * n.
    static const std::vector<double> cosines = [] {
        std::vector<double> c(2 * kEqualizerBins);
        for (int m = 0; m < 2 * kEqualizerBins; ++m) c[static_cast<std::size_t>(m)] = std::cos(M_PI * m / kEqualizerBins);
        return c;
    }();
    EqualizerTaps taps{};
    for (int k = 0; k < kEqualizerTaps; ++k) {
        double sum = 0.5 * gain[0] + 0.5 * gain[kEqualizerBins] * cosines[static_cast<std::size_t>((k * kEqualizerBins) & 4095)];
        for (int n = 1; n < kEqualizerBins; ++n)
            sum += gain[static_cast<std::size_t>(n)] * cosines[static_cast<std::size_t>((k * n) & 4095)];
        const double nearest = std::round(sum);
        const double whole = std::fabs(sum - nearest) < 1e-7 ? nearest : std::trunc(sum);
        taps[static_cast<std::size_t>(k)] = static_cast<std::int32_t>((static_cast<std::int64_t>(whole) + 4) >> 3);
    }
    return taps;
}

bool IsUnityFilter(const EqualizerTaps& taps) {
    if (taps[0] != kEqualizerUnityTap) return false;
    for (int k = 1; k < kEqualizerTaps; ++k)
        if (taps[static_cast<std::size_t>(k)] != 0) return false;
    return true;
}

}  // namespace sv
