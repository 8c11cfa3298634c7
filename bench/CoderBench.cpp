// The coder programs: 10 minutes of stereo saved as MP3 128 kbit/s, FLAC and Ogg through the
// shipped components, next to lame, flac and oggenc encoding the same WAV alone; the FLAC and
// Ogg files opened again, next to flac -d and oggdec.
#include "Bench.h"

#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/Components.h"
#include "platform/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace sv::bench {
namespace {

constexpr int kSeconds = 600;

struct Frame {
    explicit Frame(const std::string& folder) : store(folder + "/blocks") {
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
        ::setenv("TMPDIR", folder.c_str(), 1);
        RegisterShippedComponents(settings);
        user.Set("OggEncoder", "Channels", "2");  // as oggenc alone: no mix-down
    }
    HeadlessHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    BlockStore store;
    Workspace ws{host, settings, store, notifier};
};

// Processor seconds of this process and its ended children: on a loaded machine the wall
// clock says more about the neighbours than about the coders.
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u {};
        ::getrusage(who, &u);
        total += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

struct Span {
    double wall = -1, cpu = -1;
};

Span Timed(const std::string& command) {
    double t0 = NowSeconds(), c0 = CpuSeconds();
    int status = std::system(command.c_str());
    if (status != 0) return {};
    return {NowSeconds() - t0, CpuSeconds() - c0};
}

std::string Compare(const char* label, Span ours, Span theirs) {
    char text[160];
    if (ours.wall < 0 || theirs.wall < 0) std::snprintf(text, sizeof text, "%s not run", label);
    else
        std::snprintf(text, sizeof text, "%s %.2f s wall (ours %.0f %%), %.2f s cpu (ours %.2f s, %.0f %%)", label,
                      theirs.wall, 100.0 * ours.wall / theirs.wall, theirs.cpu, ours.cpu, 100.0 * ours.cpu / theirs.cpu);
    return text;
}

std::string MakeSource(Context& ctx) {
    const std::string wav = ctx.workFolder + "/ten.wav";
    const std::string make = "sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + std::to_string(kSeconds) +
                             " pinknoise sine 440 gain -6 2>/dev/null";
    return std::system(make.c_str()) == 0 ? wav : std::string();
}

Result SaveBench(Context& ctx, const char* ext, const std::string& alone) {
    Result r;
    const std::string wav = MakeSource(ctx);
    if (wav.empty()) {
        r.note = "sox missing";
        return r;
    }
    Frame f(ctx.workFolder);
    Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, wav, nullptr, nullptr);
    if (!doc) {
        r.note = "open failed";
        return r;
    }
    r.audioSeconds = kSeconds;
    const std::string target = ctx.workFolder + "/saved" + ext;
    ResetPeakRss();
    double t0 = NowSeconds(), c0 = CpuSeconds();
    int saved = SaveDocumentAs(f.ws, *doc, {target, 44100, 2, false, nullptr});
    r.wallSeconds = NowSeconds() - t0;
    const Span ours{r.wallSeconds, CpuSeconds() - c0};
    Span tool = Timed(alone + " '" + wav + "' '" + ctx.workFolder + "/alone" + ext + "' 2>/dev/null");
    r.note = saved == 0 ? Compare("coder alone", ours, tool) : "save failed";
    return r;
}

Result OpenBench(Context& ctx, const char* ext, const std::string& encode, const std::string& decode) {
    Result r;
    const std::string wav = MakeSource(ctx);
    const std::string file = ctx.workFolder + "/in" + ext;
    if (wav.empty() || Timed(encode + " '" + wav + "' '" + file + "' 2>/dev/null").wall < 0) {
        r.note = "tools missing";
        return r;
    }
    Frame f(ctx.workFolder);
    r.audioSeconds = kSeconds;
    ResetPeakRss();
    double t0 = NowSeconds(), c0 = CpuSeconds();
    Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, file, nullptr, nullptr);
    r.wallSeconds = NowSeconds() - t0;
    const Span ours{r.wallSeconds, CpuSeconds() - c0};
    Span tool = Timed(decode + " '" + ctx.workFolder + "/alone.wav' '" + file + "' 2>/dev/null");
    r.note = doc ? Compare("decoder alone", ours, tool) : "open failed";
    return r;
}

}  // namespace

SONVELA_BENCH("coders: save 10 min stereo as MP3 128 kbit/s (vs lame)",
              [](Context& c) { return SaveBench(c, ".mp3", "sh -c 'lame --quiet -m j -b 128 -h \"$0\" \"$1\"'"); });
SONVELA_BENCH("coders: save 10 min stereo as FLAC (vs flac)",
              [](Context& c) { return SaveBench(c, ".flac", "sh -c 'flac -s -f -4 -o \"$1\" \"$0\"'"); });
SONVELA_BENCH("coders: save 10 min stereo as Ogg q4 (vs oggenc)",
              [](Context& c) { return SaveBench(c, ".ogg", "sh -c 'oggenc -Q -q 4 -o \"$1\" \"$0\"'"); });
SONVELA_BENCH("coders: open 10 min stereo FLAC (vs flac -d)", [](Context& c) {
    return OpenBench(c, ".flac", "sh -c 'flac -s -f -o \"$1\" \"$0\"'", "sh -c 'flac -s -d -f -o \"$0\" \"$1\"'");
});
SONVELA_BENCH("coders: open 10 min stereo Ogg (vs oggdec)", [](Context& c) {
    return OpenBench(c, ".ogg", "sh -c 'oggenc -Q -q 4 -o \"$1\" \"$0\"'", "sh -c 'oggdec -Q -o \"$0\" \"$1\"'");
});

}  // namespace sv::bench
