#include "core/SegmentOps.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>

namespace sv {
namespace {

class SegmentOpsTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    BlockStore store{dir.path()};

    // Every frame of the sound as the reader sees it, in ramp units (sample / 16).
    std::vector<std::int32_t> Frames(const LAudioData& sound) {
        std::vector<std::int32_t> v = test::ReadFrames(sound, 0, sound.Length());
        for (auto& x : v) x /= 16;
        return v;
    }
    static std::vector<std::int32_t> Range(std::int32_t a, std::int32_t b) {
        std::vector<std::int32_t> v;
        for (std::int32_t k = a; k < b; ++k) v.push_back(k);
        return v;
    }
    static std::vector<std::int32_t> Zeros(std::int32_t n) { return std::vector<std::int32_t>(n, 0); }
    static std::vector<std::int32_t> Cat(std::initializer_list<std::vector<std::int32_t>> parts) {
        std::vector<std::int32_t> v;
        for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
        return v;
    }
};

TEST_F(SegmentOpsTest, DeleteRangeIgnoresReversedAndWhollyNegativeRanges) {
    LAudioData s = test::MakeRamp(store, 20);
    DeleteRange(s, 10, 5);
    DeleteRange(s, -10, -1);
    EXPECT_EQ(Frames(s), Range(0, 20));
    DeleteRange(s, -10, 5);  // the start is raised to 0
    EXPECT_EQ(Frames(s), Range(5, 20));
}

TEST_F(SegmentOpsTest, DeleteRangeSplitsTrimsAndSpansSegments) {
    LAudioData s = test::MakeRamp(store, 100);
    DeleteRange(s, 10, 20);  // split in the middle
    ASSERT_EQ(s.Segments().size(), 2u);
    EXPECT_EQ(store.Count(0), 2);
    EXPECT_EQ(Frames(s), Cat({Range(0, 10), Range(20, 100)}));
    DeleteRange(s, 5, 15);  // across the boundary
    EXPECT_EQ(Frames(s), Cat({Range(0, 5), Range(25, 100)}));
    DeleteRange(s, 0, 5);  // a whole segment goes and releases its reference
    EXPECT_EQ(s.Segments().size(), 1u);
    EXPECT_EQ(store.Count(0), 1);
    EXPECT_EQ(Frames(s), Range(25, 100));
    DeleteRange(s, 70, 1000);  // past the end
    EXPECT_EQ(Frames(s), Range(25, 95));
}

TEST_F(SegmentOpsTest, InsertIntoTheMiddleLeavesHeadCopyAndTail) {
    LAudioData dest = test::MakeRamp(store, 100);
    LAudioData src = test::MakeSound(store, std::vector<std::int32_t>(5, 16 * 1000));
    Insert(dest, 40, src);
    ASSERT_EQ(dest.Segments().size(), 3u);
    EXPECT_EQ(store.Count(0), 2);  // head and tail share the split block
    EXPECT_EQ(store.Count(1), 2);  // src and its copy
    EXPECT_EQ(Frames(dest), Cat({Range(0, 40), std::vector<std::int32_t>(5, 1000), Range(40, 100)}));
}

TEST_F(SegmentOpsTest, InsertPastTheEndPadsWithSilence) {
    LAudioData dest = test::MakeRamp(store, 600);
    LAudioData src = test::MakeRamp(store, 3);
    Insert(dest, 1000, src);
    EXPECT_EQ(dest.Length(), 1003);
    EXPECT_EQ(Frames(dest), Cat({Range(0, 600), Zeros(400), Range(0, 3)}));
    LAudioData empty;
    Insert(empty, 10, src);
    EXPECT_EQ(Frames(empty), Cat({Zeros(10), Range(0, 3)}));
}

TEST_F(SegmentOpsTest, InsertAtNegativePositionPutsSilenceBetweenCopyAndDest) {
    LAudioData dest = test::MakeRamp(store, 4);
    LAudioData src = test::MakeSound(store, {16 * 9, 16 * 9});
    Insert(dest, -3, src);
    EXPECT_EQ(Frames(dest), Cat({{9, 9}, Zeros(3), Range(0, 4)}));
    LAudioData empty;
    Insert(empty, -3, src);
    EXPECT_EQ(Frames(empty), (std::vector<std::int32_t>{9, 9}));
}

TEST_F(SegmentOpsTest, InsertAtABoundaryGoesBeforeThatSegment) {
    LAudioData dest = test::MakeRamp(store, 10);
    DeleteRange(dest, 5, 6);  // segments of 5 and 4 frames
    LAudioData src = test::MakeSound(store, {16 * 77});
    Insert(dest, 5, src);
    EXPECT_EQ(dest.Segments().size(), 3u);
    EXPECT_EQ(Frames(dest), Cat({Range(0, 5), {77}, Range(6, 10)}));
}

TEST_F(SegmentOpsTest, InsertSilenceClampsNegativePositions) {
    LAudioData s = test::MakeRamp(store, 10);
    InsertSilence(s, -30, 100);
    EXPECT_EQ(Frames(s), Cat({Zeros(70), Range(0, 10)}));
    InsertSilence(s, -300, 100);
    EXPECT_EQ(s.Length(), 80);
    InsertSilence(s, 85, 5);  // past the end: the gap is silent too
    EXPECT_EQ(s.Length(), 90);
    InsertSilence(s, 75, 0);
    EXPECT_EQ(s.Length(), 90);
}

TEST_F(SegmentOpsTest, CopyRangePadsBothEnds) {
    LAudioData src = test::MakeRamp(store, 80);
    LAudioData dest = test::MakeRamp(store, 5);
    CopyRange(dest, src, -50, 100);
    EXPECT_EQ(dest.Length(), 150);
    EXPECT_EQ(Frames(dest), Cat({Zeros(50), Range(0, 80), Zeros(20)}));
    EXPECT_EQ(store.Count(1), 0);  // dest's old block was released
    CopyRange(dest, src, 10, 5);   // reversed: dest unchanged
    EXPECT_EQ(dest.Length(), 150);
}

TEST_F(SegmentOpsTest, CutCropAndTrims) {
    LAudioData s = test::MakeRamp(store, 100);
    LAudioData clip;
    CutRange(clip, s, 10, 30);
    EXPECT_EQ(Frames(clip), Range(10, 30));
    EXPECT_EQ(Frames(s), Cat({Range(0, 10), Range(30, 100)}));
    Crop(s, 5, 15);
    EXPECT_EQ(Frames(s), Cat({Range(5, 10), Range(30, 35)}));
    TrimStart(s, 2);
    TrimEnd(s, 6);
    EXPECT_EQ(Frames(s), Cat({Range(7, 10), Range(30, 33)}));
    TrimStart(s, -4);
    EXPECT_EQ(s.Length(), 6);
}

TEST_F(SegmentOpsTest, ReplaceAndRepeat) {
    LAudioData s = test::MakeRamp(store, 10);
    LAudioData src = test::MakeSound(store, {16 * 50});
    ReplaceRange(s, 2, 8, src);
    EXPECT_EQ(Frames(s), Cat({Range(0, 2), {50}, Range(8, 10)}));
    LAudioData r = test::MakeRamp(store, 6);
    Repeat(r, 1, 3, 2);
    EXPECT_EQ(Frames(r), Cat({{0}, {1, 2}, {1, 2}, {1, 2}, Range(3, 6)}));
}

TEST_F(SegmentOpsTest, ScaleRangeMultipliesGainsAndSaturates) {
    LAudioData s = test::MakeRamp(store, 10);
    ScaleRange(s, 0, 10, 200);
    EXPECT_EQ(s.Segments()[0].gain, 33554432);
    LAudioData t = test::MakeRamp(store, 10);
    ScaleRange(t, 0, 10, 100);  // nothing at all
    EXPECT_EQ(t.Segments().size(), 1u);
    LAudioData u = test::MakeRamp(store, 10);
    ScaleRange(u, 0, 10, 75);
    ScaleRange(u, 0, 10, 150000);
    EXPECT_EQ(u.Segments()[0].gain, INT_MAX);
    LAudioData v = test::MakeRamp(store, 10);
    ScaleRange(v, 2, 4, 0);
    EXPECT_EQ(Frames(v), Cat({{0, 1}, {0, 0}, Range(4, 10)}));
}

TEST_F(SegmentOpsTest, ScaleRangeSaturatesAHugeGain) {
    LAudioData s = test::MakeRamp(store, 10);
    ScaleRange(s, 0, 10, 11920);  // 16,777,216 * 11,920 / 100 = 1,999,844,147
    ASSERT_EQ(s.Segments()[0].gain, 1999844147);
    ScaleRange(s, 0, 10, 150);
    EXPECT_EQ(s.Segments()[0].gain, 2147483647);
}

TEST_F(SegmentOpsTest, ExtremeArgumentsNeitherCrashNorOverflow) {
    // Run under the sanitizers: no signed overflow, no out-of-range access, lengths saturate.
    LAudioData s = test::MakeRamp(store, 10);
    LAudioData d;
    CopyRange(d, s, INT_MIN, INT_MAX);
    EXPECT_EQ(d.Length(), INT_MAX);
    DeleteRange(d, INT_MIN, INT_MAX);
    InsertSilence(s, INT_MAX, 100);
    EXPECT_EQ(s.Length(), INT_MAX);
    Insert(s, INT_MIN, s);
    DeleteRange(s, 0, INT_MAX);
    Repeat(s, 0, 0, 3);
    ScaleRange(s, 0, 5, INT_MIN);
    LAudioData r = test::MakeRamp(store, 4);
    ScaleRange(r, 0, 4, -100);  // a negative percentage inverts
    EXPECT_EQ(test::ReadFrames(r, 3, 1)[0], -3 * 16);
}

TEST_F(SegmentOpsTest, SegmentOperationsWriteNoSamples) {
    LAudioData s = test::MakeRamp(store, 1000);
    LAudioData other = test::MakeRamp(store, 50);
    auto before = dir.List();
    LAudioData clip;
    CutRange(clip, s, 100, 200);
    Insert(s, 500, clip);
    Insert(s, 10, other);
    Repeat(s, 0, 300, 5);
    ScaleRange(s, 0, 2000, 120);
    InsertSilence(s, 40, 4000);
    Crop(s, 10, 3000);
    EXPECT_EQ(dir.List(), before);
}

}  // namespace
}  // namespace sv
