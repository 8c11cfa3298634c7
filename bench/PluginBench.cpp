// The LV2 host's cost: swh's amplifier at -6 dB over a 10-minute stereo 44.1 kHz document (two
// instances of the mono plug-in), next to lv2apply running the same plug-in over the same
// sound in the same run, one 16-bit mono WAV per channel since lv2apply wants the plug-in's
// channel count (the ratio is lv2apply's time over ours).
#include "Bench.h"
#include "BenchAudio.h"
#include "BenchWorkspace.h"

#include "core/Workspace.h"
#include "effects/EffectCommand.h"
#include "effects/Lv2Effect.h"
#include "effects/VstEffect.h"
#include "platform/ChildProcess.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kFrames = 10 * 60 * kRate;
const char* const kAmp = "http://plugin.org.uk/swh-plugins/amp";

Result AmplifierAgainstLv2apply(Context& ctx) {
    BenchWorkspace bench(ctx.workFolder + "/blocks");
    bench.user.Set("Settings", "AutoPlaybackAfterEffects", "0");
    Workspace& ws = bench.ws;
    // lv2apply takes mono files: each channel goes to its own.
    const std::string wavPath[2] = {ctx.workFolder + "/left.wav", ctx.workFolder + "/right.wav"};
    std::ofstream wav[2] = {std::ofstream(wavPath[0], std::ios::binary), std::ofstream(wavPath[1], std::ios::binary)};
    for (auto& f : wav) f << WavHeader(1, 1, kRate, 16, kFrames);
    bench.OpenStereoMaterial({}, kRate, kFrames, [&wav](std::int32_t k, std::int16_t* lr) {
        const double t = static_cast<double>(k) / kRate;
        lr[0] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t));
        lr[1] = static_cast<std::int16_t>(7000 * std::sin(2 * M_PI * 1000 * t));
        for (int c = 0; c < 2; ++c) wav[c].write(reinterpret_cast<const char*>(&lr[c]), 2);
    });
    for (auto& f : wav) f.close();

    Ref<Lv2World> world = Lv2World::Load();
    const double t0 = NowSeconds();
    const int rc = ApplyEffect(ws, LLv2Effect(world, kAmp, {{"gain", -6.0f}}), "DirectX Effects",
                               "Application de l'Effet DirectX.");
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = 600;

    const double t1 = NowSeconds();
    bool ok = true;
    for (const std::string& in : wavPath) {
        ChildProcess lv2apply;
        ok = ok && lv2apply.Start({"lv2apply", "-i", in, "-o", in + ".out.wav", "-c", "gain", "-6", kAmp}) &&
             lv2apply.Wait(600000) && lv2apply.ExitCode() == 0;
    }
    const double theirs = NowSeconds() - t1;
    char note[160];
    if (rc != 0)
        std::snprintf(note, sizeof note, "our run failed (%d)", rc);
    else if (!ok)
        std::snprintf(note, sizeof note, "lv2apply failed");
    else
        std::snprintf(note, sizeof note, "lv2apply: %.3f s, lv2apply/ours %.2f", theirs, theirs / r.wallSeconds);
    r.note = note;
    return r;
}

// The first listing of every installed plug-in: each tried in a child process.
Result ListingLv2(Context&) {
    const double t0 = NowSeconds();
    Ref<Lv2World> world = Lv2World::Load();
    std::vector<std::string> skipped;
    const auto list = ListLv2Effects(world, &skipped);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    char note[96];
    std::snprintf(note, sizeof note, "%zu effects listed, %zu left out", list.size(), skipped.size());
    r.note = note;
    return r;
}

Result ListingVst(Context&) {
    const double t0 = NowSeconds();
    std::vector<std::string> skipped;
    const auto list = ListVstPlugins(FindVstLibraries("/usr/lib/vst"), &skipped);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    char note[96];
    std::snprintf(note, sizeof note, "%zu plug-ins listed, %zu left out", list.size(), skipped.size());
    r.note = note;
    return r;
}

SONVELA_BENCH("plug-ins: LV2 amplifier -6 dB, 10 min stereo", AmplifierAgainstLv2apply);
SONVELA_BENCH("plug-ins: first listing of the installed LV2 effects", ListingLv2);
SONVELA_BENCH("plug-ins: first listing of /usr/lib/vst", ListingVst);

}  // namespace
}  // namespace sv::bench
