// The spectral transform, the resampler and the speed, pitch and tempo chains, each next to
// sox doing the same job on the same ten minutes of stereo in the same run.
#include "Bench.h"
#include "BenchAudio.h"

#include "core/AudioReader.h"
#include "effects/AlignedVector.h"
#include "effects/Resampler.h"
#include "effects/SpectralTransform.h"
#include "effects/SpeedPitchCommands.h"
#include "effects/TimeStretch.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 600;
constexpr std::int32_t kFrames = kRate * kSeconds;
constexpr std::int32_t kTableFrames = 1 << 16;
constexpr double kPi = 3.14159265358979323846;

// Stereo test material: tones and some noise, 16-bit values, repeated to any length.
const std::vector<std::int16_t>& Table() {
    static const std::vector<std::int16_t> table = [] {
        std::vector<std::int16_t> t(static_cast<std::size_t>(kTableFrames) * 2);
        std::mt19937 gen(1);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        for (std::int32_t k = 0; k < kTableFrames; ++k) {
            const double x = static_cast<double>(k) / kRate;
            const double l = 0.3 * std::sin(2 * kPi * 441 * x) + 0.2 * std::sin(2 * kPi * 3087 * x) + 0.03 * noise(gen);
            const double r = 0.3 * std::sin(2 * kPi * 1000.5 * x) + 0.2 * std::sin(2 * kPi * 7000 * x) + 0.03 * noise(gen);
            t[2 * static_cast<std::size_t>(k)] = static_cast<std::int16_t>(std::lrint(l * 32767));
            t[2 * static_cast<std::size_t>(k) + 1] = static_cast<std::int16_t>(std::lrint(r * 32767));
        }
        return t;
    }();
    return table;
}

Ref<LAudioReader> Tones() { return MakeRef<TableReader>(Table(), kRate, kFrames); }

// The ten minutes of the table reader as a 16-bit WAV file for sox.
std::string TestWav(const Context& ctx) { return WriteTableWav(ctx.workFolder + "/input.wav", Table(), kRate, kFrames); }

// Reads the whole chain; returns wall seconds (and the CPU seconds in cpu).
double Pump(LAudioReader& r, double* cpu = nullptr) {
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * r.channels);
    const std::int32_t total = r.Length();
    std::int64_t sum = 0;
    const double c0 = CpuSeconds();
    const double t0 = NowSeconds();
    for (std::int32_t done = 0; done < total;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        r.Read(buf.data(), n);
        sum += buf[0];
        done += n;
    }
    const double wall = NowSeconds() - t0;
    if (sum == 42) std::fputc(' ', stderr);  // keeps the work observable
    if (cpu) *cpu = CpuSeconds() - c0;
    return wall;
}

// Runs sox with the given arguments; wall seconds (and CPU seconds in cpu), or -1 when it
// failed.
double Sox(const std::string& args, double* cpu = nullptr) { return TimedCommand("sox -q " + args + " 2>/dev/null", cpu); }

std::string Compare(double ours, double sox, double audioSeconds) {
    char note[200];
    if (sox <= 0) {
        std::snprintf(note, sizeof note, "sox: not run");
    } else {
        std::snprintf(note, sizeof note, "sox %.2f s (%.0fx realtime); ours/sox time %.2f", sox, audioSeconds / sox,
                      ours / sox);
    }
    return note;
}

Result ChainVersusSox(const Context& ctx, const Ref<LAudioReader>& chain, const std::string& soxEffect) {
    Result r;
    r.audioSeconds = kSeconds;
    double ourCpu = 0, soxCpu = 0;
    r.wallSeconds = Pump(*chain, &ourCpu);
    const std::string wav = TestWav(ctx);
    const double sox = Sox("'" + wav + "' -t raw -e signed -b 16 /dev/null " + soxEffect, &soxCpu);
    r.note = Compare(r.wallSeconds, sox, kSeconds);
    if (sox > 0 && soxCpu > 0) {
        char more[80];
        std::snprintf(more, sizeof more, "; CPU ours/sox %.2f", ourCpu / soxCpu);
        r.note += more;
    }
    return r;
}

// The FFTW libraries, when the system has them, as yardsticks: a 4,096-point plan, complex in
// the given precision or real input in single precision, that Run executes a number of times.
using FftwPlanDft1d = void* (*)(int, void*, void*, int, unsigned);
using FftwPlanR2c1d = void* (*)(int, void*, void*, unsigned);
using FftwExecute = void (*)(void*);
using FftwDestroy = void (*)(void*);
using FftwCleanup = void (*)();

enum class FftwKind { ComplexSingle, ComplexDouble, RealSingle };

