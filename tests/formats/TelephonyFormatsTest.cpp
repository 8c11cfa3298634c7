// The raw and telephony formats: G.711 and Dialogic ADPCM coding, headerless files and their
// settings dialog, AU and AIFF headers (damaged ones included), GSM files, and their rows in
// the open and save paths.
#include "FormatTestSupport.h"
#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/DocumentCommands.h"
#include "core/ProgressTask.h"
#include "formats/AiffFile.h"
#include "formats/AudioFileIo.h"
#include "formats/AuFile.h"
#include "formats/DialogicAdpcm.h"
#include "formats/DialogicAdpcmFile.h"
#include "formats/FormatCommands.h"
#include "formats/G711.h"
#include "formats/GsmFile.h"
#include "formats/RawFile.h"
#include "formats/TagFiles.h"
#include "platform/Paths.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sv::test {
namespace {

void AppendBe32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}
void AppendBe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
// Interleaved sine of amplitude (internal samples) at freq Hz, the next channel at freq2.
std::vector<std::int32_t> SineSamples(std::int32_t frames, std::int32_t rate, std::vector<double> freqs, double amplitude,
                                      std::uint8_t channels = 1) {
    std::vector<std::int32_t> s;
    for (std::int32_t k = 0; k < frames; ++k)
        for (std::size_t c = 0; c < channels; ++c)
            s.push_back(static_cast<std::int32_t>(
                std::lrint(amplitude * std::sin(2 * M_PI * freqs[std::min(c, freqs.size() - 1)] * k / rate))));
    return s;
}

void AppendBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

Bytes AuHeader(std::uint32_t offset, std::uint32_t size, std::uint32_t encoding, std::uint32_t rate,
               std::uint32_t channels) {
    Bytes b;
    AppendFourCc(b, ".snd");
    for (std::uint32_t v : {offset, size, encoding, rate, channels}) AppendBe32(b, v);
    return b;
}

Bytes BeChunk(const char* id, const Bytes& body) {
    Bytes b;
    AppendFourCc(b, id);
    AppendBe32(b, static_cast<std::uint32_t>(body.size()));
    AppendBytes(b, body);
    if (body.size() & 1) b.push_back(0);
    return b;
}

Bytes CommBody(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, std::int32_t rate) {
    Bytes b;
    AppendBe16(b, channels);
    AppendBe32(b, frames);
    AppendBe16(b, bits);
    std::uint8_t ext[10];
    RateToExtended(rate, ext);
    b.insert(b.end(), ext, ext + 10);
    return b;
}

Bytes SsndBody(const Bytes& samples, std::uint32_t offset = 0) {
    Bytes b;
    AppendBe32(b, offset);
    AppendBe32(b, 0);
    b.insert(b.end(), offset, 0xEE);
    AppendBytes(b, samples);
    return b;
}

Bytes Form(const char* type, const Bytes& chunks) {
    Bytes b;
    AppendFourCc(b, "FORM");
    AppendBe32(b, static_cast<std::uint32_t>(chunks.size() + 4));
    AppendFourCc(b, type);
    AppendBytes(b, chunks);
    return b;
}

class TelephonyTest : public ::testing::Test, protected TestWorkspace {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        WriteBytes(files.File(name), bytes);
        return files.File(name);
    }
    TempFolder files;
};

TEST(G711Test, SpecialBytesDecodeToTheReconstructionValues) {
    EXPECT_EQ(MulawByteToInternal(0xFF), 0);
    EXPECT_EQ(MulawByteToInternal(0x00), -513984);
    EXPECT_EQ(MulawByteToInternal(0x80), 513984);
    EXPECT_EQ(InternalToMulawByte(0), 0xFF);
    EXPECT_EQ(AlawByteToInternal(0xD5), 0x80);
    EXPECT_EQ(AlawByteToInternal(0x55), -0x80);
    EXPECT_EQ(AlawByteToInternal(0xAA), 32256 * 16);
    // Beyond the last segment the mantissa stops at 15: no wrap into another code.
    EXPECT_EQ(InternalToMulawByte(0x7FFFFFFF), 0x80);
    EXPECT_EQ(InternalToMulawByte(INT32_MIN), 0x00);
    EXPECT_EQ(InternalToAlawByte(0x7FFFFFFF), 0xAA);
}

