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
    for (int build = 0; build < 3; ++build) {
        AllowAvx512(build == 0);
        AllowAvx2(build <= 1);
        for (std::uint32_t half = 1; half <= 40; ++half) {
            for (int round = 0; round < 50; ++round) {
                std::vector<double> pw(half);
                for (double& v : pw) v = level(gen);
                std::vector<std::uint32_t> peaks(half);
                const std::uint32_t count = FindSpectralPeaks(pw.data(), half, peaks.data());
                peaks.resize(count);
                ASSERT_EQ(peaks, PeaksByTheRule(pw)) << "half " << half << " build " << build;
            }
        }
    }
    AllowAvx512(true);
    AllowAvx2(true);
    const std::vector<double> flat(9, 0.0);
    std::vector<std::uint32_t> peaks(9);
    EXPECT_EQ(FindSpectralPeaks(flat.data(), 9, peaks.data()), 1u);  // only bin 0 stands above no one
    EXPECT_EQ(peaks[0], 0u);
}

// Gaps from none to well past a register's eight bins, values from a small set so that the
// lowest is often shared: the region ends at the first of them.
TEST(StretchKernels, ARegionEndsAtTheFirstLowestBinBeforeTheNextPeak) {
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> level(0, 3), gap(0, 20);
    for (int build = 0; build < 3; ++build) {
        AllowAvx512(build == 0);
        AllowAvx2(build <= 1);
        for (int round = 0; round < 200; ++round) {
            std::vector<std::uint32_t> peaks{static_cast<std::uint32_t>(gap(gen))};
            for (int i = 0; i < 30; ++i) peaks.push_back(peaks.back() + 1 + static_cast<std::uint32_t>(gap(gen)));
            std::vector<double> pw(peaks.back() + 1);
            for (double& v : pw) v = level(gen);
            std::vector<std::uint32_t> ends(peaks.size(), 0);
            RegionEnds(pw.data(), peaks.data(), static_cast<std::uint32_t>(peaks.size()), ends.data());
            for (std::size_t i = 0; i + 1 < peaks.size(); ++i) {
                std::uint32_t expected = peaks[i] + 1;
                for (std::uint32_t k = peaks[i] + 1; k < peaks[i + 1]; ++k)
                    if (pw[k] < pw[expected]) expected = k;
                ASSERT_EQ(ends[i], expected) << "gap " << peaks[i + 1] - peaks[i] - 1 << " build " << build;
            }
        }
    }
    AllowAvx512(true);
    AllowAvx2(true);
    // Peaks side by side leave an empty region, which ends at the next peak.
    const std::vector<double> pw{4, 1, 3};
    const std::vector<std::uint32_t> peaks{1, 2};
    std::vector<std::uint32_t> ends(2, 0);
    RegionEnds(pw.data(), peaks.data(), 2, ends.data());
    EXPECT_EQ(ends[0], 2u);
}

}  // namespace
}  // namespace sv
