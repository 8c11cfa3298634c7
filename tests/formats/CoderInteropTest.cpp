// The shipped components against the tools no one here wrote: what we save is decoded by flac
// and ffmpeg, what lame, oggenc, flac, ffmpeg and sox make opens with their own samples. Short
// sounds keep these quick; each test skips when its tools are missing.
#include "FormatTestSupport.h"
#include "core/AudioDocument.h"
#include "formats/AudioFileIo.h"
#include "formats/Components.h"
#include "formats/FormatCommands.h"
#include "formats/WavReader.h"
#include "platform/Paths.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace sv::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

// 1 kHz at half scale, in 16-bit steps; channel 1 (when any) a quarter period later.
std::vector<std::int32_t> Tone(std::int32_t frames, int channels, std::int32_t rate) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            s[static_cast<std::size_t>(k) * channels + c] =
                16 * static_cast<std::int32_t>(std::lround(16000.0 * std::sin(2 * kPi * 1000.0 * k / rate + c * kPi / 2)));
    return s;
}

// The tone's share of channel 0 against everything else, in dB: a least-squares fit of a
// 1 kHz sine and cosine, so that a coder's delay does not count as noise. The first and last
// 10 % are left out (coder start-up and padding).
double ToneSnrDb(const std::vector<std::int32_t>& s, int channels, std::int32_t rate) {
    const std::size_t frames = s.size() / channels, from = frames / 10, to = frames - frames / 10;
    double ss = 0, cc = 0, sc = 0, xs = 0, xc = 0, xx = 0;
    for (std::size_t k = from; k < to; ++k) {
        const double w = 2 * kPi * 1000.0 * static_cast<double>(k) / rate;
        const double x = s[k * channels], sn = std::sin(w), cs = std::cos(w);
        ss += sn * sn, cc += cs * cs, sc += sn * cs, xs += x * sn, xc += x * cs, xx += x * x;
    }
    const double det = ss * cc - sc * sc;
    const double a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
    const double fit = a * a * ss + b * b * cc + 2 * a * b * sc;
    return 10 * std::log10(fit / std::max(xx - fit, 1e-9));
}

class CoderInterop : public ::testing::Test, protected TestWorkspace {
protected:
    CoderInterop() {
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        setenv("TMPDIR", tmp.path().c_str(), 1);
        InstallFormatServices(ws);
        RegisterShippedComponents(settings);
    }
    ~CoderInterop() override {
        if (oldTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", oldTmp.c_str(), 1);
    }
    bool Have(std::initializer_list<const char*> tools) {
        for (const char* t : tools)
            if (!ToolExists(t)) return false;
        return true;
    }
    int Save(const std::vector<std::int32_t>& samples, int channels, std::int32_t rate, const std::string& path) {
        Ref<LAudioDocument> doc =
            LAudioDocument::CreateFromSound(MakeSound(store, samples, static_cast<std::uint8_t>(channels), rate), path);
        ws.AddDocument(doc);
        return SaveDocumentAs(ws, *doc, {path, rate, static_cast<std::uint8_t>(channels), false, nullptr});
    }
    Ref<LAudioReader> Open(const std::string& path) {
        Ref<LAudioReader> r;
        bool show = true;
        EXPECT_EQ(OpenAudioFile(r, path, nullptr, &show, host, nullptr, &settings), 0) << path;
        return r;
    }
    // ffmpeg's own decoding, as 32-bit samples (16-bit values × 65536).
    std::vector<std::int32_t> FfmpegSamples(const std::string& path) {
        const std::string raw = files.File("ffmpeg.raw");
        EXPECT_EQ(RunCommand("ffmpeg -v error -y -i " + Sh(path) + " -f s32le -acodec pcm_s32le " + Sh(raw)), 0);
        return ReadRawS32(raw);
    }
    std::string Probe(const std::string& path, const char* entry) {
        std::string out = CommandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=" + std::string(entry) +
                                        " -of default=nw=1:nk=1 " + Sh(path));
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        return out;
    }

    TempFolder files, tmp;
    std::string oldTmp;
};

TEST_F(CoderInterop, FlacSavedIsBitExactUnderFlacAndFlacFilesOpenExactly) {
    if (!Have({"flac"})) GTEST_SKIP() << "flac missing";
    std::vector<std::int32_t> samples = Tone(11025, 2, 44100);
    for (std::size_t i = 0; i < samples.size(); i += 7) samples[i] = 16 * static_cast<std::int32_t>((i * 7919) % 65535 - 32767);
    const std::string path = files.File("saved 'x'.flac");
    ASSERT_EQ(Save(samples, 2, 44100, path), 0) << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
    const std::string wav = files.File("flac-d.wav");
    ASSERT_EQ(RunCommand("flac -s -d -f -o " + Sh(wav) + " " + Sh(path)), 0);
    Ref<LAudioReader> decoded = OpenWavReader(wav);
    EXPECT_EQ(decoded->channels, 2);
    EXPECT_EQ(decoded->sampleRate, 44100);
    EXPECT_EQ(ReadAll(*decoded), samples);

    // And the other way: flac's file opens with flac's samples.
    const std::string made = files.File("made.flac");
    ASSERT_EQ(RunCommand("flac -s -f -o " + Sh(made) + " " + Sh(wav)), 0);
    Ref<LAudioReader> r = Open(made);
    ASSERT_TRUE(r && r->errorCode == 0);
    EXPECT_EQ(r->channels, 2);
    EXPECT_EQ(ReadAll(*r), samples);
}