TEST(G711Test, EveryByteSurvivesDecodingAndEncoding) {
    for (int b = 0; b < 256; ++b) {
        // 0x7F is mu-law's negative zero, which encodes as the positive one.
        if (b != 0x7F) EXPECT_EQ(InternalToMulawByte(MulawByteToInternal(static_cast<std::uint8_t>(b))), b) << b;
        EXPECT_EQ(InternalToAlawByte(AlawByteToInternal(static_cast<std::uint8_t>(b))), b) << b;
    }
}

TEST(DialogicAdpcmTest, CodesFollowTheStepTableAndTheDecoderTracksTheEncoder) {
    DialogicAdpcmState d;
    // Code 7 at step 16: +16 * 15 * 16; the index then moves up by 8.
    EXPECT_EQ(d.Decode(7), 3840);
    EXPECT_EQ(d.stepIndex, 8);
    // Step 34 now; the predictor leaks 3840 >> 6 = 60; code 8 subtracts 16 * 1 * 34.
    EXPECT_EQ(d.Decode(8), 3840 - 60 - 544);
    EXPECT_EQ(d.stepIndex, 7);

    DialogicAdpcmState enc, dec;
    std::vector<std::int32_t> sine = SineSamples(4000, 8000, {440}, 200000);
    double err = 0, power = 0;
    for (std::size_t i = 0; i < sine.size(); ++i) {
        const std::int32_t back = dec.Decode(enc.Encode(sine[i]));
        EXPECT_EQ(back, enc.predictor);
        if (i >= 400) {
            err += std::pow(back - sine[i], 2.0);
            power += std::pow(sine[i], 2.0);
        }
    }
    EXPECT_GT(10 * std::log10(power / err), 15.0);
}

TEST_F(TelephonyTest, AdpcmFilesHoldTwoSamplesPerByteAndTheLastOneIsKept) {
    const std::string path = Write("three.vox", {0x77, 0x08, 0x80});
    Ref<LAudioReader> r = OpenRawReader(LRawSettings{8000, 2, kRawDialogicAdpcm}, path);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->Length(), 6);
    std::vector<std::int32_t> s = ReadAll(*r);
    EXPECT_EQ(s[0], 3840);

    const std::string out = files.File("five.vox");
    Ref<LAudioWriter> w = CreateRawWriter(LRawSettings{8000, 2, kRawDialogicAdpcm}, out);
    EXPECT_EQ(w->channels, 1);
    const std::int32_t five[] = {4000, 8000, 4000, 0, -4000};
    w->Write(five, 5);
    EXPECT_EQ(ReadBytes(out).size(), 2u);
    // The fifth nibble waits for the next write, and closing writes it rather than drop it.
    const std::int32_t sixth[] = {-8000};
    w->Write(sixth, 1);
    w->Write(five, 1);
    EXPECT_EQ(ReadBytes(out).size(), 3u);
    ASSERT_TRUE(w->Finish());
    EXPECT_EQ(ReadBytes(out).size(), 4u);
    EXPECT_EQ(ReadBytes(out)[3] & 0x0F, 0);
}

