// Recording through ALSA itself without a sound card: a test configuration makes ALSA's default
// device a file plugin over an inline null device, whose captured frames are read from a file.
// What the recorder keeps is compared with what arecord captures from the same device.
#include "audio/AlsaInput.h"
#include "audio/RecordTarget.h"
#include "audio/RecordingMixer.h"
#include "audio/WaveRecorder.h"
#include "platform/ChildProcess.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"
#include "PlayerTestSupport.h"
#include "RecorderTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace sv {
namespace {

using test::AppendLoud;
using test::AppendSilence;
using test::DcFiltered;

class AlsaRecordTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    AlsaRecordTest() {
        std::ofstream(dir.File("asound.conf")) << "pcm.!default {\n"
                                                   "  type file\n"
                                                   "  slave.pcm { type null }\n"
                                                   "  file \"/dev/null\"\n"
                                                   "  infile { @func getenv vars [ SONVELA_TEST_PCM_IN ] default \"/dev/zero\" }\n"
                                                   "  format \"raw\"\n"
                                                   "}\n";
        setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + dir.File("asound.conf")).c_str(), 1);
        setenv("SONVELA_TEST_PCM_IN", dir.File("in.raw").c_str(), 1);
        recorder = std::make_unique<LWaveRecorder>(notifier, std::make_unique<LAlsaInput>());
        recorder->SetListener(&events, 0);
    }
    ~AlsaRecordTest() override { recorder.reset(); }

    void WriteInput(const std::vector<std::int16_t>& samples) {
        std::ofstream out(dir.File("in.raw"), std::ios::binary);
        for (std::int16_t s : samples) {
            const char b[2] = {static_cast<char>(s & 0xFF), static_cast<char>((s >> 8) & 0xFF)};
            out.write(b, 2);
        }
    }
    // What arecord hears of frames frames from the default device.
    std::vector<std::int16_t> Arecord(int rate, int channels, int frames) {
        ChildProcess p;
        const std::string out = dir.File("arecord.raw");
        EXPECT_TRUE(p.Start({"arecord", "-q", "-D", "default", "-t", "raw", "-f", "S16_LE", "-c",
                             std::to_string(channels), "-r", std::to_string(rate), "-s", std::to_string(frames), out}));
        EXPECT_TRUE(p.Wait(20000));
        EXPECT_EQ(p.ExitCode(), 0);
        std::ifstream in(out, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> s(bytes.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) | (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        return s;
    }

    std::unique_ptr<LWaveRecorder> recorder;
    test::RecorderEvents events;
};

TEST_F(AlsaRecordTest, ARecordingEqualsWhatArecordCapturesAfterTheDcFilter) {
    const int rate = 22050, channels = 2, frames = 10 * 2205;
    std::vector<std::int16_t> in;
    for (int f = 0; f < frames; ++f) {
        in.push_back(static_cast<std::int16_t>((f * 37) % 20000 - 9000));
        in.push_back(static_cast<std::int16_t>(((f * 13) % 3000) * ((f / 500) % 2 ? 1 : -1)));
    }
    WriteInput(in);
    const std::vector<std::int16_t> heard = Arecord(rate, channels, frames);
    ASSERT_EQ(heard, in);

    RecordTarget target(store, rate, channels);
    ASSERT_TRUE(recorder->Start(target.WriterAt(0), 900, -127, 216000000));
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return recorder->IsStopped(); }));
    ASSERT_TRUE(target.Collect());
    ASSERT_GE(target.Sound().Length(), frames);
    EXPECT_EQ(test::ReadFrames(target.Sound(), 0, frames), DcFiltered(heard, channels, rate));
}

TEST_F(AlsaRecordTest, AutoTrimThroughAlsaKeepsTheSoundWithItsLeadInAndTail) {
    const int rate = 8000;
    std::vector<std::int16_t> in;
    AppendSilence(in, 4000, 1);
    AppendLoud(in, 4000, 1);
    AppendSilence(in, 8000, 1);
    WriteInput(in);
    RecordTarget target(store, rate, 1);
    ASSERT_TRUE(recorder->Start(target.WriterAt(0), 0, -24, 5000));
    // After the file the device hears silence: 5 s of it and the recorder waits for sound again.
    ASSERT_TRUE(test::DrainUntil(notifier, [&] {
        return recorder->State() == LWaveRecorder::kWaiting && recorder->LastSoundMs() > 0;
    }));
    EXPECT_EQ(recorder->LastSoundMs(), 550);
    recorder->Stop();
    ASSERT_TRUE(target.Collect());
    // Half a buffer of lead-in, 500 ms of sound, 50 ms after the last loud buffer.
    ASSERT_EQ(target.Sound().Length(), 400 + 4000 + 400);
    const auto all = DcFiltered(in, 1, rate);
    EXPECT_EQ(test::ReadFrames(target.Sound(), 0, 4800), std::vector<std::int32_t>(all.begin() + 3600, all.begin() + 8400));
}

TEST_F(AlsaRecordTest, ADeviceNumberPastTheListDoesNotOpen) {
    recorder->SetDevice(999, -1);
    RecordTarget target(store, 44100, 1);
    EXPECT_FALSE(recorder->Start(target.WriterAt(0), 0, -24, 5000));
    EXPECT_EQ(recorder->ErrorText(), "ce périphérique d'enregistrement n'existe pas");
    EXPECT_EQ(recorder->State(), LWaveRecorder::kStopped);
}

TEST_F(AlsaRecordTest, WithoutAMixerElementThereAreNoLinesAndNothingIsSet) {
    LAlsaMixer mixer;
    EXPECT_TRUE(mixer.LineNames(0).empty());
    EXPECT_FALSE(mixer.SetRecording(0, 0, 0));
    EXPECT_FALSE(mixer.SetRecording(0, -1, 0));
    EXPECT_FALSE(mixer.SetRecording(-1, 0, 0));
    EXPECT_EQ(InputLineName(mixer, 0, -1), "Mixeur d’Enregistrement Windows");
    EXPECT_EQ(InputLineName(mixer, 0, 0), "");
}

TEST(RecordingLevel, WholeDecibelsMapToTheMixerScale) {
    EXPECT_EQ(RecordingLevelValue(-40), 0u);
    EXPECT_EQ(RecordingLevelValue(-36), 0u);
    EXPECT_EQ(RecordingLevelValue(-35), 1424u);
    EXPECT_EQ(RecordingLevelValue(0), 51264u);
    EXPECT_EQ(RecordingLevelValue(10), 65504u);
    EXPECT_EQ(RecordingLevelValue(12), 65535u);
}

}  // namespace
}  // namespace sv