struct LossyCase {
    const char* ext;
    int channels;
    std::int32_t rate;
    const char* codec;   // as ffprobe names it
    double padding;      // seconds the coder may add
    double minSnrDb;
};

TEST_F(CoderInterop, LossyFilesSavedDecodeUnderFfmpegWithTheirLengthAndTone) {
    if (!Have({"ffmpeg", "ffprobe"})) GTEST_SKIP() << "ffmpeg missing";
    const LossyCase cases[] = {
        {".mp3", 2, 44100, "mp3", 0.06, 25},  {".ogg", 1, 44100, "vorbis", 0.03, 25},
        {".m4a", 2, 44100, "aac", 0.06, 20},  {".aac", 1, 22050, "aac", 0.1, 20},
        {".amr", 1, 8000, "amr_nb", 0.03, 8},
    };
    user.Set("OggEncoder", "Channels", "2");
    for (const LossyCase& c : cases) {
        std::string missing = MissingComponentText(&settings, c.ext == std::string(".mp3")   ? "mp3el"
                                                              : c.ext == std::string(".ogg") ? "oggenc"
                                                              : c.ext == std::string(".amr") ? "amrenc"
                                                                                             : "aacenc");
        if (!missing.empty()) {
            std::cout << c.ext << " skipped: " << missing << "\n";
            continue;
        }
        const std::string path = files.File(std::string("tone") + c.ext);
        host.progressErrors.clear();
        ASSERT_EQ(Save(Tone(c.rate / 2, c.channels, c.rate), c.channels, c.rate, path), 0)
            << c.ext << ": " << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
        EXPECT_EQ(Probe(path, "codec_name"), c.codec) << c.ext;
        EXPECT_EQ(Probe(path, "channels"), std::to_string(c.channels)) << c.ext;
        EXPECT_EQ(Probe(path, "sample_rate"), std::to_string(c.rate)) << c.ext;
        std::vector<std::int32_t> decoded = FfmpegSamples(path);
        const double seconds = static_cast<double>(decoded.size()) / c.channels / c.rate;
        // ffmpeg drops the first Vorbis block's overlap (128 frames at 44.1 kHz).
        EXPECT_GE(seconds, 0.5 - 0.004) << c.ext;
        EXPECT_LE(seconds, 0.5 + c.padding) << c.ext;
        const double snr = ToneSnrDb(decoded, c.channels, c.rate);
        std::cout << c.ext << ": " << seconds << " s decoded, tone SNR " << snr << " dB\n";
        EXPECT_GE(snr, c.minSnrDb) << c.ext;
    }
}

TEST_F(CoderInterop, FilesMadeByTheToolsOpenWithTheirOwnSamples) {
    if (!Have({"sox", "ffmpeg"})) GTEST_SKIP() << "sox or ffmpeg missing";
    const std::string wav = files.File("source.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Sh(wav) + " synth 0.4 sine 440 sine 660 vol 0.5"), 0);
    const std::string wav8k = files.File("source8k.wav");
    ASSERT_EQ(RunCommand("sox " + Sh(wav) + " -r 8000 -c 1 " + Sh(wav8k)), 0);
    struct Made {
        const char* tool;
        std::string command;
        std::string file;
        int channels;
        std::int32_t rate;
    };
    std::vector<Made> made = {
        {"lame", "lame --quiet -b 128 " + Sh(wav) + " " + Sh(files.File("lame.mp3")), files.File("lame.mp3"), 2, 44100},
        {"oggenc", "oggenc -Q -q 4 -o " + Sh(files.File("oggenc.ogg")) + " " + Sh(wav), files.File("oggenc.ogg"), 2, 44100},
        {"ffmpeg", "ffmpeg -v error -y -i " + Sh(wav) + " -c:a aac -b:a 128k " + Sh(files.File("ffmpeg.m4a")),
         files.File("ffmpeg.m4a"), 2, 44100},
        {"ffmpeg", "ffmpeg -v error -y -i " + Sh(wav) + " -c:a aac -b:a 96k -f adts " + Sh(files.File("ffmpeg.aac")),
         files.File("ffmpeg.aac"), 2, 44100},
        {"ffmpeg", "ffmpeg -v error -y -i " + Sh(wav8k) + " -c:a real_144 " + Sh(files.File("ffmpeg.ra")),
         files.File("ffmpeg.ra"), 1, 8000},
        {"sox", "sox " + Sh(wav8k) + " -t amr-nb " + Sh(files.File("sox.amr")), files.File("sox.amr"), 1, 8000},
    };
    for (const Made& m : made) {
        if (!ToolExists(m.tool)) continue;
        ASSERT_EQ(RunCommand(m.command), 0) << m.command;
        Ref<LAudioReader> r = Open(m.file);
        ASSERT_TRUE(r && r->errorCode == 0) << m.file;
        EXPECT_EQ(r->channels, m.channels) << m.file;
        EXPECT_EQ(r->sampleRate, m.rate) << m.file;
        // ffmpeg's decoding of the same file: the same number of frames, give or take a coder
        // frame of priming that the two decoders may count differently.
        const std::int64_t ours = r->Length();
        const std::int64_t theirs = static_cast<std::int64_t>(FfmpegSamples(m.file).size()) / m.channels;
        EXPECT_NEAR(static_cast<double>(ours), static_cast<double>(theirs), 2112) << m.file;
    }
}

}  // namespace
}  // namespace sv::test