TEST_F(TelephonyTest, HeaderlessCodingsReadAndWriteTheirBytes) {
    struct Case {
        std::int32_t codec;
        Bytes bytes;
        std::vector<std::int32_t> samples;
    };
    const Case cases[] = {
        {kRawMulaw, {0xFF, 0x00}, {0, -513984}},
        {kRawAlaw, {0xD5, 0x55}, {0x80, -0x80}},
        {kRawPcm16Le, {0x01, 0x80, 0xFF, 0x7F}, {-32767 * 16, 32767 * 16}},
        {kRawUnsigned8, {0x00, 0xFF}, {-128 * 4096, 127 * 4096}},
        {kRawSigned8, {0x80, 0x7F}, {-128 * 4096, 127 * 4096}},
        {kRawPcm16Be, {0x80, 0x01, 0x7F, 0xFF}, {-32767 * 16, 32767 * 16}},
    };
    for (const Case& c : cases) {
        const std::string path = Write("in.raw", c.bytes);
        Ref<LAudioReader> r = OpenRawReader(LRawSettings{22050, 1, c.codec}, path);
        ASSERT_EQ(r->errorCode, 0) << c.codec;
        EXPECT_EQ(r->sampleRate, 22050);
        EXPECT_EQ(ReadAll(*r), c.samples) << c.codec;
        const std::string out = files.File("out.raw");
        {
            Ref<LAudioWriter> w = CreateRawWriter(LRawSettings{22050, 1, c.codec}, out);
            w->Write(c.samples.data(), static_cast<std::int32_t>(c.samples.size()));
        }
        EXPECT_EQ(ReadBytes(out), c.bytes) << c.codec;
    }
    // Two channels of 16-bit: frame count = bytes / 4, a partial frame left out.
    Ref<LAudioReader> st = OpenRawReader(LRawSettings{8000, 2, kRawPcm16Le}, Write("st.raw", Bytes(10, 0)));
    EXPECT_EQ(st->channels, 2);
    EXPECT_EQ(st->Length(), 2);
    EXPECT_EQ(OpenRawReader(LRawSettings{8000, 1, 7}, files.File("st.raw"))->errorCode, 3);
    EXPECT_EQ(OpenRawReader(LRawSettings{8000, 1, kRawPcm16Le}, files.File("none.raw"))->errorCode, 4);
    EXPECT_TRUE(CreateRawWriter(LRawSettings{8000, 1, -1}, files.File("x.raw"))->error);
}

TEST_F(TelephonyTest, TheRawDialogKeepsRatesOutsideItsRangeOutAndStoresWhatItAccepts) {
    host.dialogs.push_back({true, {{"rate", "5999"}}});
    host.dialogs.push_back({true, {{"rate", "196001"}}});
    host.dialogs.push_back({true, {{"rate", "6000"}, {"codec", "2"}, {"channels", "1"}}});
    ASSERT_TRUE(ShowRawDialog(host, &settings, "RawAudio", 44100, kRawPcm16Le));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    const DialogSpec& shown = host.shownDialogs[0];
    EXPECT_EQ(shown.resource, "LRawDlg");
    EXPECT_EQ(shown.Value("rate"), "44100");
    EXPECT_EQ(shown.Value("codec"), "3");
    ASSERT_NE(shown.Field("codec"), nullptr);
    EXPECT_EQ(shown.Field("codec")->choices, RawCodecNames());
    EXPECT_EQ(shown.Field("channels")->choices, (std::vector<std::string>{"1 - Mono", "2 - Stereo"}));
    LRawSettings stored = LoadRawSettings(&settings, "RawAudio", 44100, kRawPcm16Le);
    EXPECT_EQ(stored.sampleRate, 6000);
    EXPECT_EQ(stored.codec, kRawAlaw);
    EXPECT_EQ(stored.channels, 2);

    host.dialogs.push_back({true, {{"rate", "196000"}}});
    ASSERT_TRUE(ShowRawDialog(host, &settings, "RawAudio", 44100, kRawPcm16Le));
    EXPECT_EQ(LoadRawSettings(&settings, "RawAudio", 44100, kRawPcm16Le).sampleRate, 196000);
    // A stored channel count of 0 reads as 1.
    settings.WriteIntUserSetting("VoxAudio", "Channels", 0);
    EXPECT_EQ(LoadRawSettings(&settings, "VoxAudio", 8000, 0).channels, 1);
    EXPECT_EQ(LoadRawSettings(&settings, "VoxAudio", 8000, 0).sampleRate, 8000);
}

