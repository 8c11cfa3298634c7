// Files made by sox and ffmpeg are opened and compared with the tools' own decoding; files we
// write are read back by sox and ffprobe.
#include "FormatTestSupport.h"
#include "formats/AlawCodec.h"
#include "formats/FloatCodec.h"
#include "formats/GsmCodec.h"
#include "formats/ImaAdpcmCodec.h"
#include "formats/MsAdpcmCodec.h"
#include "formats/MulawCodec.h"
#include "core/ProgressTask.h"
#include "core/TagSet.h"
#include "formats/AudioFileIo.h"
#include "formats/SampleConvert.h"
#include "formats/TagFiles.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace sv::test {
namespace {

struct ToolCase {
    const char* name;
    const char* tool;     // "sox" or "ffmpeg"
    const char* options;  // encoding options of the tool
    int channels;
    std::uint16_t expectTag;
    int tolerance;        // in internal units; 0 = exact under the conversion rules
    int blockFrames;      // frames our decoder may give beyond the tool's count (whole blocks)
};

const ToolCase kToolCases[] = {
    {"sox u8", "sox", "-e unsigned -b 8", 2, 1, 0, 1},
    {"sox s16", "sox", "-e signed -b 16", 2, 1, 0, 1},
    {"sox s24 extensible", "sox", "-e signed -b 24", 2, 0xFFFE, 0, 1},
    {"sox s32 extensible", "sox", "-e signed -b 32", 2, 0xFFFE, 0, 1},
    {"sox float32", "sox", "-e floating-point -b 32", 2, 3, 16, 1},
    {"sox float64", "sox", "-e floating-point -b 64", 2, 3, 16, 1},
    {"sox a-law", "sox", "-e a-law", 2, 6, 0, 1},
    {"sox u-law", "sox", "-e u-law", 2, 7, 0, 1},
    {"sox ima adpcm", "sox", "-e ima-adpcm", 2, 0x11, 16, 1017},
    {"sox ms adpcm", "sox", "-e ms-adpcm", 2, 2, 16, 1012},
    {"sox gsm", "sox", "-e gsm-full-rate", 1, 0x31, 16, 320},
    {"ffmpeg u8", "ffmpeg", "-c:a pcm_u8", 2, 1, 0, 1},
    {"ffmpeg s16", "ffmpeg", "-c:a pcm_s16le", 2, 1, 0, 1},
    {"ffmpeg s24", "ffmpeg", "-c:a pcm_s24le", 2, 0xFFFE, 0, 1},
    {"ffmpeg s32", "ffmpeg", "-c:a pcm_s32le", 2, 0xFFFE, 0, 1},
    {"ffmpeg float32 extensible", "ffmpeg", "-c:a pcm_f32le", 2, 0xFFFE, 16, 1},
    {"ffmpeg float64 extensible", "ffmpeg", "-c:a pcm_f64le", 2, 0xFFFE, 16, 1},
    {"ffmpeg a-law", "ffmpeg", "-c:a pcm_alaw", 2, 6, 0, 1},
    {"ffmpeg u-law", "ffmpeg", "-c:a pcm_mulaw", 2, 7, 0, 1},
    // ffmpeg expands IMA codes with an exact product where the published decoder (and sox, and
    // we) add shifted steps; the two drift apart by a few 16-bit steps within a block.
    {"ffmpeg ima adpcm", "ffmpeg", "-c:a adpcm_ima_wav", 2, 0x11, 32 * 16, 2041},
    {"ffmpeg ms adpcm", "ffmpeg", "-c:a adpcm_ms", 2, 2, 16, 2036},
    {"ffmpeg gsm", "ffmpeg", "-c:a libgsm_ms", 1, 0x31, 16, 320},
};

class ToolFileTest : public ::testing::TestWithParam<ToolCase> {
protected:
    TempFolder dir;
};

TEST_P(ToolFileTest, OpensAndMatchesTheToolsOwnDecoding) {
    const ToolCase& c = GetParam();
    if (!ToolExists("sox") || !ToolExists(c.tool)) GTEST_SKIP() << c.tool << " is not installed";
    std::string src = dir.File("src.wav"), file = dir.File("tool.wav"), raw = dir.File("ref.raw");
    ASSERT_EQ(RunCommand("sox -n -r 8000 -c " + std::to_string(c.channels) + " -b 16 " + Sh(src) +
                         " synth 0.7 sine 440 sine 700 gain -4"),
              0);
    std::string make = std::string(c.tool) == "sox"
                           ? "sox " + Sh(src) + " " + c.options + " " + Sh(file)
                           : "ffmpeg -nostdin -v error -y -i " + Sh(src) + " " + c.options + " " + Sh(file);
    ASSERT_EQ(RunCommand(make), 0) << make;
    std::string decode = std::string(c.tool) == "sox"
                             ? "sox " + Sh(file) + " -t raw -e signed -b 32 " + Sh(raw)
                             : "ffmpeg -nostdin -v error -y -i " + Sh(file) + " -f s32le -c:a pcm_s32le " + Sh(raw);
    ASSERT_EQ(RunCommand(decode), 0) << decode;
    Bytes head = ReadBytes(file);
    ASSERT_GT(head.size(), 22u);
    EXPECT_EQ(head[20] | (head[21] << 8), c.expectTag);

    std::vector<std::int32_t> ref = ReadRawS32(raw);
    Ref<LAudioReader> r = OpenWavReader(file);
    ASSERT_EQ(r->errorCode, 0) << c.name;
    EXPECT_EQ(r->channels, c.channels);
    EXPECT_EQ(r->sampleRate, 8000);
    // The sound is 5,600 frames; block codecs pad their last block, which a "fact" chunk (sox
    // writes one) leaves out of the length and which the tools' decoders may still deliver.
    const std::int64_t soundFrames = 5600;
    std::int64_t refFrames = static_cast<std::int64_t>(ref.size()) / c.channels;
    EXPECT_GE(refFrames, soundFrames);
    EXPECT_GE(r->Length(), soundFrames);
    EXPECT_LT(r->Length(), soundFrames + c.blockFrames);
    if (c.blockFrames > 1 && std::string(c.tool) == "sox") {
        EXPECT_EQ(r->Length(), soundFrames);
    }
    std::vector<std::int32_t> ours = ReadAll(*r);
    const std::size_t compared = std::min(ours.size(), ref.size());
    ASSERT_GE(compared, static_cast<std::size_t>(soundFrames) * c.channels);
    int worst = 0;
    for (std::size_t i = 0; i < compared; ++i) {
        auto expected = static_cast<std::int32_t>((static_cast<std::int64_t>(ref[i]) + 0x800) >> 12);
        worst = std::max(worst, std::abs(ours[i] - expected));
    }
    EXPECT_LE(worst, c.tolerance) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolFileTest, ::testing::ValuesIn(kToolCases),
                         [](const ::testing::TestParamInfo<ToolCase>& param) {
                             std::string n;
                             for (const char* p = param.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

struct WriteCase {
    const char* name;
    WAVEFORMATEX format;
    const char* soxEncoding;  // as soxi -e prints it
    double minSnrDb;          // our samples against the original; 0 = exact
};

std::vector<WriteCase> WriteCases() {
    return {
        {"pcm8", MakePcmFormat(8000, 2, 8), "Unsigned Integer PCM", 0},
        {"pcm16", MakePcmFormat(8000, 2, 16), "Signed Integer PCM", 0},
        {"pcm24", MakePcmFormat(8000, 2, 24), "Signed Integer PCM", 0},
        {"pcm32", MakePcmFormat(8000, 2, 32), "Signed Integer PCM", 0},
        {"float32", MakeFloatFormat(8000, 2, 32), "Floating Point PCM", 90},
        {"float64", MakeFloatFormat(8000, 2, 64), "Floating Point PCM", 90},
        {"alaw", MakeAlawFormat(8000, 2), "A-law", 30},
        {"mulaw", MakeMulawFormat(8000, 2), "u-law", 30},
        {"ima", MakeImaAdpcmFormat(8000, 2), "IMA ADPCM", 20},
        {"msadpcm", MakeMsAdpcmFormat(8000, 2), "MS ADPCM", 20},
        {"gsm", MakeGsmFormat(8000), "GSM", 3},
    };
}

TEST(OurFilesInTools, EveryWritableFormatIsReadBackBySoxWithTheRightFormatLengthAndSamples) {
    if (!ToolExists("sox") || !ToolExists("soxi")) GTEST_SKIP() << "sox is not installed";
    TempFolder dir;
    for (const WriteCase& c : WriteCases()) {
        SCOPED_TRACE(c.name);
        const int channels = c.format.channels;
        const std::int32_t frames = 8000;  // one second
        std::vector<std::int32_t> original(static_cast<std::size_t>(frames) * channels);
        for (std::int32_t k = 0; k < frames; ++k)
            for (int ch = 0; ch < channels; ++ch)
                original[static_cast<std::size_t>(k) * channels + ch] =
                    static_cast<std::int32_t>(std::lround(12000 * std::sin(2 * M_PI * (440 + 260 * ch) * k / 8000.0))) * 16;
        std::string path = dir.File(std::string(c.name) + ".wav");
        {
            Ref<LAudioWriter> w = CreateWavWriter(path, c.format);
            ASSERT_FALSE(w->error) << w->errorText;
            for (std::int32_t at = 0; at < frames; at += 1000) w->Write(original.data() + static_cast<std::size_t>(at) * channels, 1000);
            ASSERT_TRUE(w->Finish());
        }
        EXPECT_EQ(CommandOutput("soxi -e " + Sh(path)), std::string(c.soxEncoding) + "\n");
        EXPECT_EQ(CommandOutput("soxi -r " + Sh(path)), "8000\n");
        EXPECT_EQ(CommandOutput("soxi -c " + Sh(path)), std::to_string(channels) + "\n");
        std::string raw = dir.File(std::string(c.name) + ".raw");
        ASSERT_EQ(RunCommand("sox " + Sh(path) + " -t raw -e signed -b 32 " + Sh(raw) + " 2>/dev/null"), 0);
        std::vector<std::int32_t> back = ReadRawS32(raw);
        // Block codecs pad the last block with silence.
        ASSERT_GE(back.size(), original.size());
        ASSERT_LT(back.size(), original.size() + 2100u * channels);
        Ref<LAudioReader> ours = OpenWavReader(path);
        std::vector<std::int32_t> mine = ReadAll(*ours);
        double signal = 0, noise = 0;
        int worstAgainstSox = 0;
        for (std::size_t i = 0; i < original.size(); ++i) {
            auto fromSox = static_cast<std::int32_t>((static_cast<std::int64_t>(back[i]) + 0x800) >> 12);
            worstAgainstSox = std::max(worstAgainstSox, std::abs(fromSox - mine[i]));
            signal += double(original[i]) * original[i];
            noise += double(original[i] - mine[i]) * (original[i] - mine[i]);
        }
        EXPECT_LE(worstAgainstSox, c.minSnrDb == 0 ? 0 : 16);
        if (c.minSnrDb == 0) {
            // Exact under the conversion rules: what the container can hold of each sample.
            int width = ContainerWidth(c.format.bitsPerSample);
            std::vector<std::uint8_t> packed(original.size() * static_cast<std::size_t>(width));
            std::vector<std::int32_t> expected(original.size());
            InternalToPcm(original.data(), width, original.size(), packed.data());
            PcmToInternal(packed.data(), width, original.size(), expected.data());
            EXPECT_EQ(std::vector<std::int32_t>(mine.begin(), mine.begin() + static_cast<std::ptrdiff_t>(original.size())), expected);
        } else {
            EXPECT_GT(10 * std::log10(signal / std::max(noise, 1.0)), c.minSnrDb);
        }
    }
}

TEST(OurFilesInTools, CompressedFilesHaveTheirTrueLengthInSoxAndFfprobe) {
    if (!ToolExists("soxi") || !ToolExists("ffprobe")) GTEST_SKIP() << "sox or ffprobe is not installed";
    TempFolder dir;
    // 8,111 frames: no codec's block size divides it, so every last block is padded.
    const std::int32_t frames = 8111;
    for (const WAVEFORMATEX& f : {MakeImaAdpcmFormat(8000, 2), MakeMsAdpcmFormat(8000, 1), MakeGsmFormat(8000)}) {
        SCOPED_TRACE(f.formatTag);
        std::string path = dir.File("c" + std::to_string(f.formatTag) + ".wav");
        {
            Ref<LAudioWriter> w = CreateWavWriter(path, f);
            std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * f.channels, 3200);
            w->Write(s.data(), 8000);
            w->Write(s.data(), frames - 8000);
            ASSERT_TRUE(w->Finish());
        }
        // sox reads the file but counts whole blocks, for its own files with "fact" as well.
        EXPECT_EQ(RunCommand("sox " + Sh(path) + " -n 2>/dev/null"), 0);
        EXPECT_GE(std::atoi(CommandOutput("soxi -s " + Sh(path)).c_str()), frames);
        std::string ts = CommandOutput("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 " + Sh(path));
        EXPECT_EQ(ts, std::to_string(frames) + "\n");
        EXPECT_EQ(OpenWavReader(path)->Length(), frames);
    }
}

// Lowers the RF64 switch for one test, so that a small file takes the path of one beyond 4 GiB.
struct LowRf64Threshold {
    explicit LowRf64Threshold(std::int64_t bytes) : saved(Rf64Threshold()) { SetRf64Threshold(bytes); }
    ~LowRf64Threshold() { SetRf64Threshold(saved); }
    std::int64_t saved;
};

class CountedReader : public LAudioReader {
public:
    CountedReader(std::int32_t frames, std::uint8_t ch) : frames_(frames) { channels = ch; }
    void Read(std::int32_t* dst, std::int32_t n) override {
        for (std::int32_t k = 0; k < n; ++k)
            for (int c = 0; c < channels; ++c) dst[k * channels + c] = Sample(pos_ + k, c);
        pos_ += n;
    }
    std::int32_t Position() const override { return pos_; }
    std::int32_t Length() const override { return frames_; }
    void Seek(std::int32_t p) override { pos_ = p; }
    static std::int32_t Sample(std::int64_t k, int c) { return static_cast<std::int32_t>((k * 37 + c * 1000) % 60000 - 30000) * 16; }

private:
    std::int32_t frames_;
    std::int32_t pos_ = 0;
};

TEST(OurFilesInTools, DataBeyondTheRiffLimitIsWrittenAsRf64ThatSoxAndFfprobeRead) {
    if (!ToolExists("sox") || !ToolExists("ffprobe")) GTEST_SKIP() << "sox or ffprobe is not installed";
    TempFolder dir;
    LowRf64Threshold low(10000);
    const std::int32_t frames = 20000;  // 80,000 data bytes in 16-bit stereo
    ScriptedHost host;
    // Through the pump, which tells the writer the size at once, and by plain writes, where
    // the writer learns it only at the end.
    for (bool pumped : {true, false}) {
        SCOPED_TRACE(pumped);
        std::string path = dir.File(pumped ? "pumped.wav" : "written.wav");
        {
            Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 2, 2);
            if (pumped) {
                FunctionTask task("t", [&](LProgressTask& t) {
                    return PumpSamples(t, Ref<LAudioReader>(new CountedReader(frames, 2)), w);
                });
                RunTask(host, task);
                ASSERT_EQ(task.Result(), 0);
            } else {
                Ref<LAudioReader> src(new CountedReader(frames, 2));
                std::vector<std::int32_t> buf(8192u * 2u);
                for (std::int32_t at = 0; at < frames; at += 8192) {
                    std::int32_t n = std::min(8192, frames - at);
                    src->Read(buf.data(), n);
                    w->Write(buf.data(), n);
                }
            }
            ASSERT_TRUE(w->Finish()) << w->errorText;
        }
        LTagSet tags;
        tags.Set("ARTIST", "Quelqu'un");
        tags.Set("TITLE", "Long");
        ASSERT_TRUE(WriteTags(tags, path));

        Bytes b = ReadBytes(path);
        ASSERT_EQ(b.size() % 2, 0u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RF64");
        EXPECT_EQ(Le32At(b, 4), 0xFFFFFFFFu);
        EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "ds64");
        EXPECT_EQ(Le32At(b, 20), b.size() - 8);  // RIFF size, covering the tags
        EXPECT_EQ(Le32At(b, 28), 80000u);        // data size
        EXPECT_EQ(Le32At(b, 36), 20000u);        // sample count
        EXPECT_EQ(Le32At(b, 78), 0xFFFFFFFFu);

        EXPECT_EQ(CommandOutput("soxi -s " + Sh(path)), "20000\n");
        EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 " + Sh(path)), "20000\n");
        std::string raw = dir.File("back.raw");
        ASSERT_EQ(RunCommand("sox " + Sh(path) + " -t raw -e signed -b 32 " + Sh(raw) + " 2>/dev/null"), 0);
        std::vector<std::int32_t> back = ReadRawS32(raw);
        ASSERT_EQ(back.size(), 40000u);
        Ref<LAudioReader> ours = OpenWavReader(path);
        ASSERT_EQ(ours->Length(), frames);
        std::vector<std::int32_t> mine = ReadAll(*ours);
        for (std::size_t i = 0; i < back.size(); i += 997) {
            const std::int32_t expected = CountedReader::Sample(static_cast<std::int64_t>(i / 2), static_cast<int>(i % 2));
            ASSERT_EQ(back[i] >> 12, expected) << i;
            ASSERT_EQ(mine[i], expected) << i;
        }
        LTagSet read;
        ASSERT_TRUE(ReadTags(read, path));
        EXPECT_EQ(read.Get("ARTIST"), "Quelqu'un");
        EXPECT_EQ(read.Get("TITLE"), "Long");
    }
}

TEST(OurFilesInTools, CompressedDataBeyondTheRiffLimitIsRf64WithItsFactCount) {
    if (!ToolExists("sox") || !ToolExists("ffprobe")) GTEST_SKIP() << "sox or ffprobe is not installed";
    TempFolder dir;
    LowRf64Threshold low(10000);
    const std::int32_t frames = 3001;  // 24,008 bytes of 64-bit float mono
    ScriptedHost host;
    for (bool pumped : {true, false}) {
        SCOPED_TRACE(pumped);
        std::string path = dir.File(pumped ? "pumped.wav" : "written.wav");
        {
            Ref<LAudioWriter> w = CreateWavWriter(path, MakeFloatFormat(8000, 1, 64));
            Ref<LAudioReader> src(new CountedReader(frames, 1));
            if (pumped) {
                FunctionTask task("t", [&](LProgressTask& t) { return PumpSamples(t, src, w); });
                RunTask(host, task);
                ASSERT_EQ(task.Result(), 0);
            } else {
                std::vector<std::int32_t> buf(static_cast<std::size_t>(frames));
                src->Read(buf.data(), frames);
                w->Write(buf.data(), frames);
            }
            ASSERT_TRUE(w->Finish()) << w->errorText;
        }
        Bytes b = ReadBytes(path);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RF64");
        EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "ds64");
        EXPECT_EQ(Le32At(b, 20), b.size() - 8);
        EXPECT_EQ(Le32At(b, 28), 24008u);
        EXPECT_EQ(CommandOutput("soxi -s " + Sh(path)), "3001\n");
        EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 " + Sh(path)), "3001\n");
        Ref<LAudioReader> ours = OpenWavReader(path);
        ASSERT_EQ(ours->errorCode, 0);
        EXPECT_EQ(ours->Length(), frames);
        std::vector<std::int32_t> mine = ReadAll(*ours);
        for (std::int32_t k = 0; k < frames; k += 101) ASSERT_NEAR(mine[static_cast<std::size_t>(k)], CountedReader::Sample(k, 0), 16) << k;
    }
}

TEST(OurFilesInTools, Rf64FilesMadeByFfmpegOpen) {
    if (!ToolExists("sox") || !ToolExists("ffmpeg")) GTEST_SKIP() << "sox or ffmpeg is not installed";
    TempFolder dir;
    std::string src = dir.File("src.wav"), file = dir.File("rf64.wav"), raw = dir.File("ref.raw");
    ASSERT_EQ(RunCommand("sox -n -r 8000 -c 2 -b 16 " + Sh(src) + " synth 0.5 sine 440 sine 700 gain -4"), 0);
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + Sh(src) + " -c:a pcm_s16le -rf64 always " + Sh(file)), 0);
    Bytes head = ReadBytes(file);
    ASSERT_GT(head.size(), 4u);
    ASSERT_EQ(std::string(head.begin(), head.begin() + 4), "RF64");
    ASSERT_EQ(RunCommand("sox " + Sh(src) + " -t raw -e signed -b 32 " + Sh(raw)), 0);
    std::vector<std::int32_t> ref = ReadRawS32(raw);
    Ref<LAudioReader> r = OpenWavReader(file);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->Length(), 4000);
    std::vector<std::int32_t> ours = ReadAll(*r);
    ASSERT_EQ(ours.size(), ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(ours[i], ref[i] >> 12) << i;
}

