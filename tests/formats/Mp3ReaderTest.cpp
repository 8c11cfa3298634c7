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

Bytes Synchsafe(std::uint32_t n) {
    return {static_cast<std::uint8_t>((n >> 21) & 0x7F), static_cast<std::uint8_t>((n >> 14) & 0x7F),
            static_cast<std::uint8_t>((n >> 7) & 0x7F), static_cast<std::uint8_t>(n & 0x7F)};
}

// An ID3v2.4 tag with a footer around one APIC frame holding a picture of pictureBytes.
Bytes Id3v24WithPicture(std::size_t pictureBytes) {
    Bytes body = {0};  // text encoding
    for (char c : std::string("image/png")) body.push_back(static_cast<std::uint8_t>(c));
    body.insert(body.end(), {0, 3, 0});  // end of MIME type, front cover, empty description
    Bytes picture = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint32_t noise = 12345;
    while (picture.size() < pictureBytes) {
        noise = noise * 1103515245u + 12345u;
        picture.push_back(static_cast<std::uint8_t>(noise >> 24));
    }
    body.insert(body.end(), picture.begin(), picture.end());
    Bytes frame = {'A', 'P', 'I', 'C'};
    Bytes size = Synchsafe(static_cast<std::uint32_t>(body.size()));
    frame.insert(frame.end(), size.begin(), size.end());
    frame.insert(frame.end(), {0, 0});
    frame.insert(frame.end(), body.begin(), body.end());
    Bytes tagSize = Synchsafe(static_cast<std::uint32_t>(frame.size()));
    Bytes tag = {'I', 'D', '3', 4, 0, 0x10};
    tag.insert(tag.end(), tagSize.begin(), tagSize.end());
    tag.insert(tag.end(), frame.begin(), frame.end());
    tag.insert(tag.end(), {'3', 'D', 'I', 4, 0, 0x10});
    tag.insert(tag.end(), tagSize.begin(), tagSize.end());
    return tag;
}

// An APEv2 tag with a header and one item.
Bytes Apev2Tag() {
    Bytes item;
    AppendLe32(item, 5);
    AppendLe32(item, 0);
    for (char c : std::string("Title")) item.push_back(static_cast<std::uint8_t>(c));
    item.push_back(0);
    for (char c : std::string("Titre")) item.push_back(static_cast<std::uint8_t>(c));
    auto block = [&item](bool header) {
        Bytes b;
        for (char c : std::string("APETAGEX")) b.push_back(static_cast<std::uint8_t>(c));
        AppendLe32(b, 2000);
        AppendLe32(b, static_cast<std::uint32_t>(item.size() + 32));
        AppendLe32(b, 1);
        AppendLe32(b, 0x80000000u | (header ? 0x20000000u : 0u));
        b.insert(b.end(), 8, 0);
        return b;
    };
    Bytes tag = block(true);
    tag.insert(tag.end(), item.begin(), item.end());
    Bytes footer = block(false);
    tag.insert(tag.end(), footer.begin(), footer.end());
    return tag;
}

TEST_F(Mp3ReaderTest, LargeId3v2TagsWithCoverArtAndApeTagsAtTheEndAreSkipped) {
    // A lame file behind a 2 MiB picture tag (synchsafe size, footer), with APEv2 and ID3v1 behind.
    std::string plain = Encode("plain.mp3", 44100, 2, "-b 128");
    Bytes audio = ReadBytes(plain);
    Bytes file = Id3v24WithPicture(2u << 20);
    file.insert(file.end(), audio.begin(), audio.end());
    Bytes ape = Apev2Tag();
    file.insert(file.end(), ape.begin(), ape.end());
    Bytes id3v1(128, 0);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    file.insert(file.end(), id3v1.begin(), id3v1.end());
    const std::string tagged = dir.File("cover.mp3");
    WriteBytes(tagged, file);

    Ref<LAudioReader> ref = OpenMp3Reader(plain);
    Ref<LAudioReader> r = OpenMp3Reader(tagged);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->Length(), ref->Length());
    EXPECT_EQ(r->Length(), static_cast<std::int32_t>(Reference(plain).size() / 2));
    std::vector<std::int32_t> all = ReadAll(*r);
    EXPECT_EQ(all, ReadAll(*ref));
    // Seeking lands in the audio, not in the tag.
    const std::int32_t at = 1152 * 30 + 7;
    r->Seek(at);
    std::vector<std::int32_t> part(500 * 2);
    r->Read(part.data(), 500);
    for (std::size_t i = 0; i < part.size(); ++i) ASSERT_NEAR(part[i], all[static_cast<std::size_t>(at) * 2 + i], 16) << i;

    Mp3Layout layout;
    ASSERT_TRUE(ExamineMp3(file.data(), file.size(), static_cast<std::int64_t>(file.size()), layout));
    EXPECT_EQ(layout.dataEnd, static_cast<std::int64_t>(file.size() - 128 - ape.size()));
}

TEST_F(Mp3ReaderTest, FfmpegFileWithATwoMebibyteCoverOpensWithItsLength) {
    if (!ToolExists("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    const std::string wav = dir.File("src.wav"), noise = dir.File("noise.gray"), mp3 = dir.File("ff.mp3");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Sh(wav) + " synth 2 sine 300 sine 500 gain -6"), 0);
    // Noise does not compress: a 1,448 x 1,448 grey picture makes a PNG of about 2 MiB.
    Bytes pixels(1448u * 1448u);
    std::uint32_t v = 7;
    for (auto& p : pixels) p = static_cast<std::uint8_t>((v = v * 1664525u + 1013904223u) >> 24);
    WriteBytes(noise, pixels);
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + Sh(wav) +
                         " -f rawvideo -pix_fmt gray -s 1448x1448 -i " + Sh(noise) +
                         " -map 0:a -map 1:v -c:a libmp3lame -b:a 128k -c:v png -disposition:v attached_pic " + Sh(mp3)),
              0);
    Bytes b = ReadBytes(mp3);
    ASSERT_EQ(std::string(b.begin(), b.begin() + 3), "ID3");
    ASSERT_GT(Id3v2TagBytes(b.data(), b.size()), 2000000);
    Ref<LAudioReader> r = OpenMp3Reader(mp3);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->sampleRate, 44100);
    EXPECT_EQ(r->channels, 2);
    EXPECT_EQ(r->Length(), static_cast<std::int32_t>(Reference(mp3).size() / 2));
    EXPECT_NEAR(r->Length(), 2 * 44100, 3 * 1152);
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
