// The dynamics and restoration effects next to sox on the same input: vocal reduction against
// remix 1,2v-1 bit for bit, the compressor's steady levels on a tone step against compand with
// the same transfer curve, and noise reduction against noiseprof/noisered.
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"
#include "SoxSupport.h"

#include "effects/Compressor.h"
#include "effects/NoiseReduction.h"
#include "effects/VocalReduction.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace sv {
namespace {

using test::HaveSox;
using test::ReadWav16;
using test::WriteWav16;

constexpr int kRate = 44100;

class DynamicsSox : public test::EffectTest {
protected:
    void SetUp() override {
        if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    }
    std::vector<std::int16_t> Sox(const std::vector<std::int16_t>& in, int channels, const std::string& effect) {
        WriteWav16(dir.File("in.wav"), in, channels, kRate);
        const std::string cmd = "sox -D " + dir.File("in.wav") + " " + dir.File("out.wav") + " " + effect + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return ReadWav16(dir.File("out.wav"));
    }
    static std::vector<std::int32_t> Internal(const std::vector<std::int16_t>& s) {
        std::vector<std::int32_t> r(s.begin(), s.end());
        for (std::int32_t& v : r) v *= 16;
        return r;
    }
};

double PeakDb(const std::vector<double>& s, std::size_t from, std::size_t to, double full) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += s[i] * s[i];
    return 20 * std::log10(std::sqrt(2 * sum / static_cast<double>(to - from)) / full);
}

TEST_F(DynamicsSox, VocalReductionIsBitExactAgainstRemixLeftMinusRight) {
    std::vector<std::int16_t> in;
    std::mt19937 gen(3);
    for (int k = 0; k < 20000; ++k) {
        const int common = static_cast<int>(9000 * std::sin(k * 0.021)), noise = static_cast<int>(gen() % 4001) - 2000;
        in.push_back(static_cast<std::int16_t>(common + noise));
        in.push_back(static_cast<std::int16_t>(common - static_cast<int>(5000 * std::sin(k * 0.13))));
    }
    const std::vector<std::int16_t> theirs = Sox(in, 2, "remix 1,2v-1");
    auto reader = MakeRef<test::VectorReader>(Internal(in), 2);
    Ref<LAudioReader> ours = LVocalReductionEffect().CreateProcessor(reader);
    const std::vector<std::int32_t> out = [&] {
        std::vector<std::int32_t> o(40000);
        for (int at = 0; at < 20000; at += kMaxFramesPerCall) ours->Read(&o[static_cast<std::size_t>(at) * 2], std::min(kMaxFramesPerCall, 20000 - at));
        return o;
    }();
    ASSERT_EQ(theirs.size(), 20000u);
    for (std::size_t k = 0; k < 20000; ++k) {
        ASSERT_EQ(out[2 * k], theirs[k] * 16) << k;
        ASSERT_EQ(out[2 * k + 1], theirs[k] * 16) << k;
    }
}

// A 1 kHz tone stepping from -30 dB to -10 dB (peak, re full scale). Our level scale puts a
// sine's 0 dB at -12.04 dB peak; threshold -20 and 2:1 are compand's transfer curve
// -90,-80,-32.04,-22.04,0,-6.02 (peak dB in, peak dB out). The steady levels agree.
TEST_F(DynamicsSox, CompressorSteadyLevelsOnAToneStepMatchCompandWithTheSameCurve) {
    const std::size_t n = static_cast<std::size_t>(kRate) * 2;
    std::vector<std::int16_t> in(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double a = (k < n / 2 ? std::pow(10.0, -30 / 20.0) : std::pow(10.0, -10 / 20.0)) * 32767;
        in[k] = static_cast<std::int16_t>(std::lrint(a * std::sin(2 * M_PI * 1000 * static_cast<double>(k) / kRate)));
    }
    const std::vector<std::int16_t> theirs = Sox(in, 1, "compand 0.005,0.1 -90,-80,-32.04,-22.04,0,-6.02 0 -30");
    auto reader = MakeRef<test::VectorReader>(Internal(in), 1);
    Ref<LAudioReader> comp = LCompressorEffect({-20, 2, 12}).CreateProcessor(reader);
    std::vector<std::int32_t> o(n);
    for (std::size_t at = 0; at < n; at += kMaxFramesPerCall)
        comp->Read(&o[at], static_cast<std::int32_t>(std::min<std::size_t>(kMaxFramesPerCall, n - at)));
    const std::vector<double> ours(o.begin(), o.end()), sox(theirs.begin(), theirs.end());
    const std::size_t quiet0 = n / 4, quiet1 = n / 2 - 4410, loud0 = 3 * n / 4, loud1 = n - 4410;
    const double oq = PeakDb(ours, quiet0, quiet1, 524272), ol = PeakDb(ours, loud0, loud1, 524272);
    const double sq = PeakDb(sox, quiet0, quiet1, 32767), sl = PeakDb(sox, loud0, loud1, 32767);
    // Where each output first comes within 1 dB of its loud level, in ms from the step.
    auto settle = [&](const std::vector<double>& s, double full, double level) {
        for (std::size_t at = n / 2; at + 441 < n; at += 441)
            if (std::fabs(PeakDb(s, at, at + 441, full) - level) < 1.0) return (static_cast<double>(at) - n / 2) * 1000.0 / kRate;
        return -1.0;
    };
    std::printf("tone step -30 -> -10 dB: ours %.2f -> %.2f dB (settled %.0f ms), compand %.2f -> %.2f dB (settled %.0f ms)\n",
                oq, ol, settle(ours, 524272, ol), sq, sl, settle(sox, 32767, sl));
    EXPECT_NEAR(oq, -21.0, 0.6);
    EXPECT_NEAR(ol, -11.0, 0.6);
    EXPECT_NEAR(oq, sq, 0.6);
    EXPECT_NEAR(ol, sl, 0.6);
}

