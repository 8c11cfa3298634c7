// The wave recorder over a scripted input: DC removal and levels, the automatic trimming and
// voice activation rules, the limit, and a device that fails, overruns or falls silent.
#include "audio/DcRemover.h"
#include "audio/ScriptedInput.h"
#include "audio/WaveRecorder.h"
#include "core/Notifier.h"
#include "PlayerTestSupport.h"
#include "RecorderTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace sv {
namespace {

using test::AppendLoud;
using test::AppendSilence;
using test::DcFiltered;
using test::MemoryWriter;
using test::Slice;

TEST(RecorderArithmetic, BuffersAreATenthOfASecondFrom32To8192Frames) {
    EXPECT_EQ(RecorderFramesPerBuffer(8000), 800);
    EXPECT_EQ(RecorderFramesPerBuffer(44100), 4410);
    EXPECT_EQ(RecorderFramesPerBuffer(192000), 8192);
    EXPECT_EQ(RecorderFramesPerBuffer(100), 32);
    EXPECT_EQ(RecorderMsToFrames(1450, 8000), 11600);
    EXPECT_EQ(RecorderMsToFrames(2050, 44100), 90405);
}

TEST(RecorderArithmetic, DcCoefficientFollowsTheRate) {
    DcRemover dc;
    dc.Reset(192000, 2);
    EXPECT_EQ(dc.Coefficient(), 2);
    dc.Reset(44100, 1);
    EXPECT_EQ(dc.Coefficient(), 5);
    dc.Reset(0, 1);
    EXPECT_EQ(dc.Coefficient(), 1);
}

TEST(RecorderArithmetic, DcRemovalPullsAConstantOffsetToZero) {
    DcRemover dc;
    dc.Reset(44100, 1);
    std::vector<std::int32_t> s(20000, 256000);  // 16000 in 16 bits
    dc.Process(s.data(), static_cast<std::int32_t>(s.size()));
    // y0 = 256000; acc = 1,280,000; y1 = 256000 - 312; acc = 2,558,440; y2 = 256000 - 624.
    EXPECT_EQ(s[0], 256000);
    EXPECT_EQ(s[1], 255688);
    EXPECT_EQ(s[2], 255376);
    EXPECT_LT(std::abs(s.back()), 16);
}

TEST(RecorderArithmetic, DcRemovalKeepsEachChannelApart) {
    DcRemover dc;
    dc.Reset(8000, 2);
    std::vector<std::int32_t> s = {1600, 0, 1600, 0, 1600, 0};
    dc.Process(s.data(), 3);
    // k = 25: acc = 40000, 1600 - 9 = 1591; acc = 79775, 1600 - 19 = 1581. The right stays 0.
    EXPECT_EQ(s, (std::vector<std::int32_t>{1600, 0, 1591, 0, 1581, 0}));
}

TEST(RecorderArithmetic, PeakLevelReadsZeroAt8192AndTwelveAtFullScale) {
    auto level = [](std::vector<std::int32_t> s) { return PeakLevel(s.data(), static_cast<std::int32_t>(s.size()), 1, 0); };
    EXPECT_EQ(level({0, 0, 0}), -127);
    EXPECT_EQ(level({131072}), 0);
    EXPECT_EQ(level({0, -131072}), 0);
    EXPECT_EQ(level({32767 * 16, -32768 * 16}), 12);
    EXPECT_EQ(level({65536}), -6);
    EXPECT_EQ(level({16}), -78);
    std::vector<std::int32_t> stereo = {0, 131072, 0, -65536};
    EXPECT_EQ(PeakLevel(stereo.data(), 2, 2, 0), -127);
    EXPECT_EQ(PeakLevel(stereo.data(), 2, 2, 1), 0);
}

class WaveRecorderTest : public ::testing::Test {
protected:
    void SetUp() override { Make(false); }
    void TearDown() override { recorder.reset(); }