class FftwPlan {
public:
    explicit FftwPlan(FftwKind kind) : in_(2 * 4096), out_(2 * 4096 + 2) {
        const bool single = kind != FftwKind::ComplexDouble;
        lib_ = dlopen(single ? "libfftw3f.so.3" : "libfftw3.so.3", RTLD_NOW);
        if (!lib_) return;
        const std::string prefix = single ? "fftwf_" : "fftw_";
        auto plan1d = reinterpret_cast<FftwPlanDft1d>(dlsym(lib_, (prefix + "plan_dft_1d").c_str()));
        auto planR2c = reinterpret_cast<FftwPlanR2c1d>(dlsym(lib_, (prefix + "plan_dft_r2c_1d").c_str()));
        execute_ = reinterpret_cast<FftwExecute>(dlsym(lib_, (prefix + "execute").c_str()));
        destroy_ = reinterpret_cast<FftwDestroy>(dlsym(lib_, (prefix + "destroy_plan").c_str()));
        cleanup_ = reinterpret_cast<FftwCleanup>(dlsym(lib_, (prefix + "cleanup").c_str()));
        if (!plan1d || !planR2c || !execute_ || !destroy_) return;
        const unsigned kMeasure = 0;  // FFTW_MEASURE
        plan_ = kind == FftwKind::RealSingle ? planR2c(4096, in_.data(), out_.data(), kMeasure)
                                             : plan1d(4096, in_.data(), out_.data(), -1, kMeasure);
        // Planning overwrote the arrays.
        if (single) {
            auto* f = reinterpret_cast<float*>(in_.data());
            for (std::size_t i = 0; i < 2 * 4096; ++i) f[i] = static_cast<float>(i % 17) - 8.0f;
        } else {
            for (std::size_t i = 0; i < in_.size(); ++i) in_[i] = static_cast<double>(i % 17) - 8.0;
        }
    }
    ~FftwPlan() {
        if (plan_) destroy_(plan_);
        // The planner keeps what it learnt until told to forget it.
        if (cleanup_) cleanup_();
        if (lib_) dlclose(lib_);
    }
    FftwPlan(const FftwPlan&) = delete;
    FftwPlan& operator=(const FftwPlan&) = delete;

    bool Usable() const { return plan_ != nullptr; }
    void Run(int times) {
        for (int i = 0; i < times; ++i) execute_(plan_);
    }

private:
    void* lib_ = nullptr;
    void* plan_ = nullptr;
    FftwExecute execute_ = nullptr;
    FftwDestroy destroy_ = nullptr;
    FftwCleanup cleanup_ = nullptr;
    // Room for 4,096 complex values in either precision, aligned as ours are.
    AlignedVector<double> in_, out_;
};

std::string Versus(double ours, double theirs, const char* what) {
    char text[120];
    if (theirs > 0)
        std::snprintf(text, sizeof text, "%s %.1f us, ours/%s %.2f", what, theirs, what, ours / theirs);
    else
        std::snprintf(text, sizeof text, "no %s at hand", what);
    return text;
}

// Our transform at 4,096 points (analysis and synthesis alternately, so the data stay the
// same), complex and real input, next to FFTW. A transform takes a few microseconds, so a
// stretch of time in which another process shares the core says more about the machine than
// about the code: each side runs in short rounds, all sides in turn, and keeps its best round.
Result FftBench(Context&) {
    SpectralTransform fft(12);
    // Aligned as the program's own transform arrays are.
    AlignedVector<double> re(4096), im(4096), x(4096), hr(2049), hi(2049);
    for (std::size_t i = 0; i < re.size(); ++i) x[i] = re[i] = static_cast<double>(i % 17) - 8.0;
    FftwPlan single(FftwKind::ComplexSingle), dbl(FftwKind::ComplexDouble), real(FftwKind::RealSingle);
    const int kRounds = 10, kPerRound = 2000;
    double best[5] = {-1, -1, -1, -1, -1};
    auto timed = [&best](int which, auto step) {
        const double t0 = NowSeconds();
        step();
        const double us = (NowSeconds() - t0) / kPerRound * 1e6;
        if (best[which] < 0 || us < best[which]) best[which] = us;
    };
    Result r;
    const double start = NowSeconds();
    for (int round = 0; round < kRounds; ++round) {
        timed(0, [&] {
            for (int i = 0; i < kPerRound / 2; ++i) {
                fft.Analysis(re.data(), im.data());
                fft.Synthesis(re.data(), im.data());
            }
        });
        timed(1, [&] {
            for (int i = 0; i < kPerRound / 2; ++i) {
                fft.RealAnalysis(x.data(), hr.data(), hi.data());
                fft.RealSynthesis(hr.data(), hi.data(), x.data());
            }
        });
        if (single.Usable()) timed(2, [&] { single.Run(kPerRound); });
        if (dbl.Usable()) timed(3, [&] { dbl.Run(kPerRound); });
        if (real.Usable()) timed(4, [&] { real.Run(kPerRound); });
    }
    r.wallSeconds = NowSeconds() - start;
    const double complexUs = best[0], realUs = best[1];
    char head[200];
    std::snprintf(head, sizeof head, "complex (double) %.1f us: ", complexUs);
    r.note = head + Versus(complexUs, best[2], "FFTW float") + "; " + Versus(complexUs, best[3], "FFTW double");
    std::snprintf(head, sizeof head, "; real input %.1f us: ", realUs);
    r.note += head + Versus(realUs, best[4], "FFTW float r2c");
    r.note += "; best of 10 alternating rounds";
    return r;
}

