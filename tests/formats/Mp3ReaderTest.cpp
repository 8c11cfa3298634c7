// The MP3 reader against files lame made, decoded by mpg123's own program for comparison.
#include "FormatTestSupport.h"
#include "formats/Mp3Reader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace sv::test {
namespace {

class Mp3ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ToolExists("lame") || !ToolExists("mpg123") || !ToolExists("sox")) GTEST_SKIP() << "lame, mpg123 or sox missing";
    }
    // A 3-second chirp with some noise at rate and channels, encoded by lame with options.
    std::string Encode(const std::string& name, int rate, int channels, const std::string& lameOptions) {
        const std::string wav = dir.File(name + ".wav"), mp3 = dir.File(name);
        EXPECT_EQ(RunCommand("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " +
                             Sh(wav) + " synth 3 sine 200-" + std::to_string(rate / 3) +
                             " synth 3 pinknoise amod 0.3 gain -3 2>/dev/null"),
                  0);
        EXPECT_EQ(RunCommand("lame --quiet " + lameOptions + " " + Sh(wav) + " " + Sh(mp3)), 0);
        return mp3;
    }
    // mpg123's decoding without gapless trimming, 16-bit native samples.
    std::vector<std::int16_t> Reference(const std::string& mp3) {
        const std::string raw = mp3 + ".raw";
        EXPECT_EQ(RunCommand("mpg123 -q --no-gapless -e s16 -s " + Sh(mp3) + " > " + Sh(raw)), 0);
        Bytes b = ReadBytes(raw);
        std::vector<std::int16_t> s(b.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
        return s;
    }
    // Our samples at 16-bit scale match the reference within one step, and the length is the
    // reference's frame count.
    void ExpectMatches(const std::string& mp3, int rate, int channels, bool counted) {
        Ref<LAudioReader> r = OpenMp3Reader(mp3);
        ASSERT_EQ(r->errorCode, 0);
        EXPECT_EQ(r->sampleRate, rate);
        EXPECT_EQ(r->channels, channels);
        EXPECT_EQ(r->fullScale, 0x7FFF0);
        std::vector<std::int16_t> ref = Reference(mp3);
        const auto refFrames = static_cast<std::int32_t>(ref.size() / channels);
        if (counted) EXPECT_EQ(r->Length(), refFrames);
        else EXPECT_NEAR(r->Length(), refFrames, refFrames / 50);
        r->Seek(0);
        std::vector<std::int32_t> ours(static_cast<std::size_t>(refFrames) * channels);
        for (std::int32_t at = 0; at < refFrames; at += 8192)
            r->Read(ours.data() + static_cast<std::size_t>(at) * channels, std::min(8192, refFrames - at));
        int worst = 0;
        for (std::size_t i = 0; i < ref.size(); ++i) {
            EXPECT_EQ(ours[i] % 16, 0);
            worst = std::max(worst, std::abs(ours[i] / 16 - ref[i]));
        }
        EXPECT_LE(worst, 1);
    }
    TempFolder dir;
};

TEST_F(Mp3ReaderTest, CbrStereoMpeg1WithInfoFrameMatchesMpg123FrameForFrame) {
    std::string mp3 = Encode("cbr.mp3", 44100, 2, "-b 128");
    Mp3Layout layout;
    Bytes b = ReadBytes(mp3);
    ASSERT_TRUE(ExamineMp3(b.data(), b.size(), static_cast<std::int64_t>(b.size()), layout));
    EXPECT_TRUE(layout.counted);
    EXPECT_EQ(layout.samplesPerFrame, 1152);
    ExpectMatches(mp3, 44100, 2, true);
}

TEST_F(Mp3ReaderTest, VbrXingFileTakesItsLengthFromTheFrameCount) {
    std::string mp3 = Encode("vbr.mp3", 48000, 2, "-V 4");
    Bytes b = ReadBytes(mp3);
    Mp3Layout layout;
    ASSERT_TRUE(ExamineMp3(b.data(), b.size(), static_cast<std::int64_t>(b.size()), layout));
    EXPECT_TRUE(layout.counted);
    ExpectMatches(mp3, 48000, 2, true);
}

TEST_F(Mp3ReaderTest, Mpeg2AndMpeg25MonoUse576SamplesPerFrame) {
    std::string m2 = Encode("m2.mp3", 22050, 1, "-b 32");
    std::string m25 = Encode("m25.mp3", 8000, 1, "-b 16");
    for (const auto& [path, rate] : {std::pair<std::string, int>{m2, 22050}, {m25, 8000}}) {
        Bytes b = ReadBytes(path);
        Mp3Layout layout;
        ASSERT_TRUE(ExamineMp3(b.data(), b.size(), static_cast<std::int64_t>(b.size()), layout));
        EXPECT_EQ(layout.samplesPerFrame, 576);
        EXPECT_EQ(layout.channels, 1);
        ExpectMatches(path, rate, 1, true);
    }
}

