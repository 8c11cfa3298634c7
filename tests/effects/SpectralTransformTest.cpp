#include "effects/SpectralTransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace sv {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(SpectralTransform, SizeRuleTakesThreeQuartersOfTheRequestUpToAPowerOfTwo) {
    EXPECT_EQ(SpectralTransform::OrderForLength(2756), 12u);  // 44,100 / 16 -> 4,096 points
    EXPECT_EQ(SpectralTransform::OrderForLength(500), 9u);    // 8,000 / 16 -> 512 points
    for (std::int64_t small : {-5, 0, 1, 8, 10}) EXPECT_EQ(SpectralTransform::OrderForLength(small), 3u) << small;
    EXPECT_EQ(SpectralTransform::OrderForLength(11), 4u);   // d = 9
    EXPECT_EQ(SpectralTransform::OrderForLength(21), 4u);   // d = 16
    EXPECT_EQ(SpectralTransform::OrderForLength(23), 5u);   // d = 18
    EXPECT_EQ(SpectralTransform::OrderForLength(std::int64_t{1} << 40), SpectralTransform::kMaxOrder);
}

TEST(SpectralTransform, TablesHoldReversedIndicesAndOneTurnOfCosineAndSine) {
    SpectralTransform t(3);
    EXPECT_EQ(t.Size(), 8u);
    EXPECT_EQ(t.BitReversal(), (std::vector<std::uint32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
    for (std::uint32_t k = 0; k < 8; ++k) {
        EXPECT_NEAR(t.Cosines()[k], std::cos(2 * kPi * k / 8), 1e-15);
        EXPECT_NEAR(t.Sines()[k], std::sin(2 * kPi * k / 8), 1e-15);
    }
    EXPECT_EQ(SpectralTransform(0).Order(), 1u);
    EXPECT_EQ(SpectralTransform(99).Order(), SpectralTransform::kMaxOrder);
}

TEST(SpectralTransform, HammingWindowHasPeriodLNotLMinusOne) {
    const std::vector<double> w = HammingWindow(8);
    ASSERT_EQ(w.size(), 8u);
    EXPECT_NEAR(w[0], 0.08, 1e-15);
    EXPECT_NEAR(w[4], 1.0, 1e-15);
    EXPECT_NEAR(w[2], 0.54, 1e-15);
    EXPECT_NEAR(w[1], w[7], 1e-15);  // symmetric about L/2, so the last sample is not 0.08
}

TEST(SpectralTransform, WindowingTakesOneChannelOfAnInterleavedBlock) {
    const std::int32_t block[] = {1, 100, 2, 200, 3, 300, 4, 400};
    const double window[] = {0.5, 1.0, 2.0, 4.0};
    double re[4], im[4] = {9, 9, 9, 9};
    WindowBlock(block, 2, 1, window, 4, re, im);
    EXPECT_EQ(std::vector<double>(re, re + 4), (std::vector<double>{50, 200, 600, 1600}));
    EXPECT_EQ(std::vector<double>(im, im + 4), (std::vector<double>{0, 0, 0, 0}));
    WindowBlock(block, 1, 0, window, 4, re, im);
    EXPECT_EQ(std::vector<double>(re, re + 4), (std::vector<double>{0.5, 100, 4, 800}));
}

TEST(SpectralTransform, AnalysisOfAConstantPutsItAtBinZeroAlone) {
    SpectralTransform t(6);
    std::vector<double> re(64, -1234.5), im(64, 0.0);
    t.Analysis(re.data(), im.data());
    EXPECT_NEAR(re[0], -1234.5, 1e-9);
    for (std::size_t k = 1; k < 64; ++k) {
        EXPECT_NEAR(re[k], 0.0, 1e-9) << k;
        EXPECT_NEAR(im[k], 0.0, 1e-9) << k;
    }
    EXPECT_NEAR(im[0], 0.0, 1e-9);
}

// The analysis kernel is e^(+2 pi i n k / N) scaled by 1/N: a sine at bin 5 gives +i/2 there.
TEST(SpectralTransform, AnalysisUsesThePositiveExponentAndScalesByOneOverN) {
    SpectralTransform t(5);
    std::vector<double> re(32), im(32, 0.0);
    for (int n = 0; n < 32; ++n) re[n] = std::sin(2 * kPi * 5 * n / 32) + 0.25 * std::cos(2 * kPi * 3 * n / 32);
    t.Analysis(re.data(), im.data());
    EXPECT_NEAR(im[5], 0.5, 1e-12);
    EXPECT_NEAR(im[27], -0.5, 1e-12);
    EXPECT_NEAR(re[3], 0.125, 1e-12);
    EXPECT_NEAR(re[29], 0.125, 1e-12);
    EXPECT_NEAR(re[5], 0.0, 1e-12);
    EXPECT_NEAR(im[4], 0.0, 1e-12);
}

TEST(SpectralTransform, SynthesisUndoesAnalysisWithinRounding) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> d(-524272.0, 524272.0);
    for (std::uint32_t order : {3u, 9u, 12u, 16u}) {
        SpectralTransform t(order);
        std::vector<double> re(t.Size()), im(t.Size());
        for (auto& v : re) v = d(gen);
        for (auto& v : im) v = d(gen);
        const std::vector<double> re0 = re, im0 = im;
        t.Analysis(re.data(), im.data());
        t.Synthesis(re.data(), im.data());
        double worst = 0;
        for (std::size_t i = 0; i < re.size(); ++i)
            worst = std::max({worst, std::fabs(re[i] - re0[i]), std::fabs(im[i] - im0[i])});
        EXPECT_LT(worst, 1e-6) << "order " << order;
    }
}

// The real-input directions agree with the complex ones on real data, at every size.
TEST(SpectralTransform, RealInputDirectionsAgreeWithTheComplexOnes) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> d(-524272.0, 524272.0);
    for (std::uint32_t order = 1; order <= 13; ++order) {
        SpectralTransform t(order);
        const std::uint32_t n = t.Size(), h = n / 2;
        std::vector<double> x(n), re(n), im(n, 0.0), hr(h + 1), hi(h + 1), back(n);
        for (auto& v : x) v = d(gen);
        re = x;
        t.Analysis(re.data(), im.data());
        t.RealAnalysis(x.data(), hr.data(), hi.data());
        double worst = 0;
        for (std::uint32_t k = 0; k <= h; ++k)
            worst = std::max({worst, std::fabs(hr[k] - re[k]), std::fabs(hi[k] - im[k])});
        EXPECT_LT(worst, 1e-9) << "analysis, order " << order;
        EXPECT_EQ(hi[0], 0.0);
        EXPECT_EQ(hi[h], 0.0);

        t.RealSynthesis(hr.data(), hi.data(), back.data());
        worst = 0;
        for (std::uint32_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(back[i] - x[i]));
        EXPECT_LT(worst, 1e-6) << "round trip, order " << order;

        // A spectrum of its own (one bin and the constant), read back through the complex synthesis.
        std::vector<double> sr(h + 1, 0.0), si(h + 1, 0.0), fr(n, 0.0), fi(n, 0.0);
        const std::uint32_t bin = h > 1 ? h / 2 + 1 : 1;
        sr[0] = 3.0;
        sr[bin] = 0.25;
        si[bin] = bin == h ? 0.0 : -0.5;
        fr[0] = 3.0;
        fr[bin] = 0.25;
        fi[bin] = si[bin];
        fr[n - bin] += bin == h ? 0.0 : 0.25;
        fi[n - bin] += bin == h ? 0.0 : 0.5;
        t.Synthesis(fr.data(), fi.data());
        t.RealSynthesis(sr.data(), si.data(), back.data());
        worst = 0;
        for (std::uint32_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(back[i] - fr[i]));
        EXPECT_LT(worst, 1e-12) << "synthesis, order " << order;
    }
}

}  // namespace
}  // namespace sv
