// The waveform's pure model: view arithmetic, frame/column mapping, the column cache and the
// two ways of computing columns.
#include "core/BlockReader.h"
#include "core/SegmentOps.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "views/TimeRuler.h"
#include "views/ViewCommands.h"
#include "views/WaveColumns.h"
#include "views/WaveDrawThread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

namespace sv {
namespace {

using test::MakeSound;

class WaveModelTest : public ::testing::Test {
protected:
    LAudioData Make(std::int32_t frames, std::uint8_t channels, std::function<std::int32_t(int, int)> f) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (int k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = f(k, c);
        return MakeSound(store, s, channels);
    }
    struct Columns {
        std::vector<std::uint8_t> top, bottom;
    };
    Columns FromSamples(const LAudioData& sound, const WaveGeometry& g, int mode = 0, bool vzoom = false) {
        Columns c{std::vector<std::uint8_t>(static_cast<std::size_t>(g.width)),
                  std::vector<std::uint8_t>(static_cast<std::size_t>(g.width))};
        Ref<LBlockReader> r = LBlockReader::Create(sound);
        EXPECT_TRUE(ComputeColumnsFromSamples(*r, {sound.channels, mode, vzoom}, g, 0, g.width, c.top.data(),
                                              c.bottom.data()));
        return c;
    }
    Columns FromPeaks(const LAudioData& sound, const WaveGeometry& g, int mode = 0, bool vzoom = false) {
        Columns c{std::vector<std::uint8_t>(static_cast<std::size_t>(g.width)),
                  std::vector<std::uint8_t>(static_cast<std::size_t>(g.width))};
        EXPECT_TRUE(ComputeColumnsFromPeaks(sound, {sound.channels, mode, vzoom}, g, 0, g.width, c.top.data(),
                                            c.bottom.data()));
        return c;
    }

    test::TempFolder folder;
    BlockStore store{folder.path() + "/blocks"};
};

// A sine whose amplitude grows along the sound, different on each channel.
std::int32_t Wobble(int k, int c) {
    const double amp = 524272.0 * (0.1 + 0.9 * (k % 40000) / 40000.0) * (c == 0 ? 1.0 : 0.5);
    return static_cast<std::int32_t>(amp * std::sin(k * (c == 0 ? 0.013 : 0.031)));
}

TEST(ViewArithmeticTest, ZoomInHalvesButNeverBelow100FramesAndCentresOnTheCursor) {
    test::TempFolder f;
    BlockStore store(f.path());
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, "t");
    doc->sound = test::MakeRamp(store, 10000);
    doc->viewStart = 1000;
    doc->viewEnd = 1150;
    doc->cursor = 1100;
    ZoomIn(*doc);
    EXPECT_EQ(doc->viewStart, 1050);
    EXPECT_EQ(doc->viewEnd, 1150);  // 100 frames, not 75
    doc->SetView(0, 8000);
    doc->cursor = 5000;
    ZoomIn(*doc);
    EXPECT_EQ(doc->viewStart, 3000);
    EXPECT_EQ(doc->viewEnd, 7000);
    doc->cursor = 10;  // near the start the view starts at 0
    ZoomIn(*doc);
    EXPECT_EQ(doc->viewStart, 0);
    EXPECT_EQ(doc->viewEnd, 2000);
}

TEST(ViewArithmeticTest, ZoomOutStaysInsideTheSound) {
    test::TempFolder f;
    BlockStore store(f.path());
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeRamp(store, 10000), "t");
    doc->SetView(100, 1100);
    ZoomOut(*doc);  // 2000 frames starting 500 earlier: clamped at 0
    EXPECT_EQ(doc->viewStart, 0);
    EXPECT_EQ(doc->viewEnd, 2000);
    doc->SetView(6000, 9000);
    ZoomOut(*doc);  // 6000 frames from 6000 - 1500, the end lowered to the length
    EXPECT_EQ(doc->viewStart, 4500);
    EXPECT_EQ(doc->viewEnd, 10000);
    ZoomOut(*doc);  // 11,000 capped at 10,000 from 4500 - 2500
    EXPECT_EQ(doc->viewStart, 2000);
    EXPECT_EQ(doc->viewEnd, 10000);
    ZoomMaximum(*doc);
    EXPECT_EQ(doc->viewStart, 0);
    EXPECT_EQ(doc->viewEnd, 10000);
    doc->SetSelection(300, 700, 300);
    ZoomToSelection(*doc);
    EXPECT_EQ(doc->viewStart, 300);
    EXPECT_EQ(doc->viewEnd, 700);
}