TEST_F(TelephonyTest, ARunOfRawOpensAsksOnceAndCancelStopsIt) {
    settings.WriteIntUserSetting("RawAudio", "Codec", kRawSigned8);
    host.dialogs.push_back({true, {{"rate", "11025"}}});
    bool askRaw = true, show = true;
    for (int i = 0; i < 10; ++i) {
        Ref<LAudioReader> r;
        const std::string path = Write("f" + std::to_string(i) + (i % 2 ? ".raw" : ".snd"), Bytes(100, 0x10));
        ASSERT_EQ(OpenAudioFile(r, path, &askRaw, &show, host, nullptr, &settings), 0);
        EXPECT_EQ(r->sampleRate, 11025);
        EXPECT_EQ(r->Length(), 100);
    }
    EXPECT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_FALSE(askRaw);
    askRaw = true;
    Ref<LAudioReader> r;
    host.dialogs.push_back({false, {}});
    EXPECT_EQ(OpenAudioFile(r, files.File("f1.raw"), &askRaw, &show, host, nullptr, &settings), 1);
    EXPECT_TRUE(host.messages.empty());
    // A missing raw file: the row's message.
    EXPECT_EQ(OpenAudioFile(r, files.File("gone.vox"), nullptr, &show, host, nullptr, &settings), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Cannot open the file \"" + files.File("gone.vox") + "\". Check it exists and you have read access.");
}

TEST_F(TelephonyTest, AuSamplesStartAtTheHeadersOffsetAndItsSizeIsClampedToTheFile) {
    Bytes au = AuHeader(32, 4, 3, 8000, 1);
    AppendBytes(au, Bytes{'n', 'o', 't', 'e', 0, 0, 0, 0});
    AppendBytes(au, {0x00, 0x10, 0xFF, 0xF0});
    Ref<LAudioReader> r = OpenAuReader(Write("a.au", au));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(ReadAll(*r), (std::vector<std::int32_t>{256, -256}));
    // A 24-byte file that claims 2 GB holds no frames; 0xFFFFFFFF reads to the end.
    EXPECT_EQ(OpenAuReader(Write("b.au", AuHeader(24, 0x80000000u, 3, 8000, 2)))->Length(), 0);
    Bytes open = AuHeader(24, 0xFFFFFFFFu, 1, 8000, 1);
    AppendBytes(open, Bytes(5, 0xFF));
    EXPECT_EQ(OpenAuReader(Write("c.au", open))->Length(), 5);
}

