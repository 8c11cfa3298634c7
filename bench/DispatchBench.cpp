// The open and save paths: a 10-minute MP3 opened into a document next to mpg123 and ffmpeg
// decoding the same file, a 1-hour WAV opened and saved, and 10 minutes converted from 44.1
// to 48 kHz stereo on the way out.
#include "Bench.h"
#include "BenchAudio.h"
#include "BenchWorkspace.h"

#include "core/HeadlessHost.h"

#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/Host.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/WavWriter.h"
#include "platform/Settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace sv::bench {
namespace {

struct Frame : BenchWorkspace {
    explicit Frame(const std::string& folder) : BenchWorkspace(folder + "/blocks") {
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);  // no stored WAV format of the user's
    }
};

std::string MakeWav(const std::string& path, std::int32_t rate, std::int32_t seconds) {
    Ref<LAudioWriter> w = CreatePcmWavWriter(path, rate, 2, 2);
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    for (std::size_t i = 0; i < buf.size(); ++i)
        buf[i] = static_cast<std::int32_t>(std::lround(20000 * std::sin(static_cast<double>(i) * 0.031))) * 16;
    for (std::int64_t left = static_cast<std::int64_t>(rate) * seconds; left > 0; left -= kMaxFramesPerCall)
        w->Write(buf.data(), static_cast<std::int32_t>(std::min<std::int64_t>(left, kMaxFramesPerCall)));
    w->Finish();
    return path;
}

std::string Speed(const char* label, double audio, double seconds) {
    char text[96];
    if (seconds < 0) std::snprintf(text, sizeof text, "%s not run", label);
    else std::snprintf(text, sizeof text, "%s %.2f s (%.0fx)", label, seconds, audio / seconds);
    return text;
}

Result OpenMp3Bench(Context& ctx) {
    constexpr int kSeconds = 600;
    const std::string mp3 = ctx.workFolder + "/ten.mp3";
    const std::string make = "sox -n -r 44100 -c 2 -b 16 -t wav - synth " + std::to_string(kSeconds) +
                             " pinknoise gain -6 2>/dev/null | lame --quiet -b 128 - '" + mp3 + "'";
    Result r;
    if (std::system(make.c_str()) != 0) {
        r.note = "sox or lame missing";
        return r;
    }
    r.audioSeconds = kSeconds;
    Frame f(ctx.workFolder);
    double t0 = NowSeconds();
    Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, mp3, nullptr, nullptr);
    r.wallSeconds = NowSeconds() - t0;
    if (!doc) r.note = "open failed; ";
    double mpg = TimedCommand("mpg123 -q -w '" + ctx.workFolder + "/mpg123.wav' '" + mp3 + "' 2>/dev/null");
    double ff = TimedCommand("ffmpeg -nostdin -loglevel error -y -i '" + mp3 + "' '" + ctx.workFolder + "/ffmpeg.wav'");
    r.note += Speed("mpg123 -w", kSeconds, mpg) + "; " + Speed("ffmpeg", kSeconds, ff);
    return r;
}

Result OpenSaveWavBench(Context& ctx) {
    constexpr int kSeconds = 3600;
    const std::string in = MakeWav(ctx.workFolder + "/hour.wav", 44100, kSeconds);
    Frame f(ctx.workFolder);
    Result r;
    r.audioSeconds = kSeconds;
    double t0 = NowSeconds();
    Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, in, nullptr, nullptr);
    double opened = NowSeconds() - t0;
    int saved = doc ? SaveDocumentAs(f.ws, *doc, {ctx.workFolder + "/saved.wav", 44100, 2, false, nullptr}) : 2;
    r.wallSeconds = NowSeconds() - t0;
    char text[96];
    std::snprintf(text, sizeof text, "open %.2f s, save %.2f s%s", opened, r.wallSeconds - opened,
                  saved == 0 ? "" : " (save failed)");
    r.note = text;
    return r;
}

Result ConvertOnSaveBench(Context& ctx) {
    constexpr int kSeconds = 600;
    const std::string in = MakeWav(ctx.workFolder + "/ten.wav", 44100, kSeconds);
    Frame f(ctx.workFolder);
    Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, in, nullptr, nullptr);
    Result r;
    r.audioSeconds = kSeconds;
    double t0 = NowSeconds();
    int saved = doc ? SaveDocumentAs(f.ws, *doc, {ctx.workFolder + "/48k.wav", 48000, 2, false, nullptr}) : 2;
    r.wallSeconds = NowSeconds() - t0;
    if (saved != 0) r.note = "save failed";
    return r;
}

}  // namespace

SONVELA_BENCH("dispatch: open 10 min 128 kbit/s MP3 (vs mpg123, ffmpeg)", OpenMp3Bench);
SONVELA_BENCH("dispatch: open + save 1 h WAV", OpenSaveWavBench);
SONVELA_BENCH("dispatch: save 10 min stereo 44.1 -> 48 kHz", ConvertOnSaveBench);

}  // namespace sv::bench
