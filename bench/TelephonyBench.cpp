// Opening an hour of AIFF, AU (16-bit mono at 16 kHz) and GSM 06.10 (8 kHz) into a document,
// next to sox converting the same file to WAV in the same run.
#include "Bench.h"
#include "BenchAudio.h"
#include "BenchWorkspace.h"

#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "platform/Settings.h"

#include <cstdio>
#include <cstdlib>

namespace sv::bench {
namespace {

constexpr int kSeconds = 3600;

Result OpenHour(Context& ctx, const char* name, const char* soxOptions) {
    const std::string file = ctx.workFolder + "/" + name;
    const std::string make = "sox -n " + std::string(soxOptions) + " '" + file + "' synth " +
                             std::to_string(kSeconds) + " pinknoise gain -6 2>/dev/null";
    Result r;
    if (std::system(make.c_str()) != 0) {
        r.note = "sox missing";
        return r;
    }
    r.audioSeconds = kSeconds;
    {
        BenchWorkspace f(ctx.workFolder + "/blocks");
        const double t0 = NowSeconds();
        Ref<LAudioDocument> doc = OpenDocumentFromFile(f.ws, file, nullptr, nullptr);
        r.wallSeconds = NowSeconds() - t0;
        if (!doc || doc->Length() < kSeconds * 7999) r.note = "open failed; ";
    }
    const double sox = TimedCommand("sox '" + file + "' '" + ctx.workFolder + "/sox.wav'");
    char text[96];
    if (sox < 0) std::snprintf(text, sizeof text, "sox to WAV not run");
    else std::snprintf(text, sizeof text, "sox to WAV %.2f s (%.0fx)", sox, kSeconds / sox);
    r.note += text;
    std::remove(file.c_str());
    std::remove((ctx.workFolder + "/sox.wav").c_str());
    return r;
}

Result OpenAiffHour(Context& ctx) { return OpenHour(ctx, "hour.aiff", "-r 16000 -c 1 -b 16"); }
Result OpenAuHour(Context& ctx) { return OpenHour(ctx, "hour.au", "-r 16000 -c 1 -b 16"); }
Result OpenGsmHour(Context& ctx) { return OpenHour(ctx, "hour.gsm", "-r 8000 -c 1"); }

SONVELA_BENCH("open 1 h AIFF (16 kHz mono)", OpenAiffHour);
SONVELA_BENCH("open 1 h AU (16 kHz mono)", OpenAuHour);
SONVELA_BENCH("open 1 h GSM 06.10", OpenGsmHour);

}  // namespace
}  // namespace sv::bench
