// The equalizer's gain table, taps and 4,095-tap filter: the transform-based filter against the
// direct form, bit for bit, and the figures the curve gives.
#include "EffectTestFixture.h"

#include "effects/Equalizer.h"
#include "effects/EqualizerFilter.h"
#include "effects/EqualizerTaps.h"

#include <cmath>
#include <random>

namespace sv {
namespace {

std::vector<std::int32_t> Pull(const Ref<LAudioReader>& r, std::int32_t frames, std::int32_t step = kMaxFramesPerCall) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r->channels);
    for (std::int32_t at = 0; at < frames;) {
        const std::int32_t n = std::min(step, frames - at);
        r->Read(&out[static_cast<std::size_t>(at) * r->channels], n);
        at += n;
    }
    return out;
}

LCurve BassBoost() { return {{0, 255}, {3, 255}, {12, 128}, {120, 60}, {255, 90}}; }

TEST(EqualizerTaps, GainTableInterpolatesBetweenPointBinsAndCutsOffPastTheTable) {
    EXPECT_EQ(PositionBin(255, 44100), 1850);
    EXPECT_EQ(PositionBin(51, 8000), 2040);
    EXPECT_EQ(PositionBin(52, 8000), 2080);
    // Points (0, 0) and (10, 100) at 32,000 Hz: bins 0..99 rise by one per bin.
    const GainTable t = MakeGainTable({{0, 0}, {10, 100}, {20, 200}}, 32000);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[57], 57);
    EXPECT_EQ(t[100], 100);
    EXPECT_EQ(t[150], 150);
    EXPECT_EQ(t[199], 199);
    EXPECT_EQ(t[200], 200);
    EXPECT_EQ(t[2048], 200);  // past the last point: its level
    // At 8,000 Hz a point at 255 lies at bin 10,200: the segment towards it is cut at the table.
    const GainTable cut = MakeGainTable({{0, 0}, {255, 255}}, 8000);
    EXPECT_EQ(cut[2047], 2047 * 255 / 10200);
}

TEST(EqualizerTaps, FlatCurveGivesASingleUnityCentreTap) {
    const EqualizerTaps h = CosineTaps(MakeGainTable(FlatCurve(), 44100));
    EXPECT_EQ(h[0], 32768);
    EXPECT_TRUE(IsUnityFilter(h));
}

TEST(EqualizerTaps, TapsFollowTheHalfWeightedCosineSum) {
    const GainTable g = MakeGainTable(BassBoost(), 44100);
    const EqualizerTaps h = CosineTaps(g);
    for (int k : {0, 1, 2, 7, 100, 1023, 2047}) {
        double sum = 0.5 * g[0] + 0.5 * g[2048] * std::cos(M_PI * k);
        for (int n = 1; n < 2048; ++n) sum += g[static_cast<std::size_t>(n)] * std::cos(M_PI * k * n / 2048.0);
        EXPECT_EQ(h[static_cast<std::size_t>(k)], (static_cast<std::int64_t>(std::trunc(sum)) + 4) >> 3) << k;
    }
}

TEST(EqualizerFilter, MatchesTheDirectFormBitForBitOnFullScaleSound) {
    // Full-scale noise with low tones under a strong bass boost: sums far beyond 32 bits.
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::int32_t> noise(-524272, 524272);
    const int frames = 3 * kEqualizerBlock + 1234;
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = static_cast<std::int32_t>(500000 * std::sin(i * 0.002));
        s[2 * i + 1] = noise(rng);
    }
    s[2 * 5000] = INT32_MAX;  // a wild sample: shifts its blocks far
    const EqualizerTaps taps = LEqualizerEffect(BassBoost()).TapsAt(44100);
    const auto expected = DirectEqualize(s, 2, taps);
    Ref<LEqualizerFilter> f = MakeRef<LEqualizerFilter>(MakeRef<test::VectorReader>(s, 2), taps);
    Ref<LAudioReader> r(f);
    r->Seek(0);
    EXPECT_EQ(Pull(r, frames, 3000), expected);  // reads that straddle block ends
    EXPECT_EQ(f->DirectBlocks(), 0);
    EXPECT_EQ(f->RecomputedSums(), 0);
}

TEST(EqualizerFilter, MonoSoundMatchesTheDirectForm) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::int32_t> noise(-30000, 30000);
    std::vector<std::int32_t> s(20000);
    for (auto& v : s) v = noise(rng);
    const EqualizerTaps taps = LEqualizerEffect({{0, 20}, {40, 250}, {200, 0}}).TapsAt(22050);
    Ref<LAudioReader> r = MakeRef<LEqualizerFilter>(MakeRef<test::VectorReader>(s, 1, 22050), taps);
    EXPECT_EQ(Pull(r, 20000), DirectEqualize(s, 1, taps));
}

TEST(EqualizerFilter, ImpulsesEitherSideOfABlockEndGiveTheSameResponse) {
    const EqualizerTaps taps = LEqualizerEffect(BassBoost()).TapsAt(44100);
    auto response = [&](int at) {
        std::vector<std::int32_t> s(40000, 0);
        s[static_cast<std::size_t>(at)] = 400000;
        Ref<LAudioReader> r = MakeRef<LEqualizerFilter>(MakeRef<test::VectorReader>(s, 1), taps);
        const auto out = Pull(r, 40000);
        return std::vector<std::int32_t>(out.begin() + at - 2047, out.begin() + at + 2048);
    };
    const auto a = response(8191), b = response(8192);
    EXPECT_EQ(a, b);
    EXPECT_NE(a[2047], 0);
}

TEST(EqualizerFilter, SeekStartsItsBlocksAtTheNewPosition) {
    std::vector<std::int32_t> s(30000);
    for (int i = 0; i < 30000; ++i) s[static_cast<std::size_t>(i)] = (i * 7919) % 20001 - 10000;
    const EqualizerTaps taps = LEqualizerEffect(BassBoost()).TapsAt(44100);
    Ref<LAudioReader> r = MakeRef<LEqualizerFilter>(MakeRef<test::VectorReader>(s, 1), taps);
    const auto whole = Pull(r, 30000);
    r->Seek(12000);
    EXPECT_EQ(r->Position(), 12000);
    const auto tail = Pull(r, 5000);
    // Small samples need no shift, so blocks counted from 12,000 give the same sums.
    EXPECT_EQ(tail, std::vector<std::int32_t>(whole.begin() + 12000, whole.begin() + 17000));
}

TEST(EqualizerFilter, FlatCurveLeavesTheSoundUnchanged) {
    auto input = MakeRef<test::VectorReader>(std::vector<std::int32_t>{1, 2, 3}, 1);
    Ref<LAudioReader> in(input);
    EXPECT_EQ(LEqualizerEffect(FlatCurve()).CreateProcessor(in), in);
    // And the filter itself with unity taps passes any sample through.
    std::vector<std::int32_t> s{524272, -524272, 272, -16, 0, 99984};
    EqualizerTaps unity{};
    unity[0] = kEqualizerUnityTap;
    Ref<LAudioReader> r = MakeRef<LEqualizerFilter>(MakeRef<test::VectorReader>(s, 1), unity);
    const auto out = Pull(r, 6);
    // 16-bit material loses nothing to the headroom shift.
    EXPECT_EQ(out, s);
}

}  // namespace
}  // namespace sv
