// Basic effect figures on a 10-minute stereo 44.1 kHz document, driven through the command
// registry as the frame does: normalise (the peak scan), reverse, fade in over everything,
// cross fade, DC offset and stereo pan, each next to the nearest sox command on the same
// sound in the same run (the ratio is sox's time over ours: above 1 means we are faster);
// amplify in microseconds, since it only scales segment gains.
#include "Bench.h"
#include "BenchAudio.h"
#include "BenchWorkspace.h"

#include "core/HeadlessHost.h"

#include "core/AudioDocument.h"
#include "core/BlockWriter.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "effects/BasicEffectCommands.h"
#include "platform/Settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr int kChannels = 2;
constexpr std::int32_t kFrames = 10 * 60 * kRate;

// The document (internal samples) and the same sound as a 16-bit WAV file for sox.
struct Frame : BenchWorkspace {
    explicit Frame(const std::string& work) : BenchWorkspace(work + "/blocks"), folder(work) {
        user.Set("Settings", "AutoPlaybackAfterEffects", "0");
        RegisterBasicEffectCommands(registry);
        OpenStereoMaterial(WavPath(), kRate, kFrames, [](std::int32_t k, std::int16_t* lr) {
            const double t = static_cast<double>(k) / kRate;
            lr[0] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t) + 300);
            lr[1] = static_cast<std::int16_t>(7000 * std::sin(2 * M_PI * 1000 * t) - 200);
        });
    }
    std::string WavPath() const { return folder + "/in.wav"; }
    LAudioDocument& Doc() { return *ws.Active(); }

    std::string folder;
    CommandRegistry registry;
};

// Seconds sox takes for effect on the same sound, written to a 16-bit file as ours is to a block.
double SoxSeconds(const Frame& f, const std::string& effect, double* cpu = nullptr) {
    const std::string cmd = "sox -D '" + f.WavPath() + "' '" + f.folder + "/sox.wav' " + effect + " 2>/dev/null";
    const double t = TimedCommand(cmd, cpu);
    std::remove((f.folder + "/sox.wav").c_str());
    return t;
}

// Runs command id on a fresh document and compares with sox's effect.
// audioSeconds: the output the effect makes, when it is not the selection's length.
Result Compare(Context& ctx, int id, const std::string& soxEffect,
               const std::function<void(Frame&)>& setUp = nullptr, double audioSeconds = 0) {
    Frame f(ctx.workFolder);
    if (setUp) setUp(f);
    const double audio = audioSeconds > 0 ? audioSeconds
                                          : static_cast<double>(f.Doc().selectionEnd - f.Doc().selectionStart) / kRate;
    const double c0 = CpuSeconds();
    const double t0 = NowSeconds();
    f.registry.Run(id, f.ws);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    const double ourCpu = CpuSeconds() - c0;
    r.audioSeconds = audio;
    double soxCpu = 0;
    const double sox = SoxSeconds(f, soxEffect, &soxCpu);
    char note[200];
    if (sox < 0)
        std::snprintf(note, sizeof note, "sox '%s' failed", soxEffect.c_str());
    else
        std::snprintf(note, sizeof note, "sox %s: %.3f s (%.0fx rt), sox/ours %.2f, CPU sox/ours %.2f",
                      soxEffect.c_str(), sox, 600.0 / sox, sox / r.wallSeconds, ourCpu > 0 ? soxCpu / ourCpu : 0.0);
    r.note = note;
    return r;
}

SONVELA_BENCH("effects: normalise scan, 10 min stereo", [](Context& ctx) {
    return Compare(ctx, kCmdNormalize, "gain -n");
});

SONVELA_BENCH("effects: reverse, 10 min stereo", [](Context& ctx) {
    return Compare(ctx, kCmdReverse, "reverse");
});

SONVELA_BENCH("effects: fade in over 10 min stereo", [](Context& ctx) {
    return Compare(ctx, kCmdFadeIn, "fade t 600");
});

SONVELA_BENCH("effects: cross fade 2 x 4 min, 10 min stereo", [](Context& ctx) {
    // Fades of 4 minutes each around a 1-second selection: 8 minutes of mixed output.
    return Compare(ctx, kCmdCrossFade, "fade t 240 0 240", [](Frame& f) {
        f.user.Set("CrossFade", "GapTimeMS", "0");
        f.user.Set("CrossFade", "FadeInTimeMS", "240000");
        f.user.Set("CrossFade", "FadeOutTimeMS", "240000");
        f.Doc().SetSelection(300 * kRate, 301 * kRate, 300 * kRate);
    }, 480.0);
});

SONVELA_BENCH("effects: DC offset, 10 min stereo", [](Context& ctx) {
    return Compare(ctx, kCmdDcOffset, "dcshift 0.01");
});

SONVELA_BENCH("effects: stereo pan 30, 10 min stereo", [](Context& ctx) {
    return Compare(ctx, kCmdStereoPan, "remix 1v1.18,2 1,2v0.77",
                   [](Frame& f) { f.user.Set("StoredValues", "StereoPan", "30"); });
});

SONVELA_BENCH("effects: amplify 150%, 10 min stereo", [](Context& ctx) {
    Frame f(ctx.workFolder);
    f.user.Set("StoredValues", "AmplifyGain", "150");
    const int runs = 100;
    const double t0 = NowSeconds();
    for (int i = 0; i < runs; ++i) f.registry.Run(kCmdAmplify, f.ws);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    char note[96];
    std::snprintf(note, sizeof note, "%.1f us per amplify (segment gains only)", r.wallSeconds / runs * 1e6);
    r.note = note;
    return r;
});

}  // namespace
}  // namespace sv::bench
