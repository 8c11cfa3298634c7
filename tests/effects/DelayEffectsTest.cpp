#include "effects/Chorus.h"
#include "effects/DelayCommands.h"
#include "effects/Distortion.h"
#include "effects/Echo.h"
#include "effects/ModulatedDelay.h"
#include "effects/OnePole.h"
#include "effects/Reverb.h"

#include "EffectTestFixture.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace sv::test {
namespace {

std::vector<std::int32_t> Pull(const Ref<LAudioReader>& r, std::int32_t frames) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r->channels);
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, frames - done);
        r->Read(out.data() + static_cast<std::size_t>(done) * r->channels, n);
        done += n;
    }
    return out;
}

Ref<LAudioReader> Over(std::vector<std::int32_t> s, std::uint8_t channels, std::int32_t rate) {
    return MakeRef<VectorReader>(std::move(s), channels, rate);
}

std::vector<std::int32_t> Impulse(std::size_t n, std::int32_t value = 100000) {
    std::vector<std::int32_t> s(n, 0);
    s[0] = value;
    return s;
}

TEST(Echo, AnImpulseRepeatsEveryEchoTimeWeakerByTheGain) {
    // 10 ms at 8 kHz mono: 80 samples; gain 50 %: G = 256.
    LEchoEffect echo(10, 50);
    std::vector<std::int32_t> out = Pull(echo.CreateProcessor(Over(Impulse(400), 1, 8000)), 400);
    // Independent recursion: y[n] = x[n] + (y[n - 80] * 256 >> 9).
    std::vector<std::int64_t> ref(400, 0);
    for (int n = 0; n < 400; ++n) ref[static_cast<std::size_t>(n)] = (n == 0 ? 100000 : 0) + (n >= 80 ? (ref[static_cast<std::size_t>(n - 80)] * 256) >> 9 : 0);
    for (int n = 0; n < 400; ++n) ASSERT_EQ(out[static_cast<std::size_t>(n)], ref[static_cast<std::size_t>(n)]) << n;
    EXPECT_EQ(out[80], 50000);
    EXPECT_EQ(out[160], 25000);
}

TEST(Echo, TheBufferHasAtLeastTwentySamplesAndValuesComeIntoTheDialogsRanges) {
    LEchoFilter tiny(Over(Impulse(10), 1, 8000), 1, 50);  // 8 frames
    EXPECT_EQ(tiny.BufferLength(), 20u);
    LEchoFilter stereo(Over(Impulse(10), 2, 44100), 2999, 50);
    EXPECT_EQ(stereo.BufferLength(), 2u * (2 * 44100 + 999 * 44100 / 1000));
    EXPECT_EQ(LEchoEffect(800, 150).Gain(), 99);
    EXPECT_EQ(LEchoEffect(800, -300).Gain(), 0);
    EXPECT_EQ(LEchoEffect(3000000, 50).TimeMs(), 2999);
    Ref<LAudioReader> input = Over(Impulse(10), 1, 8000);
    EXPECT_EQ(LEchoEffect(0, 50).CreateProcessor(input).get(), input.get());  // time 0: unchanged
}

TEST(Echo, FullScaleDcAtHighestFeedbackNeverWraps) {
    // Low-frequency content well past 10 % of full scale: 32-bit (buf * G) would overflow.
    std::vector<std::int32_t> dc(44100, 0x7fff0);
    std::vector<std::int32_t> out = Pull(LEchoEffect(10, 99).CreateProcessor(Over(dc, 1, 44100)), 44100);
    for (std::size_t n = 1; n < out.size(); ++n) ASSERT_GE(out[n], out[n - 1]) << n;  // rises, never wraps
    EXPECT_GT(out.back(), 0x7fff0 * 20);
}

