// The output limiter: every sample within the ceiling, quiet material untouched, peaks met by
// a gain that glides down ahead of them.
#include "EffectTestFixture.h"
#include "effects/OutputLimiter.h"

#include <cmath>
#include <cstdlib>

namespace sv::test {
namespace {

std::vector<std::int32_t> ReadThrough(LAudioReader& r, std::int32_t frames, std::int32_t piece = 1000) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r.channels);
    for (std::int32_t at = 0; at < frames; at += piece)
        r.Read(out.data() + static_cast<std::size_t>(at) * r.channels, std::min(piece, frames - at));
    return out;
}

TEST(OutputLimiterTest, MaterialWithinTheCeilingPassesBitForBit) {
    std::vector<std::int32_t> s(20000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>((i * 7919) % 0xFFFE1) - 0x7FFF0;
    s[500] = 0x7FFF0;
    s[501] = -0x7FFF0;
    auto source = MakeRef<VectorReader>(s, 2);
    source->fullScale = 0x7FFFFF;
    Ref<LOutputLimiter> limiter = MakeRef<LOutputLimiter>(source);
    EXPECT_EQ(limiter->fullScale, 0x7FFF0);
    EXPECT_EQ(ReadThrough(*limiter, 10000, 777), s);
    EXPECT_EQ(limiter->Position(), 10000);
    EXPECT_EQ(limiter->Length(), 10000);
}

TEST(OutputLimiterTest, PeaksAreLimitedSmoothlyAndTheRestIsLeftAlone) {
    // A 1 kHz tone at 60 % of 16-bit full scale with a burst at four times full scale.
    const std::int32_t n = 44100;
    std::vector<std::int32_t> s(n);
    for (std::int32_t i = 0; i < n; ++i) {
        double v = 0.6 * 0x7FFF0 * std::sin(2 * 3.14159265358979 * 1000 * i / 44100.0);
        if (i >= 20000 && i < 20400) v *= 6.7;
        s[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
    }
    auto source = MakeRef<VectorReader>(s, 1);
    source->fullScale = 0x7FFFFF;
    Ref<LOutputLimiter> limiter = MakeRef<LOutputLimiter>(source);
    std::vector<std::int32_t> out = ReadThrough(*limiter, n, 8192);
    std::int32_t loudest = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t o = out[static_cast<std::size_t>(i)], x = s[static_cast<std::size_t>(i)];
        ASSERT_LE(o, 0x7FFF0) << i;
        ASSERT_GE(o, -0x80000) << i;
        ASSERT_LE(std::abs(o), std::abs(x) + 1) << i;  // never louder than the input
        ASSERT_TRUE(o == 0 || (o > 0) == (x > 0)) << i;  // nor turned over
        loudest = std::max(loudest, std::abs(o));
        // Before the look-ahead reaches the burst nothing changes.
        if (i < 20000 - LOutputLimiter::kLookAhead) {
            ASSERT_EQ(o, x) << i;
        }
    }
    EXPECT_GT(loudest, 0x7FFF0 * 9 / 10);
    // After the burst the gain recovers: a second later the tone is back within 1 %.
    for (std::int32_t i = n - 100; i < n; ++i) EXPECT_NEAR(out[static_cast<std::size_t>(i)], s[static_cast<std::size_t>(i)], 0x7FFF0 / 100);
}

TEST(OutputLimiterTest, OnlySamplesTheTargetCannotHoldAreTouched) {
    // -32768 and 32767 are 16-bit values: a loud 16-bit file passes the save path unchanged.
    std::vector<std::int32_t> s(5000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = (i % 3 == 0) ? -0x80000 : (i % 3 == 1) ? 0x7FFF0 : -0x7FFF0;
    auto source = MakeRef<VectorReader>(s, 1);
    source->fullScale = 0x200000;
    Ref<LOutputLimiter> limiter = MakeRef<LOutputLimiter>(source);
    EXPECT_EQ(ReadThrough(*limiter, 5000, 1234), s);

    // One step beyond either end is limited, to the end it passed.
    std::vector<std::int32_t> t(400, 0);
    t[200] = -0x80000 - 1;
    t[300] = 0x7FFF0 + 1;
    auto past = MakeRef<VectorReader>(t, 1);
    past->fullScale = 0x200000;
    Ref<LOutputLimiter> limited = MakeRef<LOutputLimiter>(past);
    std::vector<std::int32_t> out = ReadThrough(*limited, 400);
    EXPECT_EQ(out[200], -0x80000);
    EXPECT_EQ(out[300], 0x7FFF0);

    // A 24-bit target's range: 0x7FFFF passes.
    std::vector<std::int32_t> u(300, 0x7FFFF);
    auto wide = MakeRef<VectorReader>(u, 1);
    wide->fullScale = 0x200000;
    Ref<LOutputLimiter> wider = MakeRef<LOutputLimiter>(wide, 0x7FFFF, -0x80000);
    EXPECT_EQ(ReadThrough(*wider, 300), u);
}

TEST(OutputLimiterTest, SeekStartsAgainWithFreshLookAhead) {
    std::vector<std::int32_t> s(3000, 100);
    s[2500] = 0x1000000;
    auto source = MakeRef<VectorReader>(s, 1);
    source->fullScale = 0x1000000;
    Ref<LOutputLimiter> limiter = MakeRef<LOutputLimiter>(source);
    limiter->Seek(2490);
    std::vector<std::int32_t> out(20);
    limiter->Read(out.data(), 20);
    EXPECT_EQ(limiter->Position(), 2510);
    EXPECT_EQ(out[10], 0x7FFF0);
    EXPECT_LT(out[0], 100);  // already gliding down towards the peak
}

}  // namespace
}  // namespace sv::test
