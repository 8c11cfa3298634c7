// The equalizer, the low cut and the one-pole stages against tools no one here wrote: numpy for
// the cosine sum, sox's fir, highpass and biquad effects for the filtering.
#include "EffectTestFixture.h"
#include "SoxSupport.h"

#include "effects/Equalizer.h"
#include "effects/EqualizerCommands.h"
#include "effects/EqualizerFilter.h"
#include "effects/LowCut.h"
#include "effects/OnePole.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace sv {
namespace {

using test::HaveSox;
using test::ReadWav16;
using test::WriteWav16;

bool HaveNumpy() { return std::system("/usr/bin/python3 -c 'import numpy' > /dev/null 2>&1") == 0; }

class EqualizerSox : public test::EffectTest {
protected:
    // Two tones and a little pseudo-noise per channel, at most `peak`.
    static std::vector<std::int16_t> Signal(int frames, int peak) {
        std::vector<std::int16_t> s;
        std::uint32_t seed = 99;
        for (int k = 0; k < frames; ++k) {
            seed = seed * 1103515245u + 12345u;
            const double noise = static_cast<int>((seed >> 16) % 2001) - 1000;
            s.push_back(static_cast<std::int16_t>(peak * (0.6 * std::sin(k * 0.01) + 0.3 * std::sin(k * 0.31)) + noise * peak / 20000));
            s.push_back(static_cast<std::int16_t>(peak * (0.5 * std::sin(k * 0.003) + 0.4 * std::sin(k * 0.9)) - noise * peak / 40000));
        }
        return s;
    }
    static Ref<LAudioReader> Reader(const std::vector<std::int16_t>& s, int rate) {
        std::vector<std::int32_t> internal(s.begin(), s.end());
        for (std::int32_t& v : internal) v *= 16;
        return MakeRef<test::VectorReader>(internal, 2, rate);
    }
    static std::vector<std::int32_t> Pull(const Ref<LAudioReader>& r, int frames) {
        std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * 2);
        for (int at = 0; at < frames; at += kMaxFramesPerCall)
            r->Read(&out[static_cast<std::size_t>(at) * 2], std::min(kMaxFramesPerCall, frames - at));
        return out;
    }
    std::vector<std::int16_t> Sox(const std::vector<std::int16_t>& in, int rate, const std::string& effect) {
        WriteWav16(dir.File("in.wav"), in, 2, rate);
        const std::string cmd = "sox -D " + dir.File("in.wav") + " " + dir.File("out.wav") + " " + effect + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return ReadWav16(dir.File("out.wav"));
    }
    // The largest difference in 16-bit steps between ours (internal samples) and sox's output,
    // ours shifted earlier by lag frames.
    static int WorstDifference(const std::vector<std::int32_t>& ours, const std::vector<std::int16_t>& theirs, int lag) {
        int worst = 0;
        for (std::size_t i = 0; i + static_cast<std::size_t>(lag) * 2 < theirs.size() && i < ours.size(); ++i) {
            const int mine = static_cast<int>(std::lround(ours[i] / 16.0));
            worst = std::max(worst, std::abs(mine - theirs[i + static_cast<std::size_t>(lag) * 2]));
        }
        return worst;
    }
};

TEST_F(EqualizerSox, TapsEqualANumpyCosineSumOfTheGainTable) {
    if (!HaveNumpy()) GTEST_SKIP() << "numpy is not installed";
    const GainTable g = MakeGainTable({{0, 255}, {5, 255}, {30, 90}, {100, 180}, {200, 0}, {255, 40}}, 44100);
    {
        std::ofstream f(dir.File("gain.txt"));
        for (std::uint8_t v : g) f << int(v) << "\n";
    }
    std::ofstream(dir.File("taps.py")) << R"(import numpy as np, sys
g = np.loadtxt(sys.argv[1])
w = np.ones(2049); w[0] = 0.5; w[2048] = 0.5
n = np.arange(2049)
out = []
for k in range(2048):
    s = float(np.sum(w * g * np.cos(np.pi * ((k * n) % 4096) / 2048)))
    r = round(s)
    whole = r if abs(s - r) < 1e-7 else int(np.trunc(s))
    out.append((int(whole) + 4) >> 3)
open(sys.argv[2], 'w').write('\n'.join(map(str, out)))
)";
    const std::string cmd = "/usr/bin/python3 " + dir.File("taps.py") + " " + dir.File("gain.txt") + " " + dir.File("np.txt");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(dir.File("np.txt"));
    const EqualizerTaps h = CosineTaps(g);
    for (int k = 0; k < kEqualizerTaps; ++k) {
        long v = 0;
        ASSERT_TRUE(in >> v);
        ASSERT_EQ(h[static_cast<std::size_t>(k)], v) << "tap " << k;
    }
}