TEST_F(TelephonyTest, AuHeadersThatCannotBeTrueAreRefused) {
    EXPECT_EQ(OpenAuReader(Write("short.au", {'.', 's', 'n', 'd', 0, 0}))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("magic.au", Bytes(40, 0)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("offset.au", AuHeader(8, 100, 3, 8000, 1)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("none.au", AuHeader(24, 100, 3, 8000, 0)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("many.au", AuHeader(24, 100, 3, 8000, 256)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("rate.au", AuHeader(24, 100, 3, 0, 1)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("neg.au", AuHeader(24, 100, 3, 0x80000000u, 1)))->errorCode, 3);
    EXPECT_EQ(OpenAuReader(Write("g721.au", AuHeader(24, 100, 23, 8000, 1)))->errorCode, 5);
    EXPECT_EQ(OpenAuReader(files.File("missing.au"))->errorCode, 4);
    // Both 3 and 5 are a corrupt file to the user.
    bool show = true;
    Ref<LAudioReader> r;
    EXPECT_EQ(OpenAudioFile(r, files.File("g721.au"), nullptr, &show, host), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Cannot open the file \"" + files.File("g721.au") + "\" because it is corrupt.");
}

TEST_F(TelephonyTest, AuAndAiffFilesWrittenKeepEveryFrameAndTheirHeaders) {
    std::vector<std::int32_t> s;
    for (int k = 0; k < 20001; ++k) s.insert(s.end(), {(k % 200 - 100) * 16, -(k % 300) * 16});
    for (const char* name : {"out.au", "out.aiff"}) {
        const std::string path = files.File(name);
        const bool aiff = std::string(name) == "out.aiff";
        {
            Ref<LAudioWriter> w = aiff ? CreateAiffWriter(path, 44100, 2) : CreateAuWriter(path, 44100, 2);
            for (std::size_t at = 0; at < s.size(); at += 2 * 8192)
                w->Write(s.data() + at, static_cast<std::int32_t>(std::min<std::size_t>(8192, (s.size() - at) / 2)));
        }
        Bytes bytes = ReadBytes(path);
        const std::size_t header = aiff ? 54 : 24;
        ASSERT_EQ(bytes.size(), header + 20001 * 4);
        Ref<LAudioReader> r = aiff ? OpenAiffReader(path) : OpenAuReader(path);
        ASSERT_EQ(r->errorCode, 0) << name;
        EXPECT_EQ(r->sampleRate, 44100);
        EXPECT_EQ(r->channels, 2);
        EXPECT_EQ(ReadAll(*r), s) << name;
        if (aiff) {
            EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 38),
                      (Bytes{0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}));
            EXPECT_EQ(bytes[42] << 24 | bytes[43] << 16 | bytes[44] << 8 | bytes[45], 20001 * 4 + 8);
        } else {
            EXPECT_EQ(bytes[11] | bytes[10] << 8 | bytes[9] << 16, 20001 * 4);
        }
    }
}

TEST_F(TelephonyTest, AiffChunksAreFoundInAnyOrderWithTheirPadBytesAndTheSsndOffset) {
    Bytes chunks = BeChunk("SSND", SsndBody({0x01, 0x00, 0xFF, 0x00}, 3));
    AppendBytes(chunks, BeChunk("ANNO", Bytes(5, 'x')));  // odd: one pad byte follows
    AppendBytes(chunks, BeChunk("COMM", CommBody(1, 2, 16, 22050)));
    Ref<LAudioReader> r = OpenAiffReader(Write("order.aif", Form("AIFF", chunks)));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->sampleRate, 22050);
    EXPECT_EQ(ReadAll(*r), (std::vector<std::int32_t>{256 * 16, -256 * 16}));

    // 8-bit AIFF is signed; AIFF-C "sowt" holds little-endian samples.
    Bytes eight = BeChunk("COMM", CommBody(1, 2, 8, 8000));
    AppendBytes(eight, BeChunk("SSND", SsndBody({0x80, 0x7F})));
    EXPECT_EQ(ReadAll(*OpenAiffReader(Write("eight.aif", Form("AIFF", eight)))),
              (std::vector<std::int32_t>{-128 * 4096, 127 * 4096}));
    Bytes comm = CommBody(1, 1, 16, 8000);
    AppendBytes(comm, Bytes{'s', 'o', 'w', 't', 0, 0});
    Bytes sowt = BeChunk("COMM", comm);
    AppendBytes(sowt, BeChunk("SSND", SsndBody({0x01, 0x80})));
    EXPECT_EQ(ReadAll(*OpenAiffReader(Write("sowt.aifc", Form("AIFC", sowt)))),
              (std::vector<std::int32_t>{-32767 * 16}));
}

TEST_F(TelephonyTest, DamagedAiffHeadersAreRefusedAndLengthsClamped) {
    auto aiff = [](const Bytes& comm, const Bytes& ssnd) {
        Bytes c = BeChunk("COMM", comm);
        AppendBytes(c, BeChunk("SSND", ssnd));
        return Form("AIFF", c);
    };
    // An SSND that claims 2 GB holds what the file holds.
    Bytes big = aiff(CommBody(2, 0, 16, 44100), SsndBody(Bytes(40, 0)));
    big[42] = 0x80;  // the SSND size field, after FORM (12 bytes) and COMM (26)
    Ref<LAudioReader> r = OpenAiffReader(Write("big.aif", big));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->Length(), 10);
    // A huge 80-bit exponent, a zero rate, no channels, 64-bit samples, a short COMM, no SSND.
    Bytes hugeRate = CommBody(1, 0, 16, 8000);
    hugeRate[8] = 0x7F;
    hugeRate[9] = 0xFF;
    EXPECT_EQ(OpenAiffReader(Write("exp.aif", aiff(hugeRate, SsndBody({}))))->errorCode, 3);
    Bytes tinyRate = CommBody(1, 0, 16, 8000);
    tinyRate[8] = 0;
    tinyRate[9] = 1;
    EXPECT_EQ(OpenAiffReader(Write("tiny.aif", aiff(tinyRate, SsndBody({}))))->errorCode, 3);
    EXPECT_EQ(OpenAiffReader(Write("zero.aif", aiff(CommBody(0, 0, 16, 8000), SsndBody({}))))->errorCode, 3);
    EXPECT_EQ(OpenAiffReader(Write("wide.aif", aiff(CommBody(1, 0, 64, 8000), SsndBody({}))))->errorCode, 5);
    EXPECT_EQ(OpenAiffReader(Write("short.aif", Form("AIFF", BeChunk("COMM", Bytes(10, 0)))))->errorCode, 3);
    EXPECT_EQ(OpenAiffReader(Write("nossnd.aif", Form("AIFF", BeChunk("COMM", CommBody(1, 0, 16, 8000)))))->errorCode, 3);
    EXPECT_EQ(OpenAiffReader(Write("riff.aif", RiffWave({})))->errorCode, 3);
    Bytes comm = CommBody(1, 1, 16, 8000);
    AppendBytes(comm, Bytes{'i', 'm', 'a', '4', 0, 0});
    Bytes ima = BeChunk("COMM", comm);
    AppendBytes(ima, BeChunk("SSND", SsndBody(Bytes(34, 0))));
    EXPECT_EQ(OpenAiffReader(Write("ima.aifc", Form("AIFC", ima)))->errorCode, 5);
}