TEST(Reverb, TapsSitAtTheirFractionsAndTheOutputFollowsAnIndependentRecursion) {
    // 50 ms at 8 kHz mono: 400 samples.
    LReverbFilter f(Over(Impulse(1200), 1, 8000), 100, 50);
    EXPECT_EQ(f.BufferLength(), 400u);
    EXPECT_EQ(f.StartTaps(), (std::array<std::size_t, 4>{296, 223, 152, 84}));
    std::vector<std::int32_t> out = Pull(MakeRef<LReverbFilter>(Over(Impulse(1200), 1, 8000), 100, 50), 1200);
    // G = 512: gains trunc(0.4 G) = 204, 51, 153, 35 and feedback 66. Buffer model by hand.
    std::vector<std::int64_t> buf(400, 0);
    std::size_t r[4] = {296, 223, 152, 84}, w = 0;
    const std::int64_t g[5] = {204, 51, 153, 35, 66};
    for (int n = 0; n < 1200; ++n) {
        std::int64_t y = n == 0 ? 100000 : 0;
        for (int t = 0; t < 4; ++t) y += (buf[r[t]] * g[t]) >> 9;
        y += (buf[w] * g[4]) >> 9;
        buf[w] = y;
        ASSERT_EQ(out[static_cast<std::size_t>(n)], y) << n;
        for (auto& i : r) i = (i + 1) % 400;
        w = (w + 1) % 400;
    }
    EXPECT_EQ(LReverbEffect(300, 5).Level(), 100);
    EXPECT_EQ(LReverbEffect(-5, 5000).TimeMs(), 1000);
}

TEST(ModulatedDelay, ThePhaserAtTimeZeroScalesByOnePlusTheGain) {
    std::vector<std::int32_t> s = {1000, -2001, 3333, 7};
    std::vector<std::int32_t> twice = Pull(LPhaserEffect(0, 100).CreateProcessor(Over(s, 1, 44100)), 4);
    EXPECT_EQ(twice, (std::vector<std::int32_t>{2000, -4002, 6666, 14}));
    std::vector<std::int32_t> half = Pull(LPhaserEffect(0, 50).CreateProcessor(Over(s, 1, 44100)), 4);
    EXPECT_EQ(half, (std::vector<std::int32_t>{1500, -3001, 4999, 10}));  // x + trunc(0.5 x)
    EXPECT_EQ(LPhaserEffect(50, -20).Params().timeMs, 10);
    EXPECT_EQ(LPhaserEffect(50, -20).Params().gainPercent, 0);
}

TEST(ModulatedDelay, TheFlangerWithoutModulationIsAFeedForwardDelayOnEachChannel) {
    ModulatedDelayParams p{5, 0.0, 50, 75};  // depth is irrelevant at 0 Hz: sin 0 = 0
    // 5 ms at 8 kHz: D = 40 frames.
    std::vector<std::int32_t> s(2 * 100, 0);
    s[0] = 10000;   // left
    s[11] = -8000;  // right, frame 5
    std::vector<std::int32_t> out = Pull(LFlangerEffect(p).CreateProcessor(Over(s, 2, 8000)), 100);
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[2 * 40], 7500);
    EXPECT_EQ(out[2 * 45 + 1], -6000);
    EXPECT_EQ(out[2 * 40 + 1], 0);
    EXPECT_EQ(LFlangerEffect({50, 9.0, 500, 500}).Params().modulationHz, 5.0);
    EXPECT_EQ(LFlangerEffect({50, std::nan(""), 500, 500}).Params().modulationHz, 0.0);
}

TEST(ModulatedDelay, AModulatedDelayInterpolatesBetweenNeighbouringFrames) {
    // 10 ms at 1 kHz: D = 10, depth 50: S = 5; after the first frame e = 10 + 5 sin(Δ).
    ModulatedDelayParams p{10, 50.0, 50, 100};
    std::vector<std::int32_t> ramp(64);
    for (int k = 0; k < 64; ++k) ramp[static_cast<std::size_t>(k)] = 1000 * k;
    Ref<LAudioReader> input = Over(ramp, 1, 1000);
    LModulatedDelayFilter f(input, p);
    std::vector<std::int32_t> out(64);
    f.Read(out.data(), 64);
    const double step = 2 * 3.14159265358979323846 * 50.0 / 1000;
    double phase = 0;  // advanced frame by frame, as the filter does
    for (int n = 0; n < 64; ++n, phase += step) {
        if (n < 20) continue;
        const double e = 10 + 5 * std::sin(phase);
        const int k = static_cast<int>(e);
        const double fr = e - k;
        const double delayed = 1000.0 * (n - k) * (1 - fr) + 1000.0 * (n - k - 1) * fr;
        ASSERT_EQ(out[static_cast<std::size_t>(n)], 1000 * n + static_cast<std::int32_t>(std::trunc(delayed))) << n;
    }
}

