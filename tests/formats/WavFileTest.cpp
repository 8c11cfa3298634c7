#include "FormatTestSupport.h"
#include "formats/AcmWavReader.h"
#include "formats/SampleConvert.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace sv::test {
namespace {

Bytes Pcm16(std::initializer_list<int> values) {
    Bytes b;
    for (int v : values) AppendLe16(b, static_cast<std::uint16_t>(v));
    return b;
}

TEST(SampleConversion, ReadsEachContainerByTheInternalRules) {
    std::int32_t out[2];
    const std::uint8_t u8[] = {0, 255};
    PcmToInternal(u8, 1, 2, out);
    EXPECT_EQ(out[0], -128 * 4096);
    EXPECT_EQ(out[1], 127 * 4096);
    const std::uint8_t s16[] = {0xFF, 0x7F, 0x00, 0x80};
    PcmToInternal(s16, 2, 2, out);
    EXPECT_EQ(out[0], 0x7FFF0);
    EXPECT_EQ(out[1], -0x80000);
    const std::uint8_t s24[] = {0x0F, 0x00, 0x00, 0xF1, 0xFF, 0xFF};  // 15 and -15
    PcmToInternal(s24, 3, 2, out);
    EXPECT_EQ(out[0], 0);   // 15 >> 4, no rounding
    EXPECT_EQ(out[1], -1);  // arithmetic shift of -15
    const std::uint8_t s32[] = {0x00, 0x08, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F};
    PcmToInternal(s32, 4, 2, out);
    EXPECT_EQ(out[0], 1);          // (0x800 + 0x800) >> 12
    EXPECT_EQ(out[1], 0x80000);    // INT32_MAX rounds up without overflow
}

TEST(SampleConversion, WritesWithRoundingAndWrapsInsteadOfClipping) {
    const std::int32_t in[] = {0x7FFF0 + 16, -8, 7};
    std::uint8_t s16[6];
    InternalToPcm(in, 2, 3, s16);
    EXPECT_EQ(s16[0] | (s16[1] << 8), 0x8000);  // 32768 wraps to -32768
    EXPECT_EQ(s16[2] | (s16[3] << 8), 0x0000);  // (-8 + 8) >> 4
    EXPECT_EQ(s16[4] | (s16[5] << 8), 0x0000);
    std::uint8_t u8[1];
    const std::int32_t half = 0x800;
    InternalToPcm(&half, 1, 1, u8);
    EXPECT_EQ(u8[0], 129);
    std::uint8_t s24[3];
    const std::int32_t neg = -1;
    InternalToPcm(&neg, 3, 1, s24);
    EXPECT_EQ(s24[0], 0xF0);
    EXPECT_EQ(s24[2], 0xFF);
}

class WavFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        std::string path = dir.File(name);
        WriteBytes(path, bytes);
        return path;
    }
    TempFolder dir;
};

TEST_F(WavFileTest, SixteenByteFmtAndChunksAroundItOpenNormally) {
    Bytes chunks;
    AppendChunk(chunks, "LIST", Bytes{'I', 'N', 'F', 'O', 'x'});  // odd size: skipped with its pad byte
    AppendChunk(chunks, "fmt ", FmtBody(1, 1, 8000, 16, false));
    AppendChunk(chunks, "fact", Bytes{1, 0, 0});
    AppendChunk(chunks, "data", Pcm16({1, -2, 3}));
    Ref<LAudioReader> r = OpenWavReader(Write("a.wav", RiffWave(chunks)));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->sampleRate, 8000);
    EXPECT_EQ(r->Length(), 3);
    EXPECT_EQ(ReadAll(*r), (std::vector<std::int32_t>{16, -32, 48}));
}

TEST_F(WavFileTest, LeadingNonRiffBlocksAreSteppedOver) {
    Bytes file;
    AppendFourCc(file, "JUNK");
    AppendLe32(file, 7);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 1, 2, 3, 0});
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1, 1, 8000, 16));
    AppendChunk(chunks, "data", Pcm16({5}));
    Bytes wave = RiffWave(chunks);
    file.insert(file.end(), wave.begin(), wave.end());
    Ref<LAudioReader> r = OpenWavReader(Write("b.wav", file));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(ReadAll(*r), std::vector<std::int32_t>{80});
}

