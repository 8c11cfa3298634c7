// The multiband gate's thresholds and bands, and automatic gain control.
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "core/FixedPoint.h"
#include "core/UndoRing.h"
#include "effects/AutoGain.h"
#include "effects/DynamicsCommands.h"
#include "effects/NoiseGate.h"

#include <cmath>

namespace sv {
namespace {

double Rms(const std::vector<std::int32_t>& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(NoiseGateThreshold, SilenceAndVeryLowLevelsNeitherDivideByZeroNorWrap) {
    // 2^40 / amplitude[-30], within a few units of the exact 2^40 / 530,542.25 = 2,072,393.
    EXPECT_EQ(GateThresholdFactor(-30), (std::int64_t{1} << 40) / DbAmplitude(-30));
    EXPECT_NEAR(static_cast<double>(GateThresholdFactor(-30)), 2072393.0, 60.0);
    // -127 is amplitude 0; it is taken as -126 (amplitude 8).
    EXPECT_EQ(GateThresholdFactor(-127), GateThresholdFactor(-126));
    EXPECT_EQ(GateThresholdFactor(-126), (std::int64_t{1} << 40) / 8);
    EXPECT_EQ(GateThresholdFactor(-200), GateThresholdFactor(-126));
    // -100 dB: amplitude 168, a factor past 32 bits kept whole.
    EXPECT_EQ(DbAmplitude(-100), 168);
    EXPECT_EQ(GateThresholdFactor(-100), (std::int64_t{1} << 40) / 168);
    EXPECT_EQ(GateBandGain(1, GateThresholdFactor(-100)), 0);
    EXPECT_EQ(GateBandGain(2, GateThresholdFactor(-100)), (780 - 512) * 8192);
    EXPECT_EQ(GateBandGain(1000, GateThresholdFactor(-100)), 16777216);
}

TEST(NoiseGateThreshold, BandIsShutToItsThresholdAndFullyOpenFromFiveTimesIt) {
    const std::int64_t thr = GateThresholdFactor(-30);
    // The threshold's peak is 131,072 x 10^(-30/20) = 4,145; the product of 12-bit halves
    // truncates a few units more away.
    EXPECT_EQ(GateBandGain(4145, thr), 0);
    EXPECT_EQ(GateBandGain(4160, thr), 0);
    EXPECT_EQ(GateBandGain(4200, thr), 5 * 8192);
    EXPECT_LT(GateBandGain(20700, thr), 16777216);
    EXPECT_EQ(GateBandGain(20800, thr), 16777216);
    EXPECT_EQ(GateBandGain(-5000, thr), 0);
}

TEST(NoiseGateFilter, FailedInputIsHandedBackAsItIs) {
    auto in = MakeRef<test::VectorReader>(std::vector<std::int32_t>(100, 1), 1);
    in->errorCode = kReaderCannotOpen;
    Ref<LAudioReader> in2 = in;
    EXPECT_EQ(LNoiseGateEffect(-30).CreateProcessor(in2), in2);
}

// One tone per band, a little below its band's threshold, a little above and well above it:
// below, the band (and so the tone) is shut; well above, the tone passes at its level.
TEST(NoiseGateFilter, TonesInEachBandAreShutBelowTheirThresholdAndPassAboveIt) {
    const int level = -30;
    struct Case {
        double freq;
        int bandDb;
    };
    const Case cases[] = {{200, level + 3}, {700, level}, {1800, level - 3}, {5000, level}};
    const std::int32_t frames = 44100;
    for (const Case& c : cases) {
        const double thresholdPeak = 131072.0 * std::pow(10.0, c.bandDb / 20.0);
        for (const double times : {0.7, 3.0, 30.0}) {
            const std::vector<std::int32_t> in = test::SineSamples(frames, 44100, {c.freq}, thresholdPeak * times);
            auto reader = MakeRef<test::VectorReader>(in, 1);
            Ref<LAudioReader> gate = LNoiseGateEffect(level).CreateProcessor(reader);
            const std::vector<std::int32_t> out = test::ReadAll(*gate, frames);
            const double db = 20 * std::log10(std::max(Rms(out, 11025, 44100), 1e-9) / Rms(in, 11025, 44100));
            // The one-pole bands overlap, so a tone reaches its band's peak detector weakened and
            // its neighbours' too: at three times the threshold the gate is part open.
            if (times < 1)
                EXPECT_LT(db, -60) << c.freq << " Hz at " << times << " x threshold";
            else if (times < 10)
                EXPECT_TRUE(db > -25 && db < -8) << c.freq << " Hz at " << times << " x threshold: " << db << " dB";
            else
                EXPECT_NEAR(db, 0, 1.0) << c.freq << " Hz at " << times << " x threshold";
        }
    }
}

TEST(NoiseGateFilter, AGateOpeningOnABurstRampsOverOneBlockBeforeIt) {
    // Silence, then a loud 1 kHz burst from frame 14,700 (ten blocks of 1,470).
    std::vector<std::int32_t> in(44100, 0);
    for (int k = 14700; k < 44100; ++k) in[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(100000 * std::sin(2 * M_PI * 1000 * k / 44100.0));
    auto reader = MakeRef<test::VectorReader>(in, 1);
    Ref<LAudioReader> gate = LNoiseGateEffect(-30).CreateProcessor(reader);
    const std::vector<std::int32_t> out = test::ReadAll(*gate, 44100);
    // The block before the burst opens the band, so the burst's start is not cut.
    EXPECT_GT(Rms(out, 14700, 14700 + 200), 0.5 * Rms(in, 14700, 14700 + 200));
    EXPECT_NEAR(Rms(out, 20000, 44100) / Rms(in, 20000, 44100), 1.0, 0.1);
}

class DynamicsCommandTest : public test::EffectTest {
protected:
    DynamicsCommandTest() { RegisterDynamicsCommands(registry); }
};

TEST_F(DynamicsCommandTest, GateDialogStoresItsLevelAndShutsNoiseBelowIt) {
    std::vector<std::int32_t> s = test::SineSamples(44100, 44100, {700}, 1500);  // below -30 dB
    Open(s, 1);
    test::DialogAnswer answer(true, {{"level", "-30"}});
    answer.preset = 0;
    host.dialogs.push_back(answer);
    Run(kCmdNoiseGate);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "13");
    EXPECT_EQ(host.shownDialogs[0].Field("level")->label, "Niveau de l'Antiparasite:");
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "NoiseGateLevel", 0), -30);
    EXPECT_EQ(UndoName(Doc()), "Réduction des Bruits");
    const std::vector<std::int32_t> out = All();
    EXPECT_LT(Rms(out, 0, out.size()), 1.0);
}

// A quiet passage and a loud one come out near the same loudness, and no peak passes full scale.
TEST_F(DynamicsCommandTest, AutomaticGainControlLevelsQuietAndLoudPassagesWithoutClipping) {
    const std::int32_t rate = 44100;
    std::vector<std::int32_t> s(static_cast<std::size_t>(rate) * 8, 0);
    for (int k = 0; k < rate * 8; ++k) {
        const double a = k < rate * 4 ? 524272 * 0.03 : 524272 * 0.9;  // -30 dB, then -1 dB
        s[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(a * std::sin(2 * M_PI * 1000 * k / rate));
    }
    Open(s, 1);
    Run(kCmdAutoGain);
    EXPECT_EQ(host.shownDialogs.size(), 0u);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Contrôle Automatique des Gains en cours"});
    EXPECT_EQ(UndoName(Doc()), "Gestion d'accroissement automatique");
    const std::vector<std::int32_t> out = All();
    const double quiet = 20 * std::log10(Rms(out, rate * 3, rate * 4) / 524272);
    const double loud = 20 * std::log10(Rms(out, rate * 7, rate * 8) / 524272);
    // The weighting passes 1 kHz at about -2.6 dB, so a -16 dB weighted goal is about -13.4 dB.
    EXPECT_NEAR(quiet, -13.4, 1.5);
    EXPECT_NEAR(loud, -13.4, 1.5);
    for (std::int32_t v : out) ASSERT_LE(std::abs(v), 524272);
}

TEST(AutoGainFilter, SilenceStaysSilentAndNoiseBelowTheGateIsNotRaised) {
    std::vector<std::int32_t> s(44100 * 2, 0);
    std::uint32_t seed = 5;
    for (std::size_t i = 44100; i < s.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<std::int32_t>((seed >> 16) % 65) - 32;  // about -84 dB
    }
    auto reader = MakeRef<test::VectorReader>(s, 1);
    Ref<LAudioReader> agc = LAutoGainEffect().CreateProcessor(reader);
    const std::vector<std::int32_t> out = test::ReadAll(*agc, 44100 * 2);
    EXPECT_EQ(Rms(out, 0, 44100), 0.0);
    EXPECT_NEAR(Rms(out, 50000, out.size()), Rms(s, 50000, s.size()), 1.0);
}

}  // namespace
}  // namespace sv
