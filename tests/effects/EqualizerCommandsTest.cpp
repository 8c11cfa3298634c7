// The equalizer, envelope and low cut commands driven as a user would: curve files, band tools,
// presets, stored values, undo names and progress titles.
#include "EffectTestFixture.h"

#include "core/FixedPoint.h"
#include "core/UndoRing.h"
#include "effects/BandCurves.h"
#include "effects/CurveFile.h"
#include "effects/Envelope.h"
#include "effects/EqualizerCommands.h"
#include "effects/EqualizerFilter.h"
#include "effects/LowCut.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace sv {
namespace {

using test::ExpectedMul;

class EqualizerCommands : public test::EffectTest {
protected:
    EqualizerCommands() {
        RegisterEqualizerCommands(registry);
        ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    }
    ~EqualizerCommands() override { ::unsetenv("XDG_DATA_HOME"); }
    static std::vector<std::uint8_t> FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(EqualizerCommands, CurveFilesKeep64PointsRaiseFallingPositionsAndStartFlat) {
    std::vector<std::uint8_t> seventy{70};
    for (int i = 0; i < 70; ++i) {
        seventy.push_back(static_cast<std::uint8_t>(i * 3));
        seventy.push_back(static_cast<std::uint8_t>(100 + i));
    }
    EXPECT_EQ(ParseCurveBytes(seventy).size(), 64u);
    EXPECT_EQ(ParseCurveBytes({2, 10, 1, 5, 2}), (LCurve{{10, 1}, {10, 2}}));
    EXPECT_TRUE(ParseCurveBytes({}).empty());
    EXPECT_EQ(ParseCurveBytes({3, 0, 9}), (LCurve{{0, 9}}));  // pairs promised but missing
    // A missing file is flat, and is written back at once.
    const std::string path = EnvelopeCurvePath();
    EXPECT_EQ(ReadCurveFile(path), FlatCurve());
    EXPECT_EQ(FileBytes(path), (std::vector<std::uint8_t>{2, 0, 128, 255, 128}));
    EXPECT_TRUE(WriteCurveFile(path, {{0, 1}, {200, 2}}));
    EXPECT_EQ(FileBytes(path), (std::vector<std::uint8_t>{2, 0, 1, 200, 2}));
    EXPECT_EQ(FlattenCurveFile(path), FlatCurve());
    EXPECT_EQ(CurveFromText(CurveToText({{0, 1}, {20, 255}})), (LCurve{{0, 1}, {20, 255}}));
    EXPECT_EQ(CurveFromText("0:5 junk 300:999 7:"), (LCurve{{0, 5}, {255, 255}}));
}

TEST_F(EqualizerCommands, BandToolsFollowTheirRulesInLinearPositions) {
    BandParams p;
    p.start = 100;
    p.end = 2000;
    p.amp = 50;
    p.slope = 1000;
    // The slope cannot reach below 0 Hz: it becomes 100.
    EXPECT_EQ(BandCurve(BandKind::BandPass, p),
              (LCurve{{0, 64}, {0, 64}, {1, 128}, {25, 128}, {26, 64}, {255, 64}}));
    p.start = 5000;
    p.end = 5010;
    p.amp = 0;
    // A notch is at least 50 Hz wide and has no slope.
    EXPECT_EQ(BandCurve(BandKind::Notch, p),
              (LCurve{{0, 128}, {63, 128}, {63, 0}, {64, 0}, {64, 128}, {255, 128}}));
    BandParams hp;
    hp.freq = 4000;
    hp.amp = 50;
    hp.slope = 1000;
    EXPECT_EQ(BandCurve(BandKind::HighPass, hp), (LCurve{{0, 64}, {38, 64}, {51, 128}, {255, 128}}));
    EXPECT_EQ(BandCurve(BandKind::LowPass, hp), (LCurve{{0, 128}, {51, 128}, {63, 64}, {255, 64}}));
    // A 1 kHz notch lands at position 12 (12 * 78.125 Hz = 937.5 Hz), whatever the view.
    p.start = 1000;
    p.end = 1000;
    EXPECT_EQ(BandCurve(BandKind::Notch, p)[2].position, 12);
    EXPECT_NEAR(PositionToDisplay(DisplayToPosition(0.3, true), true), 0.3, 1e-12);
    EXPECT_EQ(FrequencyPosition(-5), 0);
    EXPECT_EQ(FrequencyPosition(30000), 255);
}

TEST_F(EqualizerCommands, ChoosingABandKindBuildsItsCurveAndOkAppliesAndStoresIt) {
    Open(Samples(20000, 2, [](int k, int c) { return ((k * 37) % 2000 - 1000) * 16 + c; }), 2);
    user.Set("HighPass", "Freq", "2000");
    host.dialogs.push_back({true, {{"preset", "3"}, {"view", "0"}}});
    Run(kCmdEqualizer);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "3");
    EXPECT_EQ(host.shownDialogs[0].caption, "Egalisateur");
    BandParams hp;
    hp.freq = 2000;
    hp.amp = 50;
    hp.slope = 1000;
    const LCurve expected = BandCurve(BandKind::HighPass, hp);
    EXPECT_EQ(ReadCurveFile(EqualizerCurvePath()), expected);
    EXPECT_EQ(user.Get("StoredValues", "EQPreset"), "3");
    EXPECT_EQ(user.Get("StoredValues", "EQLinearView"), "1");
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Egaliser"});
    EXPECT_EQ(UndoName(Doc()), "Egalisateur");
    EXPECT_NE(All(), Samples(20000, 2, [](int k, int c) { return ((k * 37) % 2000 - 1000) * 16 + c; }));
}

TEST_F(EqualizerCommands, BandSettingsDialogStoresTheKindsParametersAndRefusesBadOnes) {
    Open(Samples(1000, 1, [](int k, int) { return k; }), 1);
    test::DialogAnswer eq;
    eq.preset = -1;
    eq.values = {};
    eq.presses = {"settings"};
    user.Set("StoredValues", "EQPreset", "5");  // Notch
    host.dialogs.push_back(eq);
    host.dialogs.push_back({true, {{"start", "30000"}}});  // refused
    host.dialogs.push_back({true, {{"start", "3000"}, {"end", "3100"}, {"amp", "10"}, {"slope", "7"}}});
    Run(kCmdEqualizer);
    ASSERT_EQ(host.shownDialogs.size(), 2u);
    EXPECT_EQ(host.shownDialogs[1].resource, "42");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(user.Get("Notch", "StartFreq"), "3000");
    EXPECT_EQ(user.Get("Notch", "Amp"), "10");
    BandParams p;
    p.start = 3000;
    p.end = 3100;
    p.amp = 10;
    p.slope = 7;
    EXPECT_EQ(ReadCurveFile(EqualizerCurvePath()), BandCurve(BandKind::Notch, p));
    // Then OK on the equalizer applies the new notch.
    EXPECT_EQ(user.Get("StoredValues", "EQPreset"), "5");
    EXPECT_EQ(UndoName(Doc()), "Egalisateur");
}

TEST_F(EqualizerCommands, HarmonicNotchesSitAtTheFundamentalAndItsMultiples) {
    BandParams p;
    p.freq = 1000;
    p.count = 3;
    p.amp = 0;
    p.slope = 400;
    const LCurve c = BandCurve(BandKind::Harmonic, p);
    ASSERT_EQ(c.size(), 11u);
    EXPECT_EQ(c[2], (LCurvePoint{12, 0}));
    EXPECT_EQ(c[5], (LCurvePoint{25, 0}));
    EXPECT_EQ(c[8], (LCurvePoint{38, 0}));
    EXPECT_EQ(BandDialog(BandKind::Harmonic, p).resource, "44");
}

TEST_F(EqualizerCommands, FlattenWritesAnEmptyFileAndReadsTheFlatCurveBack) {
    WriteCurveFile(EqualizerCurvePath(), {{0, 10}, {255, 10}});
    Open(Samples(100, 1, [](int k, int) { return k * 16; }), 1);
    const auto before = State();
    test::DialogAnswer a;
    a.presses = {"flatten"};
    host.dialogs.push_back(a);
    Run(kCmdEqualizer);
    EXPECT_EQ(ReadCurveFile(EqualizerCurvePath()), FlatCurve());
    // The flat curve changes nothing and opens no undo step.
    EXPECT_EQ(All(), Samples(100, 1, [](int k, int) { return k * 16; }));
    EXPECT_EQ(State().undoNames, before.undoNames);
    EXPECT_EQ(State().segments, before.segments);
}

TEST_F(EqualizerCommands, EnvelopeCommandAppliesTheDrawnCurveAndKeepsIt) {
    const auto s = Samples(3000, 2, [](int k, int c) { return 10000 + k + c; });
    Open(s, 2);
    host.dialogs.push_back({true, {{"curve", "0:128 128:0 255:255"}}});
    Run(kCmdEnvelope);
    EXPECT_EQ(host.shownDialogs.at(0).caption, "Enveloppe");
    EXPECT_EQ(ReadCurveFile(EnvelopeCurvePath()), (LCurve{{0, 128}, {128, 0}, {255, 255}}));
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Envelope"});
    EXPECT_EQ(UndoName(Doc()), "Envelopper");
    const auto out = All();
    const std::int32_t mid = CurvePointFrame(3000, 128);
    EXPECT_EQ(out[0], s[0]);                                             // unity at the start
    EXPECT_EQ(out[static_cast<std::size_t>(mid) * 2], 0);                // silence at the middle point
    const std::int32_t step = LevelGain(255) / (3000 - mid);
    EXPECT_EQ(out[5999], ExpectedMul(s[5999], step * (2999 - mid)));
}

TEST_F(EqualizerCommands, EnvelopePresetsFillTheCurve) {
    Open(Samples(1000, 1, [](int, int) { return 1000; }), 1);
    test::DialogAnswer a;
    a.preset = 0;  // "Fondu en ouverture"
    host.dialogs.push_back(a);
    Run(kCmdEnvelope);
    EXPECT_EQ(ReadCurveFile(EnvelopeCurvePath()), FadeInCurve());
    EXPECT_EQ(All()[0], 0);
    EXPECT_EQ(host.shownDialogs.at(0).presets.at(0).name, "Fondu en ouverture");
}

TEST(EnvelopeFilter, PointsSharingAFrameJumpToTheLaterLevel) {
    // "10, 5" read as "10, 10", and a selection under 255 frames: several points share frames.
    std::vector<std::int32_t> s(100, 1 << 20);
    const LCurve curve{{0, 0}, {10, 200}, {10, 64}, {20, 128}, {21, 255}, {255, 128}};
    Ref<LAudioReader> r = MakeRef<LEnvelopeFilter>(MakeRef<test::VectorReader>(s, 1), curve, 0, 100);
    std::vector<std::int32_t> out(100);
    r->Read(out.data(), 100);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[CurvePointFrame(100, 10)], ExpectedMul(1 << 20, LevelGain(64)));
    // After the jumps the last segment falls from 255 to 128 over the remaining frames.
    EXPECT_GT(out[CurvePointFrame(100, 21)], out[99]);
    EXPECT_NEAR(out[99], 1 << 20, (1 << 20) / 50);
    for (std::int32_t v : out) EXPECT_GE(v, 0);
}

TEST_F(EqualizerCommands, LowCutDialogStoresTheFrequencyAndClampsItBelowHalfTheRate) {
    std::vector<std::int32_t> s(20000);
    for (int i = 0; i < 20000; ++i) s[static_cast<std::size_t>(i)] = (i % 2 ? 1 : -1) * 100000;
    Open(s, 1, 8000);
    host.dialogs.push_back({true, {{"freq", "9000"}}});  // taken as it is, above half the rate
    Run(kCmdHighPass);
    EXPECT_EQ(host.shownDialogs.at(0).resource, "18");
    EXPECT_EQ(user.Get("StoredValues", "LowCutFreq"), "9000");
    EXPECT_EQ(UndoName(Doc()), "Coupure Basse Fréquence");
    // Clamped to 3,600 Hz the filter stays stable: the output is bounded.
    std::int64_t peak = 0;
    for (std::int32_t v : All()) peak = std::max<std::int64_t>(peak, std::llabs(v));
    EXPECT_LT(peak, 400000);
    EXPECT_EQ(LowCutFrequency(9000, 8000), 3600);
    EXPECT_EQ(LowCutFrequency(0, 8000), 10);
}

}  // namespace
}  // namespace sv