TEST_F(WavFileTest, TwentyBitIsReadAsTwentyFourAndTwelveBitAsSixteen) {
    Bytes c20;
    AppendChunk(c20, "fmt ", FmtBody(1, 1, 44100, 20, true, 3));
    AppendChunk(c20, "data", Bytes{0x00, 0x10, 0x00});  // 0x001000 = 4096
    Ref<LAudioReader> r20 = OpenWavReader(Write("20.wav", RiffWave(c20)));
    EXPECT_EQ(ReadAll(*r20), std::vector<std::int32_t>{256});
    Bytes c12;
    AppendChunk(c12, "fmt ", FmtBody(1, 1, 44100, 12, true, 2));
    AppendChunk(c12, "data", Pcm16({-16}));
    Ref<LAudioReader> r12 = OpenWavReader(Write("12.wav", RiffWave(c12)));
    EXPECT_EQ(ReadAll(*r12), std::vector<std::int32_t>{-256});
}

TEST_F(WavFileTest, CorruptAndMissingFilesGiveTheirErrorCodes) {
    EXPECT_EQ(OpenWavReader(dir.File("missing.wav"))->errorCode, kReaderCannotOpen);
    EXPECT_EQ(OpenWavReader(dir.path())->errorCode, kReaderCannotOpen);
    EXPECT_EQ(OpenWavReader(Write("empty.wav", {}))->errorCode, kReaderCorrupt);
    auto corrupt = [&](const Bytes& chunks) { return OpenWavReader(Write("c.wav", RiffWave(chunks)))->errorCode; };
    Bytes noData;
    AppendChunk(noData, "fmt ", FmtBody(1, 1, 8000, 16));
    EXPECT_EQ(corrupt(noData), kReaderCorrupt);
    Bytes shortFmt;
    AppendChunk(shortFmt, "fmt ", Bytes(14, 1));
    AppendChunk(shortFmt, "data", Pcm16({1}));
    EXPECT_EQ(corrupt(shortFmt), kReaderCorrupt);
    Bytes zeroRate;
    AppendChunk(zeroRate, "fmt ", FmtBody(1, 1, 0, 16));
    AppendChunk(zeroRate, "data", Pcm16({1}));
    EXPECT_EQ(corrupt(zeroRate), kReaderCorrupt);
    Bytes tooFast;
    AppendChunk(tooFast, "fmt ", FmtBody(1, 1, 196001, 16));
    AppendChunk(tooFast, "data", Pcm16({1}));
    EXPECT_EQ(corrupt(tooFast), kReaderCorrupt);
    Bytes dataFirst;
    AppendChunk(dataFirst, "data", Pcm16({1}));
    AppendChunk(dataFirst, "fmt ", FmtBody(1, 1, 8000, 16));
    EXPECT_EQ(corrupt(dataFirst), kReaderCorrupt);
    Bytes unknownCodec;
    AppendChunk(unknownCodec, "fmt ", FmtBody(0x55, 1, 8000, 0));
    AppendChunk(unknownCodec, "data", Bytes(10, 0));
    EXPECT_EQ(corrupt(unknownCodec), kReaderCodecMissing);
}

TEST_F(WavFileTest, NegativePositionsAndFramesPastTheEndAreSilence) {
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1, 1, 8000, 16));
    Bytes data;
    for (int i = 1; i <= 250; ++i) AppendLe16(data, static_cast<std::uint16_t>(i));
    AppendChunk(chunks, "data", data);
    Ref<LAudioReader> r = OpenWavReader(Write("n.wav", RiffWave(chunks)));
    r->Seek(-100);
    std::vector<std::int32_t> out(300, -1);
    r->Read(out.data(), 300);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(out[static_cast<std::size_t>(i)], 0);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(out[static_cast<std::size_t>(100 + i)], (i + 1) * 16);
    EXPECT_EQ(r->Position(), 200);
    r->Read(out.data(), 100);
    EXPECT_EQ(out[49], 250 * 16);
    EXPECT_EQ(out[50], 0);
    EXPECT_EQ(r->Position(), 300);
}

TEST_F(WavFileTest, UnfinishedSizesMeanUpToTheEndAndATruncatedFileIsAsLongAsItsData) {
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1, 2, 8000, 16));
    AppendFourCc(chunks, "data");
    AppendLe32(chunks, 0xFFFFFFFFu);
    Bytes data = Pcm16({1, 2, 3, 4, 5, 6, 7});  // 3.5 frames
    chunks.insert(chunks.end(), data.begin(), data.end());
    Ref<LAudioReader> open = OpenWavReader(Write("open.wav", RiffWave(chunks)));
    EXPECT_EQ(open->Length(), 3);

    Bytes overlong;
    AppendChunk(overlong, "fmt ", FmtBody(1, 1, 8000, 16));
    AppendFourCc(overlong, "data");
    AppendLe32(overlong, 100);
    Bytes two = Pcm16({9, 9});
    overlong.insert(overlong.end(), two.begin(), two.end());
    Ref<LAudioReader> r = OpenWavReader(Write("long.wav", RiffWave(overlong)));
    EXPECT_EQ(r->Length(), 2);
    std::vector<std::int32_t> all = ReadAll(*r);
    EXPECT_EQ(all, (std::vector<std::int32_t>{144, 144}));

    // A recording cut short: RIFF and data sizes claim 19 minutes, the file holds 2 seconds.
    Bytes cut;
    AppendChunk(cut, "fmt ", FmtBody(1, 2, 8000, 16));
    AppendFourCc(cut, "data");
    AppendLe32(cut, 8000u * 4u * 60u * 19u);
    Bytes held(8000u * 4u * 2u + 3u, 1);  // and a partial frame
    cut.insert(cut.end(), held.begin(), held.end());
    Bytes file = RiffWave(cut);
    file[4] = file[5] = file[6] = 0xEE;
    Ref<LAudioReader> shortened = OpenWavReader(Write("cut.wav", file));
    ASSERT_EQ(shortened->errorCode, 0);
    EXPECT_EQ(shortened->Length(), 16000);
}