TEST(OurFilesInTools, FfprobeSeesTheFormatAndDurationOfOurFiles) {
    if (!ToolExists("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    TempFolder dir;
    struct {
        WAVEFORMATEX format;
        const char* codec;
    } cases[] = {{MakePcmFormat(22050, 1, 16), "pcm_s16le"},
                 {MakeImaAdpcmFormat(22050, 1), "adpcm_ima_wav"},
                 {MakeMsAdpcmFormat(22050, 1), "adpcm_ms"},
                 {MakeAlawFormat(22050, 1), "pcm_alaw"},
                 {MakeFloatFormat(22050, 1, 32), "pcm_f32le"}};
    for (const auto& c : cases) {
        std::string path = dir.File(std::string(c.codec) + ".wav");
        {
            Ref<LAudioWriter> w = CreateWavWriter(path, c.format);
            std::vector<std::int32_t> s(22050, 0);
            w->Write(s.data(), 8192);
            w->Write(s.data(), 8192);
            w->Write(s.data(), 22050 - 16384);
        }
        std::string out = CommandOutput("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of "
                                        "default=nw=1 " + Sh(path));
        EXPECT_NE(out.find("codec_name=" + std::string(c.codec)), std::string::npos) << out;
        EXPECT_NE(out.find("sample_rate=22050"), std::string::npos) << out;
        EXPECT_NE(out.find("channels=1"), std::string::npos) << out;
        double seconds = std::atof(CommandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Sh(path)).c_str());
        EXPECT_NEAR(seconds, 1.0, 0.1) << c.codec;
    }
}

}  // namespace
}  // namespace sv::test