// A 1 kHz tone 11 dB above white noise, the print taken from two seconds of the noise alone.
TEST_F(DynamicsSox, NoiseReductionGainsAtLeastAsMuchSnrAsNoiseredOnAToneInWhiteNoise) {
    const std::size_t n = static_cast<std::size_t>(kRate) * 6, lead = static_cast<std::size_t>(kRate) * 2;
    std::mt19937 gen(11);
    std::normal_distribution<double> d(0, 625);
    std::vector<std::int16_t> in(n);
    std::vector<double> clean(n, 0.0), noisy(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= lead) clean[i] = 3125 * std::sin(2 * M_PI * 1000 * static_cast<double>(i) / kRate);
        in[i] = static_cast<std::int16_t>(std::lrint(clean[i] + d(gen)));
        noisy[i] = in[i];
    }
    WriteWav16(dir.File("noise.wav"), std::vector<std::int16_t>(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(lead)), 1, kRate);
    const std::string prof = "sox " + dir.File("noise.wav") + " -n noiseprof " + dir.File("noise.prof") + " 2>&1";
    ASSERT_EQ(std::system(prof.c_str()), 0);
    const std::vector<std::int16_t> theirs = Sox(in, 1, "noisered " + dir.File("noise.prof") + " 0.5");

    auto reader = MakeRef<test::VectorReader>(Internal(in), 1);
    std::shared_ptr<NoisePrint> print = CaptureNoisePrint(*reader, 0, static_cast<std::int32_t>(lead));
    reader->Seek(0);
    Ref<LAudioReader> nr = LNoiseReductionEffect(print).CreateProcessor(reader);
    std::vector<std::int32_t> o(n);
    for (std::size_t at = 0; at < n; at += kMaxFramesPerCall)
        nr->Read(&o[at], static_cast<std::int32_t>(std::min<std::size_t>(kMaxFramesPerCall, n - at)));
    std::vector<double> ours(n), sox(theirs.begin(), theirs.end());
    for (std::size_t i = 0; i < n; ++i) ours[i] = o[i] / 16.0;
    // noisered leaves out the last partial window.
    ASSERT_GE(sox.size(), n - 4096);
    sox.resize(n, 0.0);
    const test::NoiseFigures a = test::MeasureNoiseReduction(clean, noisy, ours, lead + static_cast<std::size_t>(kRate), n - 4096);
    const test::NoiseFigures b = test::MeasureNoiseReduction(clean, noisy, sox, lead + static_cast<std::size_t>(kRate), n - 4096);
    std::printf("tone in white noise, SNR 11 dB: ours gains %.1f dB (tone %+.2f dB), noisered 0.5 gains %.1f dB (tone %+.2f dB)\n",
                a.snrGainDb, a.toneChangeDb, b.snrGainDb, b.toneChangeDb);
    EXPECT_GT(a.snrGainDb, b.snrGainDb);
    EXPECT_NEAR(a.toneChangeDb, 0.0, 1.0);
}

}  // namespace
}  // namespace sv