TEST_F(WavFileTest, RoomKeptForRf64ThatIsNotNeededStaysAJunkChunkOfAPlainRiffFile) {
    // Told of more than 4 GiB, then cut back (a cancelled save, a truncated recording).
    std::string path = dir.File("junk.wav");
    std::vector<std::int32_t> samples = {16, -16, 32, -32};
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 2, 2);
        w->Reserve(std::int64_t(1) << 31);
        w->Write(samples.data(), 2);
        ASSERT_TRUE(w->Finish());
    }
    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 82u + 8u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le32At(b, 4), 82u + 8u - 8u);
    EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "JUNK");
    EXPECT_EQ(Le32At(b, 16), 28u);
    EXPECT_EQ(Le32At(b, 78), 8u);
    Ref<LAudioReader> r = OpenWavReader(path);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(ReadAll(*r), samples);
}

TEST_F(WavFileTest, EightBitThreeChannelOddLengthRoundTripsWithExactHeader) {
    std::string path = dir.File("odd.wav");
    std::vector<std::int32_t> samples;
    for (int i = 0; i < 15; ++i) samples.push_back((i - 7) * 4096);  // 5 frames of 3 channels
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 22050, 3, 1);
        EXPECT_EQ(Le32At(ReadBytes(path), 4), 0xFFFFFFFFu);  // open: sizes unknown
        w->Write(samples.data(), 5);
        EXPECT_TRUE(w->Finish());
    }
    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 46u + 15u);  // no pad byte
    EXPECT_EQ(Le32At(b, 4), 15u + 38u);
    EXPECT_EQ(Le32At(b, 16), 18u);
    EXPECT_EQ(Le32At(b, 42), 15u);
    EXPECT_EQ(b[32] | (b[33] << 8), 3);
    EXPECT_EQ(Le32At(b, 28), 22050u * 3u);
    Ref<LAudioReader> r = OpenWavReader(path);
    EXPECT_EQ(r->channels, 3);
    EXPECT_EQ(ReadAll(*r), samples);
}

TEST_F(WavFileTest, WriterReplacesAnExistingFileAndTruncateCutsIt) {
    std::string path = Write("t.wav", Bytes(5000, 0xAB));
    std::vector<std::int32_t> s(200, 160);
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 2, 2);
        w->Write(s.data(), 100);
        w->Truncate(40);
        EXPECT_EQ(w->framesWritten, 40);
        w->Write(s.data(), 10);
    }
    Bytes b = ReadBytes(path);
    EXPECT_EQ(b.size(), 46u + 50u * 4u);
    EXPECT_EQ(Le32At(b, 42), 200u);
}

TEST_F(WavFileTest, EveryWidthRoundTripsThroughCreateWavWriter) {
    for (std::uint16_t bits : {8, 16, 24, 32}) {
        std::string path = dir.File("w" + std::to_string(bits) + ".wav");
        std::vector<std::int32_t> s = {0, 4096, -4096, 0x7F000, -0x80000};
        {
            Ref<LAudioWriter> w = CreateWavWriter(path, MakePcmFormat(48000, 1, bits));
            w->Write(s.data(), 5);
        }
        Ref<LAudioReader> r = OpenWavReader(path);
        EXPECT_EQ(r->sampleRate, 48000);
        EXPECT_EQ(ReadAll(*r), s) << bits;
    }
}

TEST_F(WavFileTest, WriterThatCannotCreateItsFileSetsTheErrorFlag) {
    Ref<LAudioWriter> w = CreatePcmWavWriter(dir.File("no/such/folder.wav"), 8000, 1, 2);
    EXPECT_TRUE(w->error);
    std::int32_t s = 0;
    w->Write(&s, 1);
    EXPECT_EQ(w->framesWritten, 1);
}

}  // namespace
}  // namespace sv::test