TEST(Chorus, VoiceASoundsFullOnTheLeftAndTheMonoChainStaysMono) {
    ModulatedDelayParams p{10, 0.0, 0, 100};  // 10 ms at 8 kHz: 80 frames, both voices at it
    std::vector<std::int32_t> s(2 * 200, 0);
    s[0] = 10000;   // left impulse
    s[3] = 20000;   // right impulse at frame 1
    std::vector<std::int32_t> out = Pull(LChorusEffect(p).CreateProcessor(Over(s, 2, 8000)), 200);
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[2 * 80], 10000 + 5000);        // g vA + h vB, 80 frames on
    EXPECT_EQ(out[2 * 81 + 1], 10000 + 20000);   // h vA + g vB
    Ref<LAudioReader> mono = LChorusEffect(p).CreateProcessor(Over(Impulse(200, 10000), 1, 8000));
    EXPECT_EQ(mono->channels, 1);
    std::vector<std::int32_t> m = Pull(mono, 200);
    EXPECT_EQ(m[80], (15000 + 15000) / 2);
    EXPECT_EQ(LChorusEffect({500, 3.0, 90, 150}).Params().timeMs, 100);
    EXPECT_EQ(LChorusEffect({1, 3.0, 90, 150}).Params().depthPercent, 30);
}

// FNV-1a over the samples of a chain read in uneven pieces, so block edges fall anywhere.
std::uint64_t DigestOfChain(const Ref<LAudioReader>& r, std::int32_t frames) {
    static const std::int32_t kPieces[] = {777, 8192, 1, 4096, 3000};
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * r->channels);
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::int32_t done = 0, i = 0; done < frames; ++i) {
        const std::int32_t n = std::min(kPieces[i % 5], frames - done);
        r->Read(buf.data(), n);
        const auto* bytes = reinterpret_cast<const unsigned char*>(buf.data());
        for (std::size_t b = 0; b < static_cast<std::size_t>(n) * r->channels * 4; ++b) h = (h ^ bytes[b]) * 0x100000001b3ull;
        done += n;
    }
    return h;
}

// Loud pseudo-random samples at internal 16-bit scale, some at the rails.
Ref<LAudioReader> Noise(std::int32_t frames, std::uint8_t channels, std::int32_t rate) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    std::uint64_t state = 7;
    for (std::int32_t& v : s) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        v = static_cast<std::int32_t>(state >> 44) - 524288;
    }
    return Over(std::move(s), channels, rate);
}

TEST(ModulatedDelays, GiveTheSameSamplesWhateverTheReadSizes) {
    // Taken from the first per-sample implementation; a faster one must keep every bit.
    EXPECT_EQ(DigestOfChain(LChorusEffect({40, 0.5, 5, 70}).CreateProcessor(Noise(60000, 2, 44100)), 60000), 8444804180826511624ull);
    EXPECT_EQ(DigestOfChain(LChorusEffect({100, 2.0, 30, 100}).CreateProcessor(Noise(60000, 1, 22050)), 60000), 7628146425532092798ull);
    EXPECT_EQ(DigestOfChain(LFlangerEffect({5, 1.5, 70, 80}).CreateProcessor(Noise(60000, 2, 44100)), 60000), 16385726764159134110ull);
}

