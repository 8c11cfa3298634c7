// AU, AIFF, GSM, G.711, raw and Dialogic ADPCM files made by sox and ffmpeg open with the
// tools' own samples; the files we write are read back by sox and ffprobe.
#include "FormatTestSupport.h"
#include "formats/AiffFile.h"
#include "formats/AudioFileIo.h"
#include "formats/AuFile.h"
#include "formats/GsmFile.h"
#include "formats/RawFile.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace sv::test {
namespace {

struct MadeFile {
    const char* name;
    const char* make;    // tool command line: %s the source WAV, %o the file made
    const char* output;  // the made file's name (its extension picks our reader)
    int rawCodec;        // raw files: the codec index to open them with; -1 others
    int channels;
};

const MadeFile kMadeFiles[] = {
    {"sox aiff 8 bit", "sox %s -b 8 %o", "a8.aiff", -1, 2},
    {"sox aiff 16 bit", "sox %s -b 16 %o", "a16.aiff", -1, 2},
    {"sox aiff 24 bit", "sox %s -b 24 %o", "a24.aif", -1, 2},
    {"sox aiff 32 bit", "sox %s -b 32 %o", "a32.aif", -1, 1},
    {"sox aiff-c none", "sox %s -t aifc %o", "c.aif", -1, 2},
    {"ffmpeg aiff s16", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_s16be -f aiff %o", "f16.aif", -1, 2},
    {"ffmpeg aiff s24", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_s24be -f aiff %o", "f24.aif", -1, 1},
    {"ffmpeg aiff s32", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_s32be -f aiff %o", "f32.aif", -1, 2},
    {"ffmpeg aiff-c sowt", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_s16le -f aiff %o", "sowt.aif", -1, 2},
    {"ffmpeg aiff with annotation", "ffmpeg -nostdin -v error -y -i %s -metadata comment=abc -c:a pcm_s16be %o",
     "anno.aiff", -1, 1},
    {"sox au 16 bit", "sox %s -b 16 %o", "s16.au", -1, 2},
    {"sox au 8 bit", "sox %s -b 8 -e signed %o", "s8.au", -1, 1},
    {"sox au 24 bit", "sox %s -b 24 %o", "s24.au", -1, 2},
    {"sox au u-law", "sox %s -e u-law %o", "su.au", -1, 2},
    {"sox au a-law", "sox %s -e a-law %o", "sa.au", -1, 1},
    {"ffmpeg au s16", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_s16be %o", "f16.au", -1, 2},
    {"ffmpeg au u-law", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_mulaw %o", "fu.au", -1, 1},
    {"ffmpeg au a-law", "ffmpeg -nostdin -v error -y -i %s -c:a pcm_alaw %o", "fa.au", -1, 2},
    {"sox gsm", "sox %s -r 8000 -c 1 %o", "s.gsm", -1, 1},
    {"ffmpeg gsm", "ffmpeg -nostdin -v error -y -i %s -ar 8000 -ac 1 -c:a libgsm -f gsm %o", "f.gsm", -1, 1},
    {"sox raw u-law", "sox %s -t raw -e u-law %o", "u.raw", kRawMulaw, 2},
    {"sox raw a-law", "sox %s -t raw -e a-law %o", "a.raw", kRawAlaw, 1},
    {"sox raw s16le", "sox %s -t raw -e signed -b 16 -L %o", "s16.raw", kRawPcm16Le, 2},
    {"sox raw u8", "sox %s -t raw -e unsigned -b 8 %o", "u8.snd", kRawUnsigned8, 2},
    {"sox raw s8", "sox %s -t raw -e signed -b 8 %o", "s8.raw", kRawSigned8, 1},
    {"sox raw s16be", "sox %s -t raw -e signed -b 16 -B %o", "s16be.raw", kRawPcm16Be, 2},
    {"ffmpeg raw u-law", "ffmpeg -nostdin -v error -y -i %s -f mulaw %o", "fu.raw", kRawMulaw, 1},
    {"ffmpeg raw a-law", "ffmpeg -nostdin -v error -y -i %s -f alaw %o", "fa.raw", kRawAlaw, 2},
};

std::string Fill(std::string pattern, const std::string& src, const std::string& out) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"%s", Sh(src)}, {"%o", Sh(out)}})
        for (std::size_t at; (at = pattern.find(key)) != std::string::npos;) pattern.replace(at, 2, value);
    return pattern;
}

// sox's and ffmpeg's 32-bit output of a PCM or G.711 source in our internal units.
std::vector<std::int32_t> AsInternal(const std::vector<std::int32_t>& s32) {
    std::vector<std::int32_t> out;
    for (std::int32_t v : s32) out.push_back(static_cast<std::int32_t>((static_cast<std::int64_t>(v) + 0x800) >> 12));
    return out;
}

class MadeFileTest : public ::testing::TestWithParam<MadeFile> {
protected:
    MemorySettingsScope scope;
    Settings settings{scope, nullptr};
    ScriptedHost host;
    TempFolder dir;
};

TEST_P(MadeFileTest, OpensWithTheToolsOwnSamples) {
    const MadeFile& c = GetParam();
    const bool ffmpeg = std::string(c.make).rfind("ffmpeg", 0) == 0;
    if (!ToolExists("sox") || (ffmpeg && !ToolExists("ffmpeg"))) GTEST_SKIP() << "sox or ffmpeg missing";
    const std::string src = dir.File("src.wav"), file = dir.File(c.output), ref = dir.File("ref.raw");
    ASSERT_EQ(RunCommand("sox -n -r 16000 -b 16 -c " + std::to_string(c.channels) + " " + Sh(src) +
                         " synth 0.61 sine 440 sine 1250 gain -3 dither -s"),
              0);
    ASSERT_EQ(RunCommand(Fill(c.make, src, file)), 0) << Fill(c.make, src, file);
    const std::string type = c.rawCodec >= 0 ? " -t raw" : c.output[std::strlen(c.output) - 1] == 'm' ? " -t gsm" : "";
    const std::string rawIn = c.rawCodec == kRawMulaw   ? " -e u-law"
                              : c.rawCodec == kRawAlaw  ? " -e a-law"
                              : c.rawCodec == kRawPcm16Le ? " -e signed -b 16 -L"
                              : c.rawCodec == kRawUnsigned8 ? " -e unsigned -b 8"
                              : c.rawCodec == kRawSigned8   ? " -e signed -b 8"
                              : c.rawCodec == kRawPcm16Be   ? " -e signed -b 16 -B"
                                                            : "";
    const int rate = 16000;
    std::string decode = "sox" + type + rawIn +
                         (c.rawCodec >= 0 ? " -r " + std::to_string(rate) + " -c " + std::to_string(c.channels) : "") +
                         " " + Sh(file) + " -t raw -e signed -b 32 " + Sh(ref);
    ASSERT_EQ(RunCommand(decode), 0) << decode;

    if (c.rawCodec >= 0)
        StoreRawSettings(&settings, "RawAudio", LRawSettings{rate, static_cast<std::uint8_t>(c.channels), c.rawCodec});
    Ref<LAudioReader> r;
    bool show = true;
    ASSERT_EQ(OpenAudioFile(r, file, nullptr, &show, host, nullptr, &settings), 0) << host.messages.size();
    EXPECT_EQ(r->channels, c.channels);
    EXPECT_EQ(r->sampleRate, std::string(c.output).find(".gsm") != std::string::npos ? 8000 : 16000);
    EXPECT_EQ(ReadAll(*r), AsInternal(ReadRawS32(ref)));
}

INSTANTIATE_TEST_SUITE_P(Tools, MadeFileTest, ::testing::ValuesIn(kMadeFiles), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

class WrittenFileTest : public ::testing::Test {
protected:
    // 1.5 s of two tones, frame k of channel c.
    static std::vector<std::int32_t> Signal(int rate, int channels) {
        std::vector<std::int32_t> s;
        for (int k = 0; k < rate * 3 / 2; ++k)
            for (int c = 0; c < channels; ++c)
                s.push_back(16 * static_cast<std::int32_t>(std::lrint(12000 * std::sin(2 * M_PI * (300 + 500 * c) * k / rate))));
        return s;
    }
    static void WriteAll(LAudioWriter& w, const std::vector<std::int32_t>& s) {
        const std::size_t frame = w.channels;
        for (std::size_t at = 0; at < s.size(); at += frame * 8192)
            w.Write(s.data() + at, static_cast<std::int32_t>(std::min<std::size_t>(8192, (s.size() - at) / frame)));
        ASSERT_TRUE(w.Finish());
    }
    std::string Probe(const std::string& path, const char* entry) {
        return CommandOutput("ffprobe -v error -show_entries stream=" + std::string(entry) + " -of csv=p=0 " + Sh(path));
    }
    TempFolder dir;
};

TEST_F(WrittenFileTest, SoxAndFfprobeReadOurAuAndAiffFilesSampleForSample) {
    if (!ToolExists("sox") || !ToolExists("ffprobe")) GTEST_SKIP() << "sox or ffprobe missing";
    const std::vector<std::int32_t> s = Signal(22050, 2);
    for (const char* name : {"ours.au", "ours.aiff"}) {
        const std::string path = dir.File(name), ref = dir.File("ref.raw");
        {
            Ref<LAudioWriter> w = std::string(name) == "ours.au" ? CreateAuWriter(path, 22050, 2) : CreateAiffWriter(path, 22050, 2);
            WriteAll(*w, s);
        }
        EXPECT_EQ(CommandOutput("soxi -s " + Sh(path)), std::to_string(s.size() / 2) + "\n") << name;
        EXPECT_EQ(CommandOutput("soxi -r " + Sh(path)), "22050\n");
        EXPECT_EQ(CommandOutput("soxi -c " + Sh(path)), "2\n");
        EXPECT_EQ(Probe(path, "codec_name,sample_rate,channels"), "pcm_s16be,22050,2\n") << name;
        ASSERT_EQ(RunCommand("sox " + Sh(path) + " -t raw -e signed -b 32 " + Sh(ref)), 0);
        EXPECT_EQ(AsInternal(ReadRawS32(ref)), s) << name;
    }
}

TEST_F(WrittenFileTest, SoxAndFfprobeReadOurGsmAndRawFiles) {
    if (!ToolExists("sox") || !ToolExists("ffprobe")) GTEST_SKIP() << "sox or ffprobe missing";
    const std::vector<std::int32_t> speech = Signal(8000, 1);
    const std::string gsm = dir.File("ours.gsm"), ref = dir.File("ref.raw");
    {
        Ref<LAudioWriter> w = CreateGsmWriter(gsm);
        WriteAll(*w, std::vector<std::int32_t>(speech.begin(), speech.begin() + 11990));
    }
    EXPECT_EQ(Probe(gsm, "codec_name,sample_rate,channels"), "gsm,8000,1\n");
    // Both decoders are the published one: sox's samples are ours. 11990 samples fill 75
    // frames, the last completed with silence.
    ASSERT_EQ(RunCommand("sox " + Sh(gsm) + " -t raw -e signed -b 32 " + Sh(ref)), 0);
    EXPECT_EQ(ReadRawS32(ref).size(), 12000u);
    EXPECT_EQ(AsInternal(ReadRawS32(ref)), ReadAll(*OpenGsmReader(gsm)));

    const std::string raw = dir.File("ours.raw");
    const std::vector<std::int32_t> stereo = Signal(11025, 2);
    for (int codec : {kRawMulaw, kRawAlaw, kRawPcm16Le, kRawUnsigned8, kRawSigned8, kRawPcm16Be}) {
        {
            Ref<LAudioWriter> w = CreateRawWriter(LRawSettings{11025, 2, codec}, raw);
            WriteAll(*w, stereo);
        }
        const char* as[] = {"", "-e u-law", "-e a-law", "-e signed -b 16 -L", "-e unsigned -b 8", "-e signed -b 8",
                            "-e signed -b 16 -B"};
        ASSERT_EQ(RunCommand("sox -t raw -r 11025 -c 2 " + std::string(as[codec]) + " " + Sh(raw) +
                             " -t raw -e signed -b 32 " + Sh(ref)),
                  0);
        EXPECT_EQ(AsInternal(ReadRawS32(ref)), ReadAll(*OpenRawReader(LRawSettings{11025, 2, codec}, raw))) << codec;
    }
}

TEST(G711InteropTest, AllByteValuesDecodeAsFfmpegDecodesThem) {
    if (!ToolExists("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    TempFolder dir;
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    WriteBytes(dir.File("all.raw"), all);
    for (auto [format, codec] : {std::pair<const char*, int>{"mulaw", kRawMulaw}, {"alaw", kRawAlaw}}) {
        const std::string ref = dir.File("ref.raw");
        ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f " + std::string(format) + " -ar 8000 -ac 1 -i " +
                             Sh(dir.File("all.raw")) + " -f s32le " + Sh(ref)),
                  0);
        EXPECT_EQ(ReadAll(*OpenRawReader(LRawSettings{8000, 1, codec}, dir.File("all.raw"))), AsInternal(ReadRawS32(ref)))
            << format;
    }
}

// Our Dialogic decoder works at half sox's scale: its differences are 16 * (2c + 1) * step in
// internal units, that is (2c + 1) * step in 16-bit ones, where sox's 12-bit decoder yields
// (2c + 1) * step / 8 * 16. Shape and timing are the same.
TEST(DialogicInteropTest, SoxVoxFilesDecodeToHalfSoxsLevelAndOursDecodeInSox) {
    if (!ToolExists("sox")) GTEST_SKIP() << "sox missing";
    TempFolder dir;
    const std::string src = dir.File("src.wav"), vox = dir.File("sox.vox"), ref = dir.File("ref.raw");
    ASSERT_EQ(RunCommand("sox -n -r 8000 -c 1 -b 16 " + Sh(src) + " synth 1 sine 440 gain -8"), 0);
    ASSERT_EQ(RunCommand("sox " + Sh(src) + " -t vox " + Sh(vox)), 0);
    ASSERT_EQ(RunCommand("sox -t vox -r 8000 " + Sh(vox) + " -t raw -e signed -b 32 " + Sh(ref)), 0);
    std::vector<std::int32_t> soxs = AsInternal(ReadRawS32(ref));
    std::vector<std::int32_t> ours = ReadAll(*OpenRawReader(LRawSettings{8000, 1, kRawDialogicAdpcm}, vox));
    ASSERT_EQ(ours.size(), soxs.size());
    double dot = 0, a2 = 0, b2 = 0;
    for (std::size_t i = 800; i < ours.size(); ++i) {
        dot += static_cast<double>(ours[i]) * soxs[i];
        a2 += static_cast<double>(ours[i]) * ours[i];
        b2 += static_cast<double>(soxs[i]) * soxs[i];
    }
    EXPECT_GT(dot / std::sqrt(a2 * b2), 0.99);
    EXPECT_NEAR(std::sqrt(a2 / b2), 0.5, 0.03);

    // What we write, sox decodes to the same tone (at twice our level).
    const std::string mine = dir.File("ours.vox");
    {
        Ref<LAudioWriter> w = CreateRawWriter(LRawSettings{8000, 1, kRawDialogicAdpcm}, mine);
        w->Write(ours.data() + 800, 4000);
    }
    ASSERT_EQ(RunCommand("sox -t vox -r 8000 " + Sh(mine) + " -t raw -e signed -b 32 " + Sh(ref)), 0);
    std::vector<std::int32_t> back = AsInternal(ReadRawS32(ref));
    ASSERT_EQ(back.size(), 4000u);
    dot = a2 = b2 = 0;
    for (std::size_t i = 400; i < back.size(); ++i) {
        dot += static_cast<double>(back[i]) * ours[800 + i];
        a2 += static_cast<double>(back[i]) * back[i];
        b2 += static_cast<double>(ours[800 + i]) * ours[800 + i];
    }
    EXPECT_GT(dot / std::sqrt(a2 * b2), 0.95);
}

}  // namespace
}  // namespace sv::test