// Level in dB, relative to the input tone, of what a 23 kHz tone at 48 kHz leaves after
// conversion to 44.1 kHz (all of it aliases: it lies above the new band).
double OurRejection() {
    class Tone : public LAudioReader {
    public:
        Tone() { sampleRate = 48000; }
        void Read(std::int32_t* dst, std::int32_t n) override {
            for (std::int32_t i = 0; i < n; ++i, ++pos_)
                dst[i] = static_cast<std::int32_t>(std::lrint(262136.0 * std::sin(2 * kPi * 23000.0 * pos_ / 48000)));
        }
        std::int32_t Position() const override { return pos_; }
        std::int32_t Length() const override { return 96000; }
        void Seek(std::int32_t p) override { pos_ = p; }

    private:
        std::int32_t pos_ = 0;
    };
    Ref<LAudioReader> r = LResampler::Create(MakeRef<Tone>(), 44100);
    std::vector<std::int32_t> out(88200);
    for (std::size_t done = 0; done < out.size(); done += 8820) r->Read(out.data() + done, 8820);
    double sum = 0;
    for (std::size_t i = 22050; i < 66150; ++i) sum += static_cast<double>(out[i]) * out[i];
    return 20 * std::log10(std::sqrt(sum / 44100) * std::sqrt(2.0) / 262136.0);
}

double SoxRejection(const Context& ctx) {
    const std::string in = ctx.workFolder + "/tone23k.wav";
    const std::string out = ctx.workFolder + "/tone23k.f32";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    const std::string header = WavHeader(3, 1, 48000, 32, 96000);
    std::fwrite(header.data(), 1, header.size(), f);
    for (int k = 0; k < 96000; ++k) {
        const float v = static_cast<float>(0.5 * std::sin(2 * kPi * 23000.0 * k / 48000));
        std::fwrite(&v, sizeof v, 1, f);
    }
    std::fclose(f);
    if (Sox("'" + in + "' -t raw -e floating-point -b 32 '" + out + "' rate 44100") < 0) return 0;
    std::FILE* g = std::fopen(out.c_str(), "rb");
    if (!g) return 0;
    std::vector<float> s(88200);
    const std::size_t got = std::fread(s.data(), sizeof(float), s.size(), g);
    std::fclose(g);
    if (got < 66150) return 0;
    double sum = 0;
    for (std::size_t i = 22050; i < 66150; ++i) sum += static_cast<double>(s[i]) * s[i];
    return 20 * std::log10(std::sqrt(sum / 44100) * std::sqrt(2.0) / 0.5);
}

Result ResampleBench(Context& ctx) {
    Result r = ChainVersusSox(ctx, LResampler::Create(Tones(), 48000), "rate 48000");
    char more[160];
    std::snprintf(more, sizeof more, "; 23 kHz tone 48k->44.1k left at %.1f dB (sox default rate: %.1f dB)",
                  OurRejection(), SoxRejection(ctx));
    r.note += more;
    return r;
}

Result SpeedPitchBench(Context& ctx) {
    return ChainVersusSox(ctx, CreateSpeedPitchChain(Tones(), SpeedPitchMode::SpeedAndPitch, 150),
                          "speed 1.5");
}

Result TempoBench(Context& ctx) {
    return ChainVersusSox(ctx, CreateSpeedPitchChain(Tones(), SpeedPitchMode::Speed, 150), "tempo 1.5");
}

Result PitchBench(Context& ctx) {
    // 701.955 cents is a factor of 1.5.
    return ChainVersusSox(ctx, CreateSpeedPitchChain(Tones(), SpeedPitchMode::Pitch, 150),
                          "pitch 701.955");
}

}  // namespace

SONVELA_BENCH("dsp: FFT 4096 points", FftBench);
SONVELA_BENCH("dsp: resample 10 min stereo 44.1->48 kHz", ResampleBench);
SONVELA_BENCH("dsp: speed+pitch 150 %, 10 min stereo", SpeedPitchBench);
SONVELA_BENCH("dsp: speed (tempo) 150 %, 10 min stereo", TempoBench);
SONVELA_BENCH("dsp: pitch 150 %, 10 min stereo", PitchBench);

}  // namespace sv::bench
