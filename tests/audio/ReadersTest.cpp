#include "audio/LevelMeter.h"
#include "audio/LoopReader.h"
#include "audio/ShuttleReader.h"
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sv {
namespace {

using test::PatternReader;

std::vector<std::int32_t> ReadAll(LAudioReader& r, std::int32_t frames) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r.channels);
    r.Read(out.data(), frames);
    return out;
}

TEST(LevelByte, SilenceIsMinus127AndFullScaleSquareIsPlus15) {
    std::vector<std::int32_t> silence(100, 0);
    EXPECT_EQ(ChannelLevel(silence.data(), 100, 1, 0), -127);
    // (524272 >> 5)^2 = 268,402,689 = 32 x 8,388,626 -> 15.05 dB -> 15.
    std::vector<std::int32_t> square(8192);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = i % 2 ? kFullScale16 : -kFullScale16;
    EXPECT_EQ(ChannelLevel(square.data(), 8192, 1, 0), 15);
    // (2896 * 32 >> 5)^2 = 8,386,816, just under the reference: -0.0009 dB rounds to 0.
    std::vector<std::int32_t> ref(10, 2896 * 32);
    EXPECT_EQ(ChannelLevel(ref.data(), 10, 1, 0), 0);
    // Squares are summed in steps of 8,192: 91^2 = 8,281 counts as 8,192 -> -30.1 dB -> -30,
    // while one square of 90^2 = 8,100 counts as nothing; four of them add up to 3 x 8,192.
    std::vector<std::int32_t> quiet(4, 91 * 32);
    EXPECT_EQ(ChannelLevel(quiet.data(), 4, 1, 0), -30);
    std::vector<std::int32_t> quieter(4, 90 * 32);
    EXPECT_EQ(ChannelLevel(quieter.data(), 1, 1, 0), -127);
    EXPECT_EQ(ChannelLevel(quieter.data(), 4, 1, 0), -31);  // m = 6,144
}

TEST(LevelByte, ChannelsAreTakenEveryChannelthSample) {
    std::vector<std::int32_t> stereo;
    for (int i = 0; i < 50; ++i) {
        stereo.push_back(0);
        stereo.push_back(kFullScale16);
    }
    EXPECT_EQ(ChannelLevel(stereo.data(), 50, 2, 0), -127);
    EXPECT_EQ(ChannelLevel(stereo.data(), 50, 2, 1), 15);
}

TEST(LoopReader, WrapsToTheLoopStartAndNeverEnds) {
    // 1000 ms to 1500 ms at 1000 Hz: frames 1000..1499, the first pass from 1400.
    Ref<LAudioReader> inner(new PatternReader(5000, 1000, 1));
    inner->Seek(1400);
    LLoopReader* loop = new LLoopReader(inner, 1000, 1500);
    Ref<LAudioReader> hold(loop);
    EXPECT_EQ(loop->Length(), INT32_MAX);
    const auto got = ReadAll(*loop, 1100);
    std::vector<std::int32_t> want;
    for (int f = 1400; f < 1500; ++f) want.push_back(PatternReader::Sample(f, 0, 1));
    for (int pass = 0; pass < 2; ++pass)
        for (int f = 1000; f < 1500; ++f) want.push_back(PatternReader::Sample(f, 0, 1));
    EXPECT_EQ(got, want);
}

TEST(LoopReader, ARangeShorterThan256FramesLoops256Frames) {
    Ref<LAudioReader> inner(new PatternReader(10000, 1000, 1));
    inner->Seek(0);
    Ref<LAudioReader> loop(new LLoopReader(inner, 0, 10));  // 10 frames asked
    std::vector<std::int32_t> got = ReadAll(*loop, 10 + 256 + 5);
    // First pass 0..9, then 256 frames 0..255, then again from 0.
    EXPECT_EQ(got[10 + 255], PatternReader::Sample(255, 0, 1));
    EXPECT_EQ(got[10 + 256], PatternReader::Sample(0, 0, 1));
    EXPECT_EQ(got[10 + 260], PatternReader::Sample(4, 0, 1));
}

TEST(RangeReader, EndsAtItsFrame) {
    Ref<LAudioReader> inner(new PatternReader(1000, 8000, 2));
    Ref<LAudioReader> range(new LRangeReader(inner, 300));
    range->Seek(100);
    EXPECT_EQ(range->Length(), 300);
    EXPECT_EQ(range->Position(), 100);
}

TEST(ShuttleReader, GrainWindowAndRampFollowTheirRules) {
    // 44,100 Hz: G = 490; window 1.0 for 245 entries, then a raised cosine from 1.0.
    Ref<LAudioReader> inner(new PatternReader(441000, 44100, 1));
    LShuttleReader* s = new LShuttleReader(inner, 0.5, 7.0, 8000);
    Ref<LAudioReader> hold(s);
    EXPECT_EQ(s->GrainFrames(), 490);
    EXPECT_EQ(s->Window(0), 16777216);
    EXPECT_EQ(s->Window(244), 16777216);
    EXPECT_EQ(s->Window(245), 16777216);  // cos(0)
    EXPECT_NEAR(s->Window(245 + 122), 8388608 + 8388608 * std::cos(3.14159265358979 * 122 / 245), 1);
    EXPECT_EQ(s->Jump(), 245);
    // After one grain: 245 + (3430 - 245) * 490 / 352800 = 245 + 4 (truncated).
    ReadAll(*s, 491);
    EXPECT_EQ(s->Jump(), 249);
    // 8000 ms of ramp is 720 grains; the jump then equals the target.
    for (int g = 0; g < 720; ++g) ReadAll(*s, 490);
    EXPECT_EQ(s->Jump(), 3430);
}

TEST(ShuttleReader, GrainsPlayForwardsWhileJumpingAndTheFirstHalfIsUntouched) {
    Ref<LAudioReader> inner(new PatternReader(441000, 9000, 1));  // G = 100
    inner->Seek(5000);
    Ref<LAudioReader> s(new LShuttleReader(inner, -2.0, -2.0, 0));
    const auto got = ReadAll(*s, 300);
    // Grain 1 starts at 5000, grain 2 at 4800, grain 3 at 4600; each plays alone for 50 frames.
    for (int k = 0; k < 50; ++k) {
        EXPECT_EQ(got[static_cast<std::size_t>(k)], PatternReader::Sample(5000 + k, 0, 1));
        EXPECT_EQ(got[static_cast<std::size_t>(100 + k)], PatternReader::Sample(4800 + k, 0, 1));
        EXPECT_EQ(got[static_cast<std::size_t>(200 + k)], PatternReader::Sample(4600 + k, 0, 1));
    }
    // Backwards the length is twice the position, so the player ends at frame 0.
    EXPECT_EQ(s->Position(), 4700);  // the end of the third grain
    EXPECT_EQ(s->Length(), 9400);
}

TEST(ShuttleReader, BackwardsReachesTheStartAndEnds) {
    Ref<LAudioReader> inner(new PatternReader(441000, 9000, 1));
    inner->Seek(1000);
    Ref<LAudioReader> s(new LShuttleReader(inner, -3.0, -3.0, 0));
    int reads = 0;
    std::vector<std::int32_t> buf(100);
    while (s->Length() - s->Position() > 0 && reads < 100) {
        s->Read(buf.data(), 100);
        ++reads;
    }
    EXPECT_EQ(reads, 5);  // grains at 1000, 700, 400, 100 and -200
    EXPECT_LE(s->Position(), 0);
}

}  // namespace
}  // namespace sv