TEST(AiffRateTest, EightyBitRatesRoundTrip) {
    for (std::int32_t rate : {1, 6000, 8000, 11025, 44100, 48000, 96000, 196000, 0x7FFFFFFF}) {
        std::uint8_t ext[10];
        RateToExtended(rate, ext);
        std::int32_t back = 0;
        ASSERT_TRUE(ExtendedToRate(ext, back)) << rate;
        EXPECT_EQ(back, rate);
    }
}

TEST_F(TelephonyTest, GsmFilesPadTheirLastFrameAndSeekToTheSameSamples) {
    const std::string path = files.File("speech.gsm");
    std::vector<std::int32_t> s = SineSamples(1000, 8000, {300}, 150000);
    {
        Ref<LAudioWriter> w = CreateGsmWriter(path);
        EXPECT_EQ(w->sampleRate, 8000);
        w->Write(s.data(), 1000);
    }
    // 1000 samples: six whole frames and a seventh completed with silence.
    EXPECT_EQ(ReadBytes(path).size(), 7u * 33);
    Ref<LAudioReader> r = OpenGsmReader(path);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->Length(), 1120);
    EXPECT_EQ(r->fullScale, 0x7FFF0);
    std::vector<std::int32_t> all = ReadAll(*r);
    double err = 0, power = 0;
    for (int i = 200; i < 1000; ++i) {
        err += std::pow(all[static_cast<std::size_t>(i)] - s[static_cast<std::size_t>(i)], 2.0);
        power += std::pow(s[static_cast<std::size_t>(i)], 2.0);
    }
    EXPECT_GT(10 * std::log10(power / err), 6.0);
    // A seek to the start of a frame restarts the decoder there, as the first read did.
    r->Seek(0);
    std::vector<std::int32_t> again(160);
    r->Read(again.data(), 160);
    EXPECT_EQ(again, std::vector<std::int32_t>(all.begin(), all.begin() + 160));
    // A partial frame at the end of a file is not read as a frame.
    Bytes bytes = ReadBytes(path);
    bytes.resize(bytes.size() + 10, 0);
    EXPECT_EQ(OpenGsmReader(Write("partial.gsm", bytes))->Length(), 1120);
}