    void Make(bool paced) {
        auto in = std::make_unique<LScriptedInput>(paced);
        input = in.get();
        recorder = std::make_unique<LWaveRecorder>(notifier, std::move(in));
        recorder->SetListener(&events, 7);
    }
    // Starts a recording of samples, after which the input falls silent for good.
    Ref<MemoryWriter> StartOn(const std::vector<std::int16_t>& samples, std::int32_t rate, int ch, int threshold,
                              std::int32_t silenceMs, std::int32_t limitMs = 0) {
        input->samples = samples;
        input->stallAtFrame = static_cast<std::int64_t>(samples.size()) / ch;
        auto writer = MakeRef<MemoryWriter>(rate, static_cast<std::uint8_t>(ch));
        EXPECT_TRUE(recorder->Start(writer, limitMs, threshold, silenceMs));
        return writer;
    }
    // Waits until every frame has been taken, then stops.
    void FinishAndStop() {
        ASSERT_TRUE(test::DrainUntil(notifier, [&] { return input->Stalled(); }));
        recorder->Stop();
        notifier.Drain();
    }

    ManualNotifier notifier;
    LScriptedInput* input = nullptr;
    std::unique_ptr<LWaveRecorder> recorder;
    test::RecorderEvents events;
};

TEST_F(WaveRecorderTest, WithoutTrimmingEveryFrameIsWrittenDcFiltered) {
    std::vector<std::int16_t> in;
    for (int f = 0; f < 8 * 4410; ++f) {
        in.push_back(static_cast<std::int16_t>((f * 37) % 20000 - 7000));  // an offset of 3000 to remove
        in.push_back(static_cast<std::int16_t>(-(f * 11) % 30000));
    }
    Ref<MemoryWriter> w = StartOn(in, 44100, 2, -127, 216000000);
    EXPECT_EQ(input->openedPeriodFrames, 4410);
    EXPECT_EQ(input->openedPeriods, 32);
    EXPECT_FALSE(input->openedMapped);
    FinishAndStop();
    EXPECT_EQ(w->framesWritten, 8 * 4410);
    EXPECT_EQ(w->samples, DcFiltered(in, 2, 44100));
    EXPECT_EQ(events.calls.front(), "waiting");
    EXPECT_EQ(events.calls[1], "writing");
    EXPECT_EQ(events.calls.back(), "stopped");
    EXPECT_EQ(recorder->State(), LWaveRecorder::kStopped);
    EXPECT_TRUE(recorder->Writer().error);  // the stopped recorder holds an error writer
}

TEST_F(WaveRecorderTest, InputThatNeverGetsLoudWritesNothing) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 8000, 1, 450);  // about -25 dB, below a -24 dB threshold
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -24, 216000000);
    FinishAndStop();
    EXPECT_EQ(w->framesWritten, 0);
    EXPECT_EQ(events.calls, (std::vector<std::string>{"waiting", "stopped"}));
}

TEST_F(WaveRecorderTest, SoundInTheFirstHalfOfABufferKeepsHalfABufferOfLeadIn) {
    std::vector<std::int16_t> in;
    AppendSilence(in, 3 * 800 + 100, 1);
    AppendLoud(in, 2 * 800 - 100, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -24, 216000000);
    FinishAndStop();
    const auto all = DcFiltered(in, 1, 8000);
    // The second half of buffer 2 (frames 2000..2400), then buffers 3 and 4.
    EXPECT_EQ(w->framesWritten, 400 + 1600);
    EXPECT_EQ(w->samples, Slice(all, 1, 2000, 4000));
}

TEST_F(WaveRecorderTest, SoundInTheSecondHalfOfABufferHasNoLeadIn) {
    std::vector<std::int16_t> in;
    AppendSilence(in, 3 * 800 + 600, 1);
    AppendLoud(in, 2 * 800 - 600, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -24, 216000000);
    FinishAndStop();
    EXPECT_EQ(w->samples, Slice(DcFiltered(in, 1, 8000), 1, 2400, 4000));
}

TEST_F(WaveRecorderTest, StopKeeps50MsAfterTheLastLoudBuffer) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 1600, 1);
    AppendSilence(in, 8000, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -24, 216000000);
    FinishAndStop();
    // Last sound at 200 ms; 250 ms are kept.
    EXPECT_EQ(w->framesWritten, 2000);
    EXPECT_EQ(w->samples, Slice(DcFiltered(in, 1, 8000), 1, 0, 2000));
}

