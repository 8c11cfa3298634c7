#include "audio/LoopReader.h"
#include "audio/ShuttleReader.h"
#include "audio/WavePlayer.h"
#include "effects/TempoReader.h"
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace sv {
namespace {

using test::DrainUntil;
using test::PatternReader;

struct Record : LPlayerListener {
    std::vector<std::string> calls;
    std::vector<std::int32_t> positions;
    std::vector<std::vector<std::int8_t>> levels;
    void Playing(std::intptr_t) override { calls.push_back("playing"); }
    void Closed(std::intptr_t) override { calls.push_back("closed"); }
    void Held(std::intptr_t) override { calls.push_back("held"); }
    void Position(std::int32_t ms, std::intptr_t) override {
        calls.push_back("position");
        positions.push_back(ms);
    }
    void Levels(int n, const std::int8_t* l, std::intptr_t) override { levels.emplace_back(l, l + n); }
};

class WavePlayerTest : public ::testing::Test {
protected:
    explicit WavePlayerTest(bool paced = false) {
        auto dev = std::make_unique<LNullDevice>(paced);
        dev->keepSamples = true;
        device = dev.get();
        player = std::make_unique<LWavePlayer>(notifier, std::move(dev));
        player->SetListener(&rec, 7);
    }
    ~WavePlayerTest() override { player.reset(); }
    bool WaitClosed() { return DrainUntil(notifier, [&] { return player->State() == 0; }); }

    ManualNotifier notifier;
    LNullDevice* device;
    std::unique_ptr<LWavePlayer> player;
    Record rec;
};

class PacedPlayerTest : public WavePlayerTest {
protected:
    PacedPlayerTest() : WavePlayerTest(true) {}
};

TEST(PlayerBuffers, TenthOfASecondBetween20And8192Frames) {
    EXPECT_EQ(PlayerFramesPerBuffer(96000), 8192);
    EXPECT_EQ(PlayerFramesPerBuffer(100), 20);
    EXPECT_EQ(PlayerFramesPerBuffer(44100), 4410);
    EXPECT_EQ(PlayerFramesPerBuffer(8000), 800);
}

TEST_F(WavePlayerTest, PlaysEverySampleIn16BitsThenReportsTheEndAndCloses) {
    Ref<LAudioReader> r(new PatternReader(10000, 8000, 2));
    ASSERT_TRUE(player->Open(r));
    EXPECT_EQ(player->FramesPerBuffer(), 800);
    ASSERT_TRUE(WaitClosed());
    const auto samples = device->Samples();
    ASSERT_EQ(samples.size(), 20000u);
    for (std::int64_t f = 0; f < 10000; ++f)
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(samples[static_cast<std::size_t>(f * 2 + c)], PatternReader::Sample(f, c, 2) / 16) << f;
    // Playing, position 0, ... the end (10,000 frames = 1,250 ms), closed.
    ASSERT_GE(rec.calls.size(), 4u);
    EXPECT_EQ(rec.calls.front(), "playing");
    EXPECT_EQ(rec.calls.back(), "closed");
    EXPECT_EQ(rec.positions.front(), 0);
    EXPECT_EQ(rec.positions.back(), 1250);
    for (std::size_t i = 1; i < rec.positions.size(); ++i) EXPECT_LE(rec.positions[i - 1], rec.positions[i]);
    EXPECT_EQ(player->Reader().errorCode, kReaderNothingToPlay);
}

TEST_F(WavePlayerTest, AReaderEndingBeforeTheFirstBufferPlaysOneShortBuffer) {
    Ref<LAudioReader> r(new PatternReader(300, 44100, 1));
    ASSERT_TRUE(player->Open(r));
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(device->Samples().size(), 300u);
    EXPECT_EQ(rec.positions.back(), 6);  // 300 / 44,100 s
}

TEST_F(WavePlayerTest, StartsAtTheReadersPositionAndAnEmptyReaderFinishesAtOnce) {
    Ref<LAudioReader> r(new PatternReader(1000, 1000, 1));
    r->Seek(1000);
    ASSERT_TRUE(player->Open(r));
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(device->Samples().empty());
    EXPECT_EQ(rec.positions.front(), 1000);
}

TEST_F(WavePlayerTest, LimiterOnlyAboveSixteenBitFullScale) {
    // At exactly 524,272 samples pass bit for bit; one above, a louder-than-full-scale reader is
    // held within 16 bits instead of wrapping.
    Ref<LAudioReader> exact(new PatternReader(2000, 8000, 1, kFullScale16));
    ASSERT_TRUE(player->Open(exact));
    EXPECT_EQ(&player->Reader(), exact.get());
    ASSERT_TRUE(WaitClosed());
    Ref<LAudioReader> above(new PatternReader(2000, 8000, 1, kFullScale16 + 1));
    ASSERT_TRUE(player->Open(above));
    EXPECT_NE(&player->Reader(), above.get());
    ASSERT_TRUE(WaitClosed());
}

TEST_F(WavePlayerTest, ErrorReaderAndMissingDeviceLeaveThePlayerStopped) {
    Ref<LAudioReader> bad(new LErrorReader(kReaderCorrupt));
    EXPECT_FALSE(player->Open(bad));
    EXPECT_EQ(player->State(), 0);
    device->failOpen = true;
    Ref<LAudioReader> r(new PatternReader(2000, 8000, 1));
    EXPECT_FALSE(player->Open(r));
    EXPECT_EQ(player->State(), 0);
    EXPECT_EQ(player->Reader().errorCode, kReaderNothingToPlay);
    EXPECT_EQ(player->Reader().sampleRate, 44100);  // the stopped player's reader is silent
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(WavePlayerTest, SilenceReportsMinus127PerChannel) {
    class Silent : public PatternReader {
    public:
        Silent() : PatternReader(400000, 8000, 2) {}
        void Read(std::int32_t* dst, std::int32_t n) override {
            PatternReader::Read(dst, n);
            std::fill(dst, dst + n * 2, 0);
        }
    };
    ASSERT_TRUE(player->Open(Ref<LAudioReader>(new Silent)));
    ASSERT_TRUE(DrainUntil(notifier, [&] { return !rec.levels.empty(); }));
    player->Close();
    EXPECT_EQ(rec.levels.back(), (std::vector<std::int8_t>{-127, -127}));
}

TEST_F(WavePlayerTest, AStoppedPlayersReaderHasTheUsualRateAndSixteenBitFullScale) {
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(player->Reader().errorCode, kReaderNothingToPlay);
        EXPECT_EQ(player->Reader().sampleRate, 44100);
        EXPECT_EQ(player->Reader().fullScale, 0x7fff0);
        ASSERT_TRUE(player->Open(Ref<LAudioReader>(new PatternReader(400, 8000, 1))));
        player->Close();
    }
}

// Where a reader stands after each buffer the player reads from it, in order.
std::vector<std::int32_t> PositionsAfterEachBuffer(const Ref<LAudioReader>& reader, int buffers) {
    const std::int32_t perBuffer = PlayerFramesPerBuffer(reader->sampleRate);
    std::vector<std::int32_t> work(static_cast<std::size_t>(perBuffer) * reader->channels);
    std::vector<std::int32_t> positions;
    for (int b = 0; b < buffers; ++b) {
        const std::int64_t left = static_cast<std::int64_t>(reader->Length()) - reader->Position();
        if (left <= 0) break;
        reader->Read(work.data(), static_cast<std::int32_t>(std::min<std::int64_t>(left, perBuffer)));
        positions.push_back(reader->Position());
    }
    return positions;
}

TEST_F(PacedPlayerTest, HeardPositionIsInTheSoundsFramesForLoopTempoAndShuttleReaders) {
    using Make = std::function<Ref<LAudioReader>()>;
    const Make loop = [] {
        Ref<LAudioReader> r(new PatternReader(44100 * 10, 44100, 1));
        return Ref<LAudioReader>(new LLoopReader(r, 100, 300));  // frames 4,410 to 13,230
    };
    const Make slow = [] {
        return Ref<LAudioReader>(LTempoReader::Create(Ref<LAudioReader>(new PatternReader(44100, 44100, 1)), 0.5).get());
    };
    const Make fast = [] {
        return Ref<LAudioReader>(LTempoReader::Create(Ref<LAudioReader>(new PatternReader(88200, 44100, 1)), 1.5).get());
    };
    const Make shuttle = [] {
        Ref<LAudioReader> r(new PatternReader(44100 * 60, 44100, 1));
        r->Seek(44100 * 30);
        return Ref<LAudioReader>(new LShuttleReader(r, -0.5, -7.0, 8000));
    };
    const std::vector<std::int32_t> loopPositions = PositionsAfterEachBuffer(loop(), 6);
    EXPECT_EQ(loopPositions, (std::vector<std::int32_t>{4410, 8820, 13230, 8820, 13230, 8820}));
    for (const Make& make : {loop, slow, fast, shuttle}) {
        const std::vector<std::int32_t> expected = PositionsAfterEachBuffer(make(), 6);
        Ref<LAudioReader> reader = make();
        const std::int32_t start = reader->Position();
        ASSERT_TRUE(player->Open(reader));
        // Buffers end every 100 ms, so each position the device reaches is seen.
        std::vector<std::int32_t> seen;
        DrainUntil(notifier, [&] {
            const std::int32_t p = player->PositionFrames();
            if (p != (seen.empty() ? start : seen.back())) seen.push_back(p);
            return seen.size() >= 4 || player->State() == 0;
        }, 3000);
        player->Close();
        ASSERT_GE(seen.size(), 4u);
        seen.resize(4);
        // Each one ends a buffer, the first the first buffer, and they come in order.
        std::size_t next = 0;
        for (std::int32_t p : seen) {
            while (next < expected.size() && expected[next] != p) ++next;
            EXPECT_LT(next, expected.size()) << "a position no buffer ends at: " << p;
        }
        EXPECT_EQ(seen[0], expected[0]);
    }
}

// A reader stuck in Read (a slow disk) until it is let go; it then writes every frame it was
// asked for, as a real reader would.
class StuckReader : public PatternReader {
public:
    StuckReader() : PatternReader(44100 * 60, 44100, 2) {}
    void Read(std::int32_t* dst, std::int32_t frames) override {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        cond_.notify_all();
        cond_.wait(lock, [&] { return released_; });
        lock.unlock();
        PatternReader::Read(dst, frames);
    }
    void WaitEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        cond_.wait(lock, [&] { return entered_; });
    }
    void LetGo() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cond_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool entered_ = false;
    bool released_ = false;
};

TEST_F(WavePlayerTest, AFillerThatMissesItsStopKeepsWhatItUsesAndBlocksNoLaterOpen) {
    player->SetStopTimeoutMs(50);
    Ref<StuckReader> stuck(new StuckReader);
    ASSERT_TRUE(player->Open(Ref<LAudioReader>(stuck.get())));
    stuck->WaitEntered();
    player->Close();
    EXPECT_EQ(player->State(), 0);
    EXPECT_EQ(rec.calls.back(), "closed");
    EXPECT_TRUE(player->FillerAbandoned());
    EXPECT_EQ(player->Reader().errorCode, kReaderNothingToPlay);
    EXPECT_GE(stuck->RefCount(), 2);  // the filler still holds it
    // Refused at once rather than waiting on the stuck thread.
    EXPECT_FALSE(player->Open(Ref<LAudioReader>(new PatternReader(4410, 44100, 1))));
    // Let go, the filler fills into the buffers it was given and ends; they are freed then.
    stuck->LetGo();
    ASSERT_TRUE(DrainUntil(notifier, [&] {
        player->Close();
        return !player->FillerAbandoned();
    }));
    EXPECT_EQ(stuck->RefCount(), 1);
    ASSERT_TRUE(player->Open(Ref<LAudioReader>(new PatternReader(4410, 44100, 1))));
    EXPECT_TRUE(WaitClosed());
}

TEST_F(WavePlayerTest, StoppingDuringPlaybackNeverDeadlocks) {
    for (int i = 0; i < 200; ++i) {
        Ref<LAudioReader> r(new PatternReader(400000, 44100, 2));
        ASSERT_TRUE(player->Open(r));
        if (i % 3 == 1) notifier.Drain();
        if (i % 5 == 2) player->Hold();
        if (i % 7 == 3) player->Seek(i * 100);
        player->Close();
        ASSERT_EQ(player->State(), 0);
    }
    notifier.Drain();
}

TEST_F(PacedPlayerTest, PositionFollowsWhatTheDeviceFinishedAndTheRingFillsUp) {
    Ref<LAudioReader> r(new PatternReader(44100 * 60, 44100, 1));
    ASSERT_TRUE(player->Open(r));
    ASSERT_TRUE(DrainUntil(notifier, [&] { return player->PositionFrames() >= 4410 * 3; }));
    // Reported positions are whole buffers, and the filler is seconds ahead of what is heard.
    EXPECT_EQ(player->PositionFrames() % 4410, 0);
    // Once the 64 buffers are all queued the watcher runs time-critical and the filler below normal.
    ASSERT_TRUE(DrainUntil(notifier, [&] { return player->WatcherPriority() == ThreadPriority::TimeCritical; }));
    EXPECT_NE(player->FillerPriority(), ThreadPriority::TimeCritical);
    player->Close();
}

TEST_F(PacedPlayerTest, HoldLoopsASnippetSeekMovesItAndResumePlaysOn) {
    Ref<LAudioReader> r(new PatternReader(44100 * 60, 44100, 1));
    r->Seek(44100);
    ASSERT_TRUE(player->Open(r));
    player->Hold();
    EXPECT_EQ(player->State(), LWavePlayer::kStateOpen | LWavePlayer::kStateHeld);
    EXPECT_EQ(player->PositionFrames(), 44100);
    EXPECT_EQ(rec.calls[rec.calls.size() - 2], "held");
    EXPECT_EQ(rec.positions.back(), 1000);
    // The snippet is 1,103 frames four times over, cut to 4,410, looped.
    ASSERT_TRUE(DrainUntil(notifier, [&] { return device->FramesPlayed() >= 3 * 4410; }));
    const auto heard = device->Samples();
    const std::size_t from = heard.size() - 3 * 4410;  // inside the loop
    (void)from;
    std::vector<std::int16_t> loopStart(heard.end() - 4410, heard.end());
    EXPECT_EQ(loopStart[0], PatternReader::Sample(44100, 0, 1) / 16);
    EXPECT_EQ(loopStart[1103], PatternReader::Sample(44100, 0, 1) / 16);
    EXPECT_EQ(loopStart[3 * 1103 + 1], PatternReader::Sample(44101, 0, 1) / 16);
    const std::int32_t positionsHeld = static_cast<std::int32_t>(rec.positions.size());
    notifier.Drain();
    EXPECT_EQ(static_cast<std::int32_t>(rec.positions.size()), positionsHeld);  // held: no reports
    player->Seek(88200);
    EXPECT_EQ(player->PositionFrames(), 88200);
    EXPECT_TRUE(player->IsHeld());
    player->Resume();
    EXPECT_FALSE(player->IsHeld());
    EXPECT_EQ(rec.calls.back(), "playing");
    ASSERT_TRUE(DrainUntil(notifier, [&] { return player->PositionFrames() > 88200; }));
    EXPECT_EQ(player->PositionFrames() % 4410, 0);
    player->Close();
    EXPECT_EQ(rec.calls.back(), "closed");
}

TEST_F(PacedPlayerTest, SeekWhilePlayingContinuesFromTheNewFrame) {
    Ref<LAudioReader> r(new PatternReader(44100 * 60, 44100, 1));
    ASSERT_TRUE(player->Open(r));
    player->Seek(441000);
    EXPECT_EQ(rec.positions.back(), 10000);
    ASSERT_TRUE(DrainUntil(notifier, [&] { return player->PositionFrames() > 441000; }));
    EXPECT_EQ((player->PositionFrames() - 441000) % 4410, 0);
    player->Close();
}

}  // namespace
}  // namespace sv