TEST(ViewArithmeticTest, AnEmptySoundShowsOneSecondAndAnEditedViewIsBroughtInside) {
    Ref<LAudioDocument> empty = LAudioDocument::CreateEmpty(22050, 2, "t");
    EXPECT_EQ(MainViewRange(*empty).start, 0);
    EXPECT_EQ(MainViewRange(*empty).length, 22050);
    EXPECT_EQ(OverviewRange(*empty).length, 22050);
    ZoomMaximum(*empty);  // nothing to show: the view stays
    EXPECT_EQ(empty->viewEnd, 0);

    test::TempFolder f;
    BlockStore store(f.path());
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeRamp(store, 5000), "t");
    doc->viewStart = 2000;
    doc->viewEnd = 9000;  // the sound was shortened by an edit
    FrameRange r = MainViewRange(*doc);
    EXPECT_EQ(r.start, 2000);
    EXPECT_EQ(r.length, 3000);
    doc->viewStart = 6000;
    doc->viewEnd = 9000;
    r = MainViewRange(*doc);
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.length, 5000);
}

TEST(WaveGeometryTest, AColumnsFirstFrameMapsBackToItAndTheThresholdIs256FramesPerColumn) {
    for (std::int32_t length : {333, 999, 44100, 1234567}) {
        WaveGeometry g{500, length, 333};
        for (int col = 0; col <= 333; ++col) {
            const std::int64_t f = g.ColumnToFrame(col);
            EXPECT_EQ(g.FrameToColumn(f), col) << length << " " << col;
            if (f > g.start) {
                EXPECT_LT(g.FrameToColumn(f - 1), col);
            }
        }
    }
    EXPECT_FALSE((WaveGeometry{0, 256 * 400, 400}.UsesPeakFiles()));
    EXPECT_TRUE((WaveGeometry{0, 256 * 400 + 1, 400}.UsesPeakFiles()));
    // Narrower than 8 columns the scale still counts 8.
    EXPECT_EQ((WaveGeometry{0, 80, 4}.FrameToColumn(10)), 1);
}