TEST_F(TelephonyTest, FixedFormatsGetTheirOwnRateAndChannelsOnSave) {
    LAudioData stereo = MakeSound(store, SineSamples(44100, 44100, {400, 600}, 100000, 2), 2, 44100);
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(stereo, files.File("in.wav"));
    // ".vox" by its stored settings: mono ADPCM at 8000 Hz, whatever "Channels" says.
    settings.WriteIntUserSetting("VoxAudio", "Channels", 2);
    ASSERT_EQ(SaveDocumentAs(ws, *doc, {files.File("out.vox"), 44100, 2, false, nullptr}), 0);
    EXPECT_EQ(ReadBytes(files.File("out.vox")).size(), 4000u);
    ASSERT_EQ(SaveDocumentAs(ws, *doc, {files.File("out.gsm"), 44100, 2, false, nullptr}), 0);
    EXPECT_EQ(ReadBytes(files.File("out.gsm")).size(), 50u * 33);
    // ".raw" at its stored rate and channels, with the options dialog first.
    host.dialogs.push_back({true, {{"rate", "22050"}, {"codec", "6"}, {"channels", "0"}}});
    ASSERT_EQ(SaveDocumentAs(ws, *doc, {files.File("out.raw"), 44100, 2, true, nullptr}), 0);
    EXPECT_EQ(host.shownDialogs.at(0).resource, "LRawDlg");
    EXPECT_EQ(ReadBytes(files.File("out.raw")).size(), 22050u * 2);
    Ref<LAudioReader> r;
    bool show = true;
    ASSERT_EQ(OpenAudioFile(r, files.File("out.raw"), nullptr, &show, host, nullptr, &settings), 0);
    EXPECT_EQ(r->sampleRate, 22050);
    EXPECT_EQ(r->channels, 1);
    // ".snd" opens as raw samples but has no writer.
    EXPECT_EQ(SaveDocumentAs(ws, *doc, {files.File("out.snd"), 44100, 2, false, nullptr}), 2);

    // Three channels into a two-channel raw file: refused with a message, nothing written.
    StoreRawSettings(&settings, "RawAudio", LRawSettings{8000, 2, kRawPcm16Le});
    Ref<LAudioDocument> three = LAudioDocument::CreateFromSound(MakeSound(store, std::vector<std::int32_t>(300, 16), 3, 8000),
                                                                files.File("three.wav"));
    host.progressErrors.clear();
    EXPECT_EQ(SaveDocumentAs(ws, *three, {files.File("three.raw"), 8000, 3, false, nullptr}), 2);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0], "Incapable de créer le fichier \"" + files.File("three.raw") +
                                          "\"pour l'enregistrement.\n\nCe format enregistre 2 canaux ; le son en a 3.");
    EXPECT_FALSE(FileExists(files.File("three.raw")));
}

class TelephonyMenuTest : public TelephonyTest {
protected:
    TelephonyMenuTest() {
        RegisterFormatCommands(registry);
        RegisterDocumentCommands(registry);
        InstallFormatServices(ws);
    }
};

TEST_F(TelephonyMenuTest, TheFileMenuOpensRawFilesWithOneQuestionAndSavesEveryFormatOfThisFamily) {
    Bytes pcm;
    for (int k = 0; k < 16000; ++k) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>((k % 400 - 200) * 50));
        pcm.push_back(static_cast<std::uint8_t>(v));
        pcm.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    host.openPicks.push_back({Write("a.raw", pcm), Write("b.raw", pcm)});
    host.dialogs.push_back({true, {{"rate", "16000"}, {"codec", "3"}, {"channels", "0"}}});
    ASSERT_TRUE(registry.Run(kCmdOpen, ws));
    EXPECT_EQ(host.shownDialogs.size(), 1u);
    ASSERT_EQ(ws.Documents().size(), 2u);
    LAudioDocument& doc = *ws.Active();
    EXPECT_EQ(doc.sound.sampleRate, 16000);
    EXPECT_EQ(doc.Length(), 16000);

    struct Target {
        const char* name;
        std::int32_t rate;
        std::int32_t frames;
    };
    // ".vox" takes its stored settings (8000 Hz); GSM its own rate, padded to whole frames.
    for (const Target& t : {Target{"m.au", 16000, 16000}, Target{"m.aiff", 16000, 16000}, Target{"m.aif", 16000, 16000},
                            Target{"m.gsm", 8000, 8000}, Target{"m.vox", 8000, 8000}}) {
        const std::string out = files.File(t.name);
        host.savePicks.push_back(out);
        if (LowerExtension(out) == ".vox") host.dialogs.push_back({true, {}});
        ASSERT_TRUE(registry.Run(kCmdSaveAs, ws)) << t.name;
        EXPECT_TRUE(host.progressErrors.empty()) << t.name;
        Ref<LAudioReader> r;
        bool show = true;
        ASSERT_EQ(OpenAudioFile(r, out, nullptr, &show, host, nullptr, &settings), 0) << t.name;
        EXPECT_EQ(r->sampleRate, t.rate) << t.name;
        EXPECT_EQ(r->channels, 1);
        EXPECT_EQ(r->Length(), t.frames) << t.name;
        EXPECT_EQ(doc.path, out);
    }
}

}  // namespace
}  // namespace sv::test