TEST_F(WaveRecorderTest, VoiceActivationCutsLongSilenceTo450MsAndWaitsForSound) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 8000, 1);     // 1 s of sound
    AppendSilence(in, 48000, 1); // 6 s of silence
    AppendLoud(in, 8000, 1);     // 1 s of sound
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -24, 5000);
    FinishAndStop();
    const auto all = DcFiltered(in, 1, 8000);
    // 1 s, 450 ms of what followed, then half a buffer of lead-in and the second second.
    std::vector<std::int32_t> expected = Slice(all, 1, 0, 11600);
    const auto lead = Slice(all, 1, 55600, 64000);
    expected.insert(expected.end(), lead.begin(), lead.end());
    EXPECT_EQ(w->framesWritten, 20000);
    EXPECT_EQ(w->samples, expected);
}

TEST_F(WaveRecorderTest, LevelsReportSilenceAndFullScale) {
    Make(true);  // at the device's pace every buffer's report is seen
    std::vector<std::int16_t> in;
    AppendSilence(in, 800, 2);
    for (int f = 0; f < 800; ++f) {
        in.push_back(f % 2 ? -32768 : 32767);
        in.push_back(0);
    }
    StartOn(in, 8000, 2, -127, 216000000);
    FinishAndStop();
    ASSERT_GE(events.levels.size(), 2u);
    EXPECT_EQ(events.levels[0], (std::vector<std::int8_t>{-127, -127}));
    EXPECT_EQ(events.levels[1], (std::vector<std::int8_t>{12, -127}));
}

TEST_F(WaveRecorderTest, At192kHzBuffersHold8192Frames) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 3 * 8192, 2, 1000);
    Ref<MemoryWriter> w = StartOn(in, 192000, 2, -127, 216000000);
    EXPECT_EQ(input->openedPeriodFrames, 8192);
    FinishAndStop();
    EXPECT_EQ(w->samples, DcFiltered(in, 2, 192000));
}

TEST_F(WaveRecorderTest, TheLimitStopsTheRecording) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 40000, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -127, 216000000, 1000);
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return recorder->IsStopped(); }));
    // The buffer that passed 1000 ms is the last one kept: 1100 ms.
    EXPECT_GE(w->framesWritten, 8800);
    EXPECT_EQ(events.calls.back(), "stopped");
}

TEST_F(WaveRecorderTest, RestartRecordsAgainFromTheStartOfTheWriter) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 2400, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -127, 216000000);
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return input->Stalled(); }));
    input->stallAtFrame = 1600;  // the next opening hears 1600 frames
    recorder->Restart();
    EXPECT_NE(recorder->State(), LWaveRecorder::kStopped);
    FinishAndStop();
    EXPECT_EQ(w->framesWritten, 1600);
    EXPECT_EQ(w->samples, Slice(DcFiltered(in, 1, 8000), 1, 0, 1600));
}

TEST_F(WaveRecorderTest, ADeviceThatDoesNotOpenLeavesTheRecorderStopped) {
    input->failOpen = true;
    auto w = MakeRef<MemoryWriter>(8000, 1);
    EXPECT_FALSE(recorder->Start(w, 0, -24, 5000));
    EXPECT_EQ(recorder->State(), LWaveRecorder::kStopped);
    EXPECT_TRUE(recorder->Writer().error);
    EXPECT_EQ(input->opens, 2);  // the second time through format mapping
    EXPECT_FALSE(recorder->ErrorText().empty());
    EXPECT_EQ(w->RefCount(), 1);  // nobody but us holds the writer
}

TEST_F(WaveRecorderTest, ADeviceThatRefusesAfterStartGaveUpWaitingStillEndsTheRecording) {
    input->failOpen = true;
    input->openDelayMs = 1700;
    auto w = MakeRef<MemoryWriter>(8000, 1);
    // Not started within 1500 ms: taken as running.
    EXPECT_TRUE(recorder->Start(w, 0, -24, 5000));
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return events.calls.back() == "failed"; }));
    EXPECT_EQ(events.calls, (std::vector<std::string>{"waiting", "stopped", "failed"}));
    EXPECT_EQ(events.failure, "le périphérique d'enregistrement ne peut pas être ouvert");
    EXPECT_EQ(w->RefCount(), 1);
}

TEST_F(WaveRecorderTest, AFormatTheDeviceRefusesIsMapped) {
    input->refuseUnmapped = true;
    std::vector<std::int16_t> in;
    AppendLoud(in, 800, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -127, 216000000);
    EXPECT_TRUE(input->openedMapped);
    FinishAndStop();
    EXPECT_EQ(w->framesWritten, 800);
}

