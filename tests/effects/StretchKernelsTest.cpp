#include "effects/CpuFeatures.h"
#include "effects/StretchKernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace sv {
namespace {

// The rule written out bin by bin: above both left neighbours, at least both right ones.
std::vector<std::uint32_t> PeaksByTheRule(const std::vector<double>& pw) {
    const std::size_t n = pw.size();
    std::vector<std::uint32_t> out;
    for (std::size_t k = 0; k < n; ++k) {
        const double v = pw[k];
        if ((k >= 1 && !(v > pw[k - 1])) || (k >= 2 && !(v > pw[k - 2])) || (k + 1 < n && !(v >= pw[k + 1])) ||
            (k + 2 < n && !(v >= pw[k + 2])))
            continue;
        out.push_back(static_cast<std::uint32_t>(k));
    }
    return out;
}

// Short spectra (where the ends meet the bulk) and long ones, with values from a small set so
// that ties are common, in every build this machine runs.
TEST(StretchKernels, PeaksFollowTheRuleAtTheEndsAndOnTies) {
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> level(0, 4);
    for (bool avx2 : {true, false}) {
        AllowAvx2(avx2);
        for (std::uint32_t half = 1; half <= 40; ++half) {
            for (int round = 0; round < 50; ++round) {
                std::vector<double> pw(half);
                for (double& v : pw) v = level(gen);
                std::vector<std::uint32_t> peaks(half);
                const std::uint32_t count = FindSpectralPeaks(pw.data(), half, peaks.data());
                peaks.resize(count);
                ASSERT_EQ(peaks, PeaksByTheRule(pw)) << "half " << half << (avx2 ? "" : " (portable)");
            }
        }
    }
    AllowAvx2(true);
    const std::vector<double> flat(9, 0.0);
    std::vector<std::uint32_t> peaks(9);
    EXPECT_EQ(FindSpectralPeaks(flat.data(), 9, peaks.data()), 1u);  // only bin 0 stands above no one
    EXPECT_EQ(peaks[0], 0u);
}

}  // namespace
}  // namespace sv
