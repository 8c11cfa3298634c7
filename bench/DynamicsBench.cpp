// The dynamics and restoration effects over a 10-minute stereo 44.1 kHz document, through the
// effect run as the commands use them, next to sox's compand, noisered and remix on the same
// sound in the same run where sox has the effect. The ratio is sox's time over ours: above 1
// means we are faster.
#include "Bench.h"
#include "BenchWorkspace.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "effects/DynamicsEntries.h"
#include "effects/NoiseReduction.h"
#include "platform/Settings.h"

#include <sys/resource.h>

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

// Tones with a slow swell over steady hiss, a click every 1.5 s, the same as a WAV for sox.
struct Setup : BenchWorkspace {
    explicit Setup(const std::string& work) : BenchWorkspace(work + "/blocks"), folder(work) {
        user.Set("Settings", "AutoPlaybackAfterEffects", "0");
        std::uint32_t seed = 1;
        OpenStereoMaterial(WavPath(), kRate, kFrames, [&seed](std::int32_t k, std::int16_t* lr) {
            const double t = static_cast<double>(k) / kRate;
            seed = seed * 1103515245u + 12345u;
            const double hiss = static_cast<int>(seed >> 17) % 1200 - 600;
            const double swell = t < 2 ? 0 : 0.5 + 0.5 * std::sin(2 * M_PI * 0.1 * t);
            const double click = k % 66150 == 30000 ? 12000 : 0;
            lr[0] = static_cast<std::int16_t>(swell * (7000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 1760 * t)) + hiss + click);
            lr[1] = static_cast<std::int16_t>(swell * 8000 * std::sin(2 * M_PI * 330 * t) - hiss + click);
        });
    }
    std::string WavPath() const { return folder + "/in.wav"; }

    std::string folder;
};

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

double SoxSeconds(const Setup& s, const std::string& effect, double& cpu) {
    const std::string cmd = "sox -D '" + s.WavPath() + "' '" + s.folder + "/sox.wav' " + effect + " 2>/dev/null";
    const double c0 = CpuSeconds(RUSAGE_CHILDREN);
    const double t0 = NowSeconds();
    const int rc = std::system(cmd.c_str());
    const double t = NowSeconds() - t0;
    cpu = CpuSeconds(RUSAGE_CHILDREN) - c0;
    std::remove((s.folder + "/sox.wav").c_str());
    return rc == 0 ? t : -1;
}

// Ours, and sox's soxEffect on the same sound when given.
Result Compare(Setup& s, LEffectProcess process, const std::string& soxEffect, const std::string& label) {
    const double c0 = CpuSeconds(RUSAGE_SELF);
    const double t0 = NowSeconds();
    const int status = RunEffectProcess(s.ws, process);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    const double cpu = CpuSeconds(RUSAGE_SELF) - c0;
    r.audioSeconds = static_cast<double>(kFrames) / kRate;
    char note[260];
    if (status != 0) {
        std::snprintf(note, sizeof note, "failed (%d)", status);
    } else if (soxEffect.empty()) {
        std::snprintf(note, sizeof note, "cpu %.2f s; sox has no such effect", cpu);
    } else {
        double soxCpu = 0;
        const double sox = SoxSeconds(s, soxEffect, soxCpu);
        if (sox < 0)
            std::snprintf(note, sizeof note, "sox failed");
        else
            std::snprintf(note, sizeof note, "sox %s: %.3f s, sox/ours %.2f; cpu ours %.2f s, sox %.2f s, sox/ours %.2f",
                          label.c_str(), sox, sox / r.wallSeconds, cpu, soxCpu, soxCpu / cpu);
    }
    r.note = note;
    return r;
}

Result CompressorBench(Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, CompressorProcess(*s.ws.Active(), s.store, {-20, 2, 12}),
                   "compand 0.005,0.1 -90,-80,-32.04,-22.04,0,-6.02 0 -30", "compand");
}

SONVELA_BENCH("compressor: -20 dB 2:1, 10 min stereo", CompressorBench);

SONVELA_BENCH("noise reduction: captured print, 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    Ref<LBlockReader> reader = LBlockReader::Create(s.ws.Active()->sound);
    std::shared_ptr<const NoisePrint> print = CaptureNoisePrint(*reader, 0, 2 * kRate);
    reader = nullptr;
    const std::string prof = s.folder + "/noise.prof";
    const std::string cmd = "sox '" + s.WavPath() + "' -n trim 0 2 noiseprof '" + prof + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        Result failed;
        failed.note = "sox noiseprof failed";
        return failed;
    }
    return Compare(s, NoiseReductionProcess(*s.ws.Active(), s.store, print), "noisered '" + prof + "' 0.5", "noisered");
});

SONVELA_BENCH("noise reduction: automatic 30 %, 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, AutoNoiseReductionProcess(*s.ws.Active(), s.store, 30), "", "");
});

SONVELA_BENCH("noise gate: -30 dB, 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, NoiseGateProcess(*s.ws.Active(), s.store, -30), "", "");
});

SONVELA_BENCH("automatic gain control: 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, AutoGainProcess(*s.ws.Active(), s.store), "", "");
});

SONVELA_BENCH("click repair: 50 %, 450 frames, 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, ClickRepairProcess(*s.ws.Active(), s.store, 50, 450), "", "");
});

SONVELA_BENCH("vocal reduction: 10 min stereo", [](Context& ctx) {
    Setup s(ctx.workFolder);
    return Compare(s, VocalReductionProcess(*s.ws.Active(), s.store), "remix 1,2v-1 1,2v-1", "remix");
});

}  // namespace
}  // namespace sv::bench