TEST_F(WaveRecorderTest, AWriterInErrorIsRefused) {
    auto w = MakeRef<MemoryWriter>(8000, 1);
    w->error = true;
    EXPECT_FALSE(recorder->Start(w, 0, -24, 5000));
    EXPECT_EQ(input->opens, 0);
}

TEST_F(WaveRecorderTest, AFailingDeviceStopsWithTheReasonAndKeepsWhatWasRecorded) {
    // An unplugged device, and an overrun the device could not recover from.
    for (int error : {ENODEV, EPIPE}) {
        SCOPED_TRACE(error);
        events = {};
        std::vector<std::int16_t> in;
        AppendLoud(in, 8000, 1);
        input->failAtFrame = 3000;
        input->failError = error;
        input->samples = in;
        auto w = MakeRef<MemoryWriter>(8000, 1);
        ASSERT_TRUE(recorder->Start(w, 0, -127, 216000000));
        ASSERT_TRUE(test::DrainUntil(notifier, [&] { return recorder->IsStopped(); }));
        EXPECT_EQ(events.calls.back(), "failed");
        EXPECT_EQ(events.calls[events.calls.size() - 2], "stopped");
        EXPECT_EQ(events.failure, std::strerror(error));
        EXPECT_EQ(w->framesWritten, 2400);  // the three buffers before the failure
        EXPECT_EQ(w->samples, Slice(DcFiltered(in, 1, 8000), 1, 0, 2400));
    }
}

TEST_F(WaveRecorderTest, AnOverrunLeavesAGapAndRecordingGoesOn) {
    std::vector<std::int16_t> in;
    for (int f = 0; f < 4000; ++f) in.push_back(static_cast<std::int16_t>(f));
    input->overrunAtFrame = 1600;
    input->overrunFrames = 800;
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -127, 216000000);
    FinishAndStop();
    EXPECT_EQ(input->Overruns(), 1);
    EXPECT_TRUE(events.failure.empty());
    EXPECT_EQ(w->framesWritten, 3200);
    // After the gap, frame 1600 of the recording is what the device heard at 2400.
    std::vector<std::int16_t> heard(in.begin(), in.begin() + 1600);
    heard.insert(heard.end(), in.begin() + 2400, in.end());
    EXPECT_EQ(w->samples, DcFiltered(heard, 1, 8000));
}

TEST_F(WaveRecorderTest, ADeviceThatFallsSilentEndsTheRecordingAfterTheTimeout) {
    recorder->SetBufferTimeoutMs(100);
    std::vector<std::int16_t> in;
    AppendLoud(in, 1600, 1);
    Ref<MemoryWriter> w = StartOn(in, 8000, 1, -127, 216000000);
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return recorder->IsStopped(); }));
    EXPECT_EQ(events.calls.back(), "failed");
    EXPECT_EQ(events.failure, "le périphérique d'enregistrement n'envoie plus de son");
    EXPECT_EQ(w->framesWritten, 1600);
}

TEST_F(WaveRecorderTest, AFullDiskEndsTheRecordingWithAMessage) {
    std::vector<std::int16_t> in;
    AppendLoud(in, 8000, 1);
    input->samples = in;
    auto w = MakeRef<MemoryWriter>(8000, 1, 2000);
    ASSERT_TRUE(recorder->Start(w, 0, -127, 216000000));
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return recorder->IsStopped(); }));
    EXPECT_NE(events.failure.find("disque plein"), std::string::npos);
    EXPECT_EQ(w->framesWritten, 1600);
}

TEST_F(WaveRecorderTest, StartingAndStoppingManyTimesAtTheDevicePace) {
    Make(true);
    std::vector<std::int16_t> in;
    AppendLoud(in, 80000, 1);
    input->samples = in;
    for (int i = 0; i < 30; ++i) {
        auto w = MakeRef<MemoryWriter>(8000, 1);
        ASSERT_TRUE(recorder->Start(w, 0, -127, 216000000));
        if (i % 3 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(120));
        notifier.Drain();
        if (i % 5 == 0) recorder->Restart();
        recorder->Stop();
        EXPECT_EQ(w->RefCount(), 1);
    }
    notifier.Drain();
    EXPECT_EQ(recorder->State(), LWaveRecorder::kStopped);
}

}  // namespace
}  // namespace sv