TEST(ColumnCacheTest, ScrollingKeepsTheColumnsOnShowAndAsksOnlyForTheExposedOnes) {
    ColumnCache cache;
    ColumnCache::Update up = cache.SetView(0, 1000, 100);  // 10 frames per column
    EXPECT_TRUE(up.full);
    EXPECT_EQ(up.x1, 100);
    for (int i = 0; i < 100; ++i) cache.top[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    up = cache.SetView(100, 1000, 100);  // 10 columns forwards
    EXPECT_FALSE(up.full);
    EXPECT_EQ(up.shift, 10);
    EXPECT_EQ(up.x0, 89);
    EXPECT_EQ(up.x1, 100);
    EXPECT_EQ(cache.top[0], 10);
    EXPECT_EQ(cache.top[88], 98);
    up = cache.SetView(50, 1000, 100);  // 5 columns backwards
    EXPECT_EQ(up.shift, -5);
    EXPECT_EQ(up.x0, 0);
    EXPECT_EQ(up.x1, 6);
    EXPECT_EQ(cache.top[5], 10);
    EXPECT_TRUE(cache.SetView(5000, 1000, 100).full);  // a screen or more away
    EXPECT_TRUE(cache.SetView(5000, 2000, 100).full);  // another length
    up = cache.SetView(5000, 2000, 100);
    EXPECT_EQ(up.x1 - up.x0, 0);  // nothing moved, nothing to compute
}

TEST_F(WaveModelTest, SampleColumnsTakePeaksShiftedBy11OrBy8WithVerticalZoomCappedAt255) {
    // Column 0 a full-scale square, column 1 an eighth of it, column 2 positive only.
    LAudioData sound = Make(300, 1, [](int k, int) {
        if (k < 100) return (k & 1) ? 524272 : -524272;
        if (k < 200) return (k & 1) ? 65534 : -65534;
        return 40960;
    });
    // Fewer than 8 columns still count 8: 100 frames per column, columns 3 to 7 past the end.
    WaveGeometry g{0, 800, 8};
    Columns c = FromSamples(sound, g);
    EXPECT_EQ(c.top, (std::vector<std::uint8_t>{255, 31, 20, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.bottom, (std::vector<std::uint8_t>{255, 31, 0, 0, 0, 0, 0, 0}));
    Columns z = FromSamples(sound, g, 0, true);
    EXPECT_EQ(z.top, (std::vector<std::uint8_t>{255, 255, 160, 0, 0, 0, 0, 0}));
    EXPECT_EQ(z.bottom, (std::vector<std::uint8_t>{255, 255, 0, 0, 0, 0, 0, 0}));
    Columns beyond = FromSamples(sound, WaveGeometry{250, 800, 8});
    EXPECT_EQ(beyond.top, (std::vector<std::uint8_t>{20, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(WaveModelTest, StereoModes1And2SplitTheChannelsAndMonoDrawsLikeMode0) {
    // Left: +200,000 / -400,000; right: +100,000 only.
    LAudioData stereo = Make(512, 2, [](int k, int c) { return c == 0 ? ((k & 1) ? 200000 : -400000) : 100000; });
    WaveGeometry g{0, 512, 2};
    Columns m0 = FromSamples(stereo, g, 0);
    EXPECT_EQ(m0.top[0], 200000 >> 11);
    EXPECT_EQ(m0.bottom[0], 400000 >> 11);
    for (int mode : {1, 2}) {
        Columns m = FromSamples(stereo, g, mode);
        EXPECT_EQ(m.top[0], 400000 >> 11);
        EXPECT_EQ(m.bottom[0], 100000 >> 11);
        Columns p = FromPeaks(stereo, g, mode);
        EXPECT_EQ(p.top, m.top);
        EXPECT_EQ(p.bottom, m.bottom);
    }
    LAudioData mono = Make(512, 1, [](int k, int) { return (k & 1) ? 200000 : -400000; });
    Columns mono0 = FromSamples(mono, g, 0);
    for (int mode : {1, 2}) {
        EXPECT_EQ(FromSamples(mono, g, mode).top, mono0.top);
        EXPECT_EQ(FromSamples(mono, g, mode).bottom, mono0.bottom);
        EXPECT_EQ(FromPeaks(mono, g, mode).bottom, mono0.bottom);
    }
}

TEST_F(WaveModelTest, PeakFileColumnsAgreeWithSampleColumnsOnGroupAlignedColumns) {
    for (std::uint8_t channels : {1, 2}) {
        LAudioData sound = Make(200000, channels, Wobble);
        for (int mode : {0, 1}) {
            for (bool vzoom : {false, true}) {
                // 1024 frames per column: whole peak groups.
                WaveGeometry g{512, 1024 * 190, 190};
                Columns s = FromSamples(sound, g, mode, vzoom);
                Columns p = FromPeaks(sound, g, mode, vzoom);
                if (!vzoom) {
                    EXPECT_EQ(p.top, s.top);
                    EXPECT_EQ(p.bottom, s.bottom);
                } else {
                    // Peak bytes were shifted by 11 before the zoom: within 8 of the samples'.
                    for (std::size_t i = 0; i < s.top.size(); ++i) {
                        EXPECT_NEAR(p.top[i], s.top[i], 7) << i;
                        EXPECT_NEAR(p.bottom[i], s.bottom[i], 7) << i;
                    }
                }
            }
        }
    }
}

TEST_F(WaveModelTest, PeakColumnsFollowSegmentsOffsetsSilenceAndGain) {
    LAudioData sound = Make(4096, 1, [](int k, int) { return k < 2048 ? 100000 : -300000; });
    // Keep frames 1024..3072 (half of each level), then 2048 frames of silence.
    Crop(sound, 1024, 3072);
    InsertSilence(sound, 2048, 2048);
    WaveGeometry g{0, 4096, 8};  // 512 frames per column
    Columns p = FromPeaks(sound, g);
    Columns s = FromSamples(sound, g);
    EXPECT_EQ(p.top, (std::vector<std::uint8_t>{48, 48, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.bottom, (std::vector<std::uint8_t>{0, 0, 146, 146, 0, 0, 0, 0}));
    EXPECT_EQ(p.top, s.top);
    EXPECT_EQ(p.bottom, s.bottom);
    // Segments at half gain show half the peaks, as their samples do.
    ScaleRange(sound, 0, 2048, 50);
    Columns half = FromPeaks(sound, g);
    Columns halfSamples = FromSamples(sound, g);
    EXPECT_EQ(half.top[0], 24);
    EXPECT_EQ(half.bottom[2], 73);
    EXPECT_EQ(half.top, halfSamples.top);
    EXPECT_EQ(half.bottom, halfSamples.bottom);
}

TEST_F(WaveModelTest, AViewOf256FramesPerColumnReadsSamplesAndOneFrameMoreReadsPeakFiles) {
    LAudioData sound = Make(256 * 64 + 1000, 1, [](int, int) { return 300000; });
    // Emptying the sample file leaves only the peak file to tell that there is sound.
    std::ofstream(store.SampleFilePath(sound.Segments()[0].block), std::ios::trunc).close();
    int rendered = 0;
    WaveDrawThread thread([&](int, int, int) { ++rendered; });
    thread.Attach(sound, 0, false);
    thread.Request(0, 256 * 64, 64);
    ASSERT_TRUE(thread.WaitIdle(5000));
    {
        std::lock_guard<std::mutex> lock(thread.DisplayLock());
        EXPECT_EQ(thread.Cache().top[10], 0);  // from the (now silent) samples
    }
    thread.Request(0, 256 * 64 + 1, 64);
    ASSERT_TRUE(thread.WaitIdle(5000));
    {
        std::lock_guard<std::mutex> lock(thread.DisplayLock());
        EXPECT_EQ(thread.Cache().top[10], 300000 >> 11);  // from the peak file
    }
    EXPECT_EQ(rendered, 2);
}

TEST_F(WaveModelTest, TheDrawingThreadRendersOnlyTheLatestRequestAndScrollsByMovingColumns) {
    LAudioData sound = Make(100000, 1, [](int k, int) { return (k / 1000) * 5000; });
    std::vector<std::array<int, 3>> ready;
    std::mutex m;
    WaveDrawThread thread([&](int x0, int x1, int shift) {
        std::lock_guard<std::mutex> lock(m);
        ready.push_back({x0, x1, shift});
    });
    thread.Attach(sound, 0, false);
    thread.Request(0, 10000, 100);
    ASSERT_TRUE(thread.WaitIdle(5000));
    thread.Request(2000, 10000, 100);  // 20 columns forwards
    ASSERT_TRUE(thread.WaitIdle(5000));
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(ready.size(), 2u);
    EXPECT_EQ(ready[1], (std::array<int, 3>{79, 100, 20}));
    std::lock_guard<std::mutex> display(thread.DisplayLock());
    // Column 0 now shows frames 2000..2100: level 2 of the staircase.
    EXPECT_EQ(thread.Cache().top[0], (2 * 5000) >> 11);
    EXPECT_EQ(thread.Cache().top[99], (11 * 5000) >> 11);
}

TEST(TimeFormatTest, MillisecondsAndWholeSecondsAreTruncatedAndTheRulerPicksARoundStep) {
    EXPECT_EQ(FormatMillisecondsText(3602345), "1:00:02.345");
    EXPECT_EQ(FormatMillisecondsText(-1500), "-0:00:01.500");
    EXPECT_EQ(FormatWholeSecondsText(3602999), "1:00:02");
    EXPECT_EQ(RulerStepMs(10000, 1000, 90), 1000);  // 900 ms wanted
    EXPECT_EQ(RulerStepMs(1000, 1000, 90), 100);
    EXPECT_EQ(RulerStepMs(100, 1000, 90), 10);
    EXPECT_EQ(RulerStepMs(36000000, 1000, 90), 5000000);
    EXPECT_EQ(RulerLabel(62000, 2000), "0:01:02");
    EXPECT_EQ(RulerLabel(62500, 500), "0:01:02.50");
    EXPECT_EQ(RulerLabel(62505, 5), "0:01:02.505");
}

}  // namespace
}  // namespace sv
