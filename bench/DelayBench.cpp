// The delay and modulation effects over ten minutes of stereo, each next to sox's nearest
// effect on the same sound in the same run (sox reads a WAV and writes to /dev/null; ours
// pulls the filter chain over the same samples held in memory).
#include "Bench.h"
#include "BenchAudio.h"

#include "core/AudioReader.h"
#include "effects/Chorus.h"
#include "effects/Distortion.h"
#include "effects/Echo.h"
#include "effects/ModulatedDelay.h"
#include "effects/Reverb.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kFrames = 600 * kRate;
constexpr std::int32_t kTable = 1 << 16;

const std::vector<std::int16_t>& Table() {
    static const std::vector<std::int16_t> t = [] {
        std::vector<std::int16_t> v(2 * static_cast<std::size_t>(kTable));
        for (std::int32_t k = 0; k < kTable; ++k) {
            const double x = static_cast<double>(k) / kRate;
            v[2 * static_cast<std::size_t>(k)] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 441 * x));
            v[2 * static_cast<std::size_t>(k) + 1] = static_cast<std::int16_t>(7000 * std::sin(2 * M_PI * 1000.5 * x));
        }
        return v;
    }();
    return t;
}

std::string WavFor(const Context& ctx) {
    const std::string path = ctx.workFolder + "/delay-input.wav";
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
        return path;
    }
    return WriteTableWav(path, Table(), kRate, kFrames);
}

Result AgainstSox(const Context& ctx, const LEffectDescriptor& effect, const std::string& soxEffect) {
    Ref<LAudioReader> chain = effect.CreateProcessor(MakeRef<TableReader>(Table(), kRate, kFrames));
    std::vector<std::int32_t> buf(2 * static_cast<std::size_t>(kMaxFramesPerCall));
    std::int64_t sum = 0;
    const double t0 = NowSeconds();
    for (std::int32_t done = 0; done < kFrames;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, kFrames - done);
        chain->Read(buf.data(), n);
        sum += buf[0];
        done += n;
    }
    Result r;
    r.audioSeconds = 600;
    r.wallSeconds = NowSeconds() - t0;
    const std::string wav = WavFor(ctx);
    const std::string cmd = "sox -q '" + wav + "' -t raw -e signed -b 16 /dev/null " + soxEffect + " 2>/dev/null";
    const double sox = TimedCommand(cmd);
    char note[200];
    if (sox < 0) std::snprintf(note, sizeof note, "sox: not run");
    else std::snprintf(note, sizeof note, "sox %s %.2f s; sox time / ours %.2f%s", soxEffect.c_str(), sox, sox / r.wallSeconds, sum == 42 ? " " : "");
    r.note = note;
    return r;
}

Result EchoBench(Context& ctx) { return AgainstSox(ctx, LEchoEffect(800, 50), "echo 1 1 800 0.5"); }
Result ReverbBench(Context& ctx) { return AgainstSox(ctx, LReverbEffect(100, 50), "reverb"); }
Result FlangerBench(Context& ctx) { return AgainstSox(ctx, LFlangerEffect({5, 0.5, 50, 75}), "flanger"); }
Result ChorusBench(Context& ctx) { return AgainstSox(ctx, LChorusEffect({40, 0.5, 5, 70}), "chorus 0.7 0.9 40 0.7 0.5 2 -s"); }
Result OverdriveBench(Context& ctx) { return AgainstSox(ctx, LDistortionEffect(0.5, -3), "overdrive"); }

}  // namespace

SONVELA_BENCH("delay: echo 800 ms 10 min stereo", EchoBench);
SONVELA_BENCH("delay: reverb 10 min stereo", ReverbBench);
SONVELA_BENCH("delay: flanger 10 min stereo", FlangerBench);
SONVELA_BENCH("delay: chorus 10 min stereo", ChorusBench);
SONVELA_BENCH("delay: distortion 10 min stereo", OverdriveBench);

}  // namespace sv::bench