TEST(Distortion, TheThreeSegmentsMeetAndMirror) {
    DistortionCurve k = MakeDistortionCurve(0.5, 0);
    EXPECT_EQ(k.threshold, 131072);
    EXPECT_EQ(k.knee, 65536);
    EXPECT_EQ(k.s1, 29360128);  // 1.75
    EXPECT_EQ(k.s2, 12582912);  // 0.75
    EXPECT_EQ(k.s3, 8388608);   // 0.5
    EXPECT_EQ(k.c2, ExpectedMul(65536, k.s1) - ExpectedMul(65536, k.s2));
    EXPECT_EQ(Distort(k, 1000), ExpectedMul(1000, k.s1));
    EXPECT_NEAR(Distort(k, 65535), Distort(k, 65536), 3);
    EXPECT_NEAR(Distort(k, 131071), Distort(k, 131072), 3);
    EXPECT_NEAR(Distort(k, -100000), -Distort(k, 100000), 1);
    // Levels far outside the dialog's range are brought back; the samples never wrap.
    DistortionCurve loud = MakeDistortionCurve(1.0, 127);
    EXPECT_EQ(loud.threshold, MakeDistortionCurve(1.0, 12).threshold);
    EXPECT_GE(Distort(loud, INT32_MAX), Distort(loud, INT32_MAX - 100000));
    EXPECT_LE(Distort(loud, INT32_MIN + 1), Distort(loud, INT32_MIN + 100001));
    EXPECT_EQ(LDistortionEffect(3.0, -500).Degree(), 1.0);
    EXPECT_EQ(LDistortionEffect(3.0, -500).LevelDb(), -127);
}