TEST_F(Mp3ReaderTest, FileWithoutInfoFrameIsEstimatedFromItsFirstFrames) {
    std::string mp3 = Encode("bare.mp3", 44100, 2, "-b 160 -t");
    Bytes b = ReadBytes(mp3);
    Mp3Layout layout;
    ASSERT_TRUE(ExamineMp3(b.data(), b.size(), static_cast<std::int64_t>(b.size()), layout));
    EXPECT_FALSE(layout.counted);
    ExpectMatches(mp3, 44100, 2, false);
}

TEST_F(Mp3ReaderTest, LastFrameIsKeptWithoutTagAndTheTagIsSkippedWithIt) {
    // No ID3v1 block: the last 128 bytes are audio and the whole file decodes.
    std::string bare = Encode("notag.mp3", 44100, 1, "-b 64 -t");
    Bytes b = ReadBytes(bare);
    Mp3Layout layout;
    ASSERT_TRUE(ExamineMp3(b.data(), b.size(), static_cast<std::int64_t>(b.size()), layout));
    EXPECT_EQ(layout.dataEnd, static_cast<std::int64_t>(b.size()));
    ExpectMatches(bare, 44100, 1, false);
    // With ID3v2 in front and ID3v1 behind, both are outside the audio.
    std::string tagged = Encode("tagged.mp3", 44100, 1, "-b 64 --add-id3v2 --pad-id3v2 --tt Titre --ta Auteur");
    Bytes t = ReadBytes(tagged);
    ASSERT_EQ(std::string(t.end() - 128, t.end() - 125), "TAG");
    ASSERT_EQ(std::string(t.begin(), t.begin() + 3), "ID3");
    ASSERT_TRUE(ExamineMp3(t.data(), t.size(), static_cast<std::int64_t>(t.size()), layout));
    EXPECT_EQ(layout.dataEnd, static_cast<std::int64_t>(t.size()) - 128);
    EXPECT_GT(layout.dataStart, 10);
    ExpectMatches(tagged, 44100, 1, true);
}

TEST_F(Mp3ReaderTest, MissingAndHeaderlessFilesGiveCodesFourAndThree) {
    EXPECT_EQ(OpenMp3Reader(dir.File("absent.mp3"))->errorCode, 4);
    // A folder or a pipe is refused at once rather than read or waited on.
    ASSERT_EQ(RunCommand("mkdir " + Sh(dir.File("folder.mp3")) + " && mkfifo " + Sh(dir.File("pipe.mp3"))), 0);
    EXPECT_EQ(OpenMp3Reader(dir.File("folder.mp3"))->errorCode, 4);
    EXPECT_EQ(OpenMp3Reader(dir.File("pipe.mp3"))->errorCode, 4);
    WriteBytes(dir.File("text.mp3"), Bytes(5000, 'a'));
    Ref<LAudioReader> r = OpenMp3Reader(dir.File("text.mp3"));
    EXPECT_EQ(r->errorCode, 3);
    EXPECT_EQ(r->sampleRate, 44100);
    WriteBytes(dir.File("empty.mp3"), Bytes());
    EXPECT_EQ(OpenMp3Reader(dir.File("empty.mp3"))->errorCode, 3);
    // A truncated file still reads: what is missing is silence.
    std::string mp3 = Encode("cut.mp3", 44100, 2, "-b 128");
    Bytes b = ReadBytes(mp3);
    b.resize(b.size() / 2);
    WriteBytes(dir.File("half.mp3"), b);
    Ref<LAudioReader> half = OpenMp3Reader(dir.File("half.mp3"));
    ASSERT_EQ(half->errorCode, 0);
    std::vector<std::int32_t> all = ReadAll(*half);
    EXPECT_EQ(all.size(), static_cast<std::size_t>(half->Length()) * 2);
    EXPECT_EQ(all.back(), 0);
}

TEST_F(Mp3ReaderTest, SeekRestartsDecodingAtTheFrame) {
    std::string mp3 = Encode("seek.mp3", 44100, 2, "-b 128");
    Ref<LAudioReader> r = OpenMp3Reader(mp3);
    std::vector<std::int32_t> all = ReadAll(*r);
    const std::int32_t at = 1152 * 20 + 100;
    r->Seek(at);
    std::vector<std::int32_t> part(2000 * 2);
    r->Read(part.data(), 2000);
    EXPECT_EQ(r->Position(), at + 2000);
    for (std::size_t i = 0; i < part.size(); ++i) ASSERT_NEAR(part[i], all[static_cast<std::size_t>(at) * 2 + i], 16) << i;
    // Before the start: silence, then the sound's first frames.
    r->Seek(-10);
    std::vector<std::int32_t> head(20 * 2);
    r->Read(head.data(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(head[i], 0);
    for (int i = 20; i < 40; ++i) EXPECT_NEAR(head[i], all[i - 20], 16);
}

}  // namespace
}  // namespace sv::test
