// The equalizer's 4,095-tap filter and the low cut over a 10-minute stereo 44.1 kHz document,
// through the effect run as the commands use it (read, filter, write a new block, replace),
// next to sox's fir with the same 4,095 taps and sox's highpass on the same sound in the same
// run. The ratio is sox's time over ours: above 1 means we are faster.
#include "Bench.h"
#include "BenchAudio.h"
#include "BenchWorkspace.h"

#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "effects/EffectEntries.h"
#include "effects/Equalizer.h"
#include "effects/EqualizerTaps.h"
#include "platform/Settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr int kChannels = 2;
constexpr std::int32_t kFrames = 10 * 60 * kRate;

// A document of music-like material (tones and noise near -6 dB) and the same as a WAV for sox.
struct Setup : BenchWorkspace {
    explicit Setup(const std::string& work) : BenchWorkspace(work + "/blocks"), folder(work) {
        user.Set("Settings", "AutoPlaybackAfterEffects", "0");
        std::uint32_t seed = 1;
        OpenStereoMaterial(WavPath(), kRate, kFrames, [&seed](std::int32_t k, std::int16_t* lr) {
            const double t = static_cast<double>(k) / kRate;
            seed = seed * 1103515245u + 12345u;
            const double noise = static_cast<int>(seed >> 17) % 2000 - 1000;
            lr[0] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 110 * t) + 4000 * std::sin(2 * M_PI * 2500 * t) + noise);
            lr[1] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 60 * t) - noise);
        });
    }
    std::string WavPath() const { return folder + "/in.wav"; }

    std::string folder;
};

// Wall and processor seconds sox takes for effect.
double SoxSeconds(const Setup& s, const std::string& effect, double& cpu) {
    const std::string cmd = "sox -D '" + s.WavPath() + "' '" + s.folder + "/sox.wav' " + effect + " 2>/dev/null";
    const double t = TimedCommand(cmd, &cpu);
    std::remove((s.folder + "/sox.wav").c_str());
    return t;
}

Result Compare(Setup& s, LEffectProcess process, const std::string& soxEffect, const std::string& label) {
    const double c0 = CpuSeconds();
    const double t0 = NowSeconds();
    const int status = RunEffectProcess(s.ws, process);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    const double cpu = CpuSeconds() - c0;
    r.audioSeconds = static_cast<double>(kFrames) / kRate;
    double soxCpu = 0;
    const double sox = SoxSeconds(s, soxEffect, soxCpu);
    char note[240];
    // On a shared machine the processor times compare more steadily than the wall times.
    if (status != 0 || sox < 0)
        std::snprintf(note, sizeof note, "failed (ours %d, sox %s)", status, sox < 0 ? "failed" : "ok");
    else
        std::snprintf(note, sizeof note, "sox %s: %.3f s (%.0fx rt), sox/ours %.2f; cpu ours %.2f s, sox %.2f s, sox/ours %.2f",
                      label.c_str(), sox, 600.0 / sox, sox / r.wallSeconds, cpu, soxCpu, soxCpu / cpu);
    r.note = note;
    return r;
}

Result EqualizerBench(Context& ctx) {
    Setup s(ctx.workFolder);
    const LCurve curve{{0, 220}, {3, 220}, {12, 128}, {60, 90}, {140, 170}, {255, 110}};
    const EqualizerTaps h = LEqualizerEffect(curve).TapsAt(kRate);
    const std::string taps = s.folder + "/taps.txt";
    if (std::FILE* f = std::fopen(taps.c_str(), "w")) {
        for (int i = -kEqualizerHalfSpan; i <= kEqualizerHalfSpan; ++i)
            std::fprintf(f, "%.17g\n", h[static_cast<std::size_t>(std::abs(i))] / 32768.0);
        std::fclose(f);
    }
    return Compare(s, EqualizerProcess(*s.ws.Active(), s.store, curve), "fir '" + taps + "'", "fir 4095 taps");
}

SONVELA_BENCH("equalizer: 4095 taps, 10 min stereo", EqualizerBench);

SONVELA_BENCH("low cut: 250 Hz, 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, LowCutProcess(*s.ws.Active(), s.store, 250), "highpass 250 0.707q", "highpass 250");
});

}  // namespace
}  // namespace sv::bench