TEST(Distortion, AmRadioAndTelephoneAreOnePoleStagesThenADistortion) {
    std::vector<std::int32_t> s(4000);
    for (int i = 0; i < 4000; ++i) s[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(200000 * std::sin(i * 0.3));
    for (bool radio : {true, false}) {
        LVoiceBandEffect effect = radio ? LVoiceBandEffect::AmRadio() : LVoiceBandEffect::Telephone();
        std::vector<std::int32_t> out = Pull(effect.CreateProcessor(Over(s, 1, 22050)), 4000);
        Ref<LAudioReader> hp = MakeRef<LOnePoleFilter>(Over(s, 1, 22050), LOnePoleFilter::Kind::HighPass, radio ? 100 : 450);
        Ref<LAudioReader> lp = MakeRef<LOnePoleFilter>(hp, LOnePoleFilter::Kind::LowPass, radio ? 5000 : 2700);
        Ref<LAudioReader> d = MakeRef<LDistortionFilter>(lp, radio ? 0.2 : 0.3, -8);
        EXPECT_EQ(out, Pull(d, 4000));
        EXPECT_EQ(effect.GetName(), radio ? "Effet Radio de MA" : "Effet Téléphone");
    }
}

class DelayCommandTest : public EffectTest {
protected:
    DelayCommandTest() { RegisterDelayCommands(registry); }
    std::string Refusal(DialogSpec spec, std::map<std::string, std::string> values) {
        for (auto& [id, v] : values) spec.SetValue(id, v);
        std::optional<DialogRefusal> r = spec.validate(spec);
        if (r) {
            EXPECT_EQ(r->caption, "Valeur Invalide");
        }
        return r ? r->text : std::string();
    }
};

TEST_F(DelayCommandTest, DialogsRefuseWhatTheirRangesExclude) {
    EXPECT_EQ(Refusal(EchoDialog(), {{"time", "3000"}}),
              "La durée de l'écho doit être comprise entre 10 et 3000ms. Veuillez réessayer.");
    EXPECT_EQ(Refusal(EchoDialog(), {{"time", "2999"}}), "");
    EXPECT_EQ(Refusal(EchoDialog(), {{"gain", "100"}}),
              "L'Amplification de l'Echo doit être inférieur à 100%. Veuillez réessayer.");
    EXPECT_NE(Refusal(EchoDialog(), {{"gain", "-1"}}), "");
    EXPECT_EQ(Refusal(ReverbDialog(), {{"time", "1001"}}),
              "La durée de réverbération doit être comprise entre 50 et 1000. Veuillez réessayer.");
    EXPECT_EQ(Refusal(PhaserDialog(), {{"gain", "-1"}}), "Le taux d'accroissement doit être compris entre 0 et 100.");
    EXPECT_EQ(Refusal(FlangerDialog(), {{"mod", "5.1"}}), "La modulation (du délai) doit être comprise entre 0 et 5Hz.");
    EXPECT_EQ(Refusal(FlangerDialog(), {{"mod", "5,0"}}), "");
    EXPECT_EQ(Refusal(ChorusDialog(), {{"time", "9"}}), "Le Délai doit être compris entre 10 et 100 millisecondes");
    EXPECT_EQ(Refusal(ChorusDialog(), {{"depth", "31"}}), "Le taux de profondeur doit être compris entre 0 et 30.");
    EXPECT_NE(Refusal(DistortionDialog(), {{"degree", "1.1"}}), "");
    EXPECT_EQ(Refusal(DistortionDialog(), {{"degree", "1.0"}}), "");
    EXPECT_FALSE(EchoDialog().presets.empty());
}

TEST_F(DelayCommandTest, TheFlangerStoresItsModulationAsTypedAndTheChorusKeepsAMonoDocumentMono) {
    Open(Samples(8000, 1, [](int k, int) { return (k % 100) * 1000; }), 1, 8000);
    host.dialogs.push_back({true, {{"time", "4"}, {"mod", "0.75"}, {"depth", "40"}, {"gain", "60"}}});
    ASSERT_TRUE(Run(kCmdFlanger));
    EXPECT_EQ(settings.ReadSetting("Flanger", "Mod"), "0.75");
    EXPECT_EQ(settings.ReadIntSetting("Flanger", "Time", 0), 4);
    EXPECT_EQ(Doc().undoRing[static_cast<std::size_t>(Doc().undoIndex)].name.empty(), false);
    host.dialogs.push_back({true, {}});
    ASSERT_TRUE(Run(kCmdChorus));
    EXPECT_EQ(Doc().sound.channels, 1);
    EXPECT_EQ(Doc().Length(), 8000);
    ASSERT_TRUE(Run(kCmdTelephone));
    EXPECT_EQ(Doc().Length(), 8000);
}

bool HaveSox() { return std::system("sox --version > /dev/null 2>&1") == 0; }

TEST_F(DelayCommandTest, TheFlangerAtZeroModulationMatchesSoxEcho) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    // 16-bit input through sox: echo gain-in 1, gain-out 1, 5 ms, decay 0.75.
    const std::string raw = dir.File("in.raw"), outRaw = dir.File("out.raw");
    std::vector<std::int16_t> in(44100);
    std::uint32_t seed = 7;
    for (std::size_t k = 0; k < in.size(); ++k) {
        seed = seed * 1103515245u + 12345u;
        in[k] = static_cast<std::int16_t>(9000 * std::sin(k * 0.031) + static_cast<int>((seed >> 16) % 2001) - 1000);
    }
    std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size() * 2));
    const std::string fmt = "-t raw -r 44100 -e signed -b 16 -c 1 ";
    const std::string cmd = "sox -D " + fmt + "'" + raw + "' " + fmt + "'" + outRaw + "' echo 1 1 5 0.75 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::vector<std::int16_t> sox(in.size() + 44100);
    std::ifstream soxIn(outRaw, std::ios::binary);
    soxIn.read(reinterpret_cast<char*>(sox.data()), static_cast<std::streamsize>(sox.size() * 2));
    std::vector<std::int32_t> internal(in.begin(), in.end());
    for (auto& v : internal) v *= 16;
    // 5 ms at 44.1 kHz: 220 frames, the same delay sox takes.
    std::vector<std::int32_t> ours = Pull(LFlangerEffect({5, 0.0, 0, 75}).CreateProcessor(Over(internal, 1, 44100)), 44100);
    int worst = 0;
    for (std::size_t k = 0; k < in.size(); ++k) worst = std::max(worst, std::abs(ours[k] / 16 - sox[k]));
    EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace sv::test