TEST_F(EqualizerSox, EqualizerMatchesSoxFirWithTheSameTapsWithinOneStep) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    const int frames = 20000, rate = 44100;
    const auto s = Signal(frames, 9000);
    const LEqualizerEffect eq({{0, 200}, {4, 200}, {20, 128}, {60, 70}, {180, 150}, {255, 100}});
    const EqualizerTaps h = eq.TapsAt(rate);
    {
        std::FILE* f = std::fopen(dir.File("taps.txt").c_str(), "w");
        for (int i = -kEqualizerHalfSpan; i <= kEqualizerHalfSpan; ++i)
            std::fprintf(f, "%.17g\n", h[static_cast<std::size_t>(std::abs(i))] / 32768.0);
        std::fclose(f);
    }
    const auto theirs = Sox(s, rate, "fir " + dir.File("taps.txt"));
    ASSERT_EQ(theirs.size(), s.size());
    const auto ours = Pull(eq.CreateProcessor(Reader(s, rate)), frames);
    // sox's filter is causal: its output lags by half the taps, or not at all if it aligns.
    const int worst = std::min(WorstDifference(ours, theirs, 0), WorstDifference(ours, theirs, kEqualizerHalfSpan));
    EXPECT_LE(worst, 1);
}

TEST_F(EqualizerSox, LowCutMatchesSoxBiquadWithItsCoefficientsAndSoxHighpassWithinOneStep) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    const auto s = Signal(20000, 20000);
    for (int freq : {100, 250, 2000}) {
        Ref<LLowCutFilter> f = MakeRef<LLowCutFilter>(Reader(s, 44100), freq);
        EXPECT_EQ(f->fullScale, kLowCutFullScale);
        const auto ours = Pull(f, 20000);
        const LowCutCoefficients& k = f->Coefficients();
        const double one = 16777216.0;
        char coefs[200];
        std::snprintf(coefs, sizeof coefs, "biquad %.17g %.17g %.17g 1 %.17g %.17g", k.b0 / one, k.b1 / one, k.b0 / one,
                      k.a1 / one, k.a2 / one);
        EXPECT_LE(WorstDifference(ours, Sox(s, 44100, coefs), 0), 1) << freq << " Hz";
        // The same Q as ours, 0.707 (sox would take 1 / sqrt(2) without it).
        const auto theirs = Sox(s, 44100, "highpass " + std::to_string(freq) + " 0.707q");
        ASSERT_EQ(theirs.size(), s.size());
        EXPECT_LE(WorstDifference(ours, theirs, 0), 1) << freq << " Hz";
    }
}

TEST_F(EqualizerSox, OnePoleStagesMatchSoxBiquadWithTheQuantisedCoefficient) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    const auto s = Signal(20000, 12000);
    for (const auto kind : {LOnePoleFilter::Kind::HighPass, LOnePoleFilter::Kind::LowPass}) {
        Ref<LOnePoleFilter> f = MakeRef<LOnePoleFilter>(Reader(s, 22050), kind, 1500.0);
        const double a = f->Coefficient() / 256.0;
        EXPECT_EQ(f->Coefficient(), static_cast<int>(256 * (1 - std::exp(-2 * M_PI * 1500 / 22050))));
        char coefs[200];
        if (kind == LOnePoleFilter::Kind::HighPass)
            std::snprintf(coefs, sizeof coefs, "biquad 1 -1 0 1 %.17g 0", -(1 - a));
        else
            std::snprintf(coefs, sizeof coefs, "biquad %.17g 0 0 1 %.17g 0", a, -(1 - a));
        const auto theirs = Sox(s, 22050, coefs);
        ASSERT_EQ(theirs.size(), s.size());
        EXPECT_EQ(f->fullScale, 2 * kFullScale16);
        EXPECT_LE(WorstDifference(Pull(f, 20000), theirs, 0), 1) << coefs;
    }
}

}  // namespace
}  // namespace sv
