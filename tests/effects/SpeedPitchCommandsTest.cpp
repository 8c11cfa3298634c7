#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "core/SegmentOps.h"
#include "core/UndoRing.h"
#include "effects/EffectCommand.h"
#include "effects/SpeedPitchCommands.h"

#include <cmath>

namespace sv {
namespace {

using test::AnalyseTone;
using test::DialogAnswer;
using test::SineSamples;

constexpr double kHalfScale = 262136.0;

class SpeedPitchTest : public test::EffectTest {
protected:
    SpeedPitchTest() { RegisterSpeedPitchCommands(registry); }
    void Answer(const std::string& percent) { host.dialogs.push_back(DialogAnswer{true, {{"percent", percent}}}); }
    LAudioDocument& OpenSine(std::int32_t frames, double freq) {
        return Open(SineSamples(frames, 44100, {freq}, kHalfScale), 1);
    }
};

TEST_F(SpeedPitchTest, DialogIs21WithTheStoredPercentAndTheModesTitleAndLabel) {
    OpenSine(4410, 440);
    settings.WriteIntUserSetting("StoredValues", "ConstSpeedPitch", 80);
    host.dialogs.push_back(DialogAnswer{false, {}});
    Run(kCmdPitch);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    const DialogSpec& d = host.shownDialogs[0];
    EXPECT_EQ(d.resource, "21");
    EXPECT_EQ(d.caption, "Modification de Hauteur Tonale");
    EXPECT_EQ(d.Field("percent")->label, "Ajustement de Hauteur Tonale (%)");
    EXPECT_EQ(d.Value("percent"), "80");
    EXPECT_EQ(SpeedPitchDialog(SpeedPitchMode::SpeedAndPitch, 100).caption,
              "Modification de Vitesse et de Hauteur Tonale");
    EXPECT_EQ(SpeedPitchDialog(SpeedPitchMode::Speed, 100).Field("percent")->label, "Ajustement de Vitesse (%)");
    EXPECT_FALSE(CanUndo(Doc()));  // cancelled: nothing happened
}

TEST_F(SpeedPitchTest, Percent301IsRefusedAnd300Accepted) {
    OpenSine(4410, 440);
    Answer("301");
    Answer("300");
    Run(kCmdSpeedPitch);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le Taux de Variation de la Vitesse doit être inférieur à 300.");
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "SpSpeedPitch", 0), 300);
    EXPECT_EQ(Doc().Length(), 1470);  // three times faster
}

TEST_F(SpeedPitchTest, PercentagesAreStoredAsSigned16BitValuesThatSaturate) {
    EXPECT_EQ(ToPercent16(-40000), -32768);
    EXPECT_EQ(ToPercent16(70000), 32767);
    EXPECT_EQ(ToPercent16(-5), -5);
    OpenSine(4410, 440);
    Answer("-40000");
    Run(kCmdSpeedPitch);
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "SpSpeedPitch", 0), -32768);
    EXPECT_EQ(Doc().Length(), 44100);  // raised to a tenth of the speed, not 25,536 %
}

TEST_F(SpeedPitchTest, HundredPercentLeavesTheSoundAlone) {
    OpenSine(4410, 440);
    Answer("100");
    Run(kCmdSpeedPitch);
    EXPECT_EQ(Doc().Length(), 4410);
    EXPECT_EQ(Doc().modified, 0);
}

// Twice the speed: a selection of 10,000 frames becomes 5,000, the frames after it follow on,
// the selection end moves with the result, and a 440 Hz tone rises to 880 Hz.
TEST_F(SpeedPitchTest, TwoHundredPercentHalvesTheSelectionAndMovesItsEnd) {
    std::vector<std::int32_t> s = SineSamples(30000, 44100, {440}, kHalfScale);
    s[25000] = 12345;
    Open(s, 1);
    Doc().SetSelection(5000, 25000, 5000);
    Answer("200");
    Run(kCmdSpeedPitch);
    EXPECT_EQ(Doc().Length(), 20000);
    EXPECT_EQ(Doc().selectionStart, 5000);
    EXPECT_EQ(Doc().selectionEnd, 15000);
    EXPECT_EQ(UndoName(Doc()), "Modification de Vitesse et de Hauteur Tonale");
    const std::vector<std::int32_t> all = All();
    EXPECT_EQ(all[15000], 12345);
    EXPECT_NEAR(AnalyseTone(all, 1, 0, 6000, 13, 44100).frequency, 880.0, 0.5);
    ASSERT_TRUE(Undo(Doc()));
    EXPECT_EQ(Doc().Length(), 30000);
    EXPECT_EQ(All(), s);
}

TEST_F(SpeedPitchTest, FivePercentIsUsedAsTenInSpeedPitchAndPitch) {
    OpenSine(4410, 440);
    Answer("5");
    Run(kCmdSpeedPitch);
    EXPECT_EQ(Doc().Length(), 44100);
    EXPECT_EQ(Doc().selectionEnd, 44100);

    ws.RemoveDocument(&Doc());
    OpenSine(22050, 1000);
    Answer("5");
    Run(kCmdPitch);
    EXPECT_EQ(Doc().Length(), 22050);
    EXPECT_NEAR(AnalyseTone(All(), 1, 0, 4000, 13, 44100).frequency, 100.0, 2.0);
}

TEST_F(SpeedPitchTest, SpeedChangesTheDurationAndKeepsThePitch) {
    OpenSine(44100, 440);
    Answer("150");
    Run(kCmdSpeed);
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "ConstPitchSpeed", 0), 150);
    EXPECT_EQ(Doc().Length(), 29400);
    EXPECT_EQ(Doc().selectionEnd, 29400);
    EXPECT_NEAR(AnalyseTone(All(), 1, 0, 6000, 14, 44100).frequency, 440.0, 0.5);
    EXPECT_EQ(UndoName(Doc()), "Modification de Vitesse");
}

TEST_F(SpeedPitchTest, PitchAt150PercentMoves440HzTo660HzAndKeepsTheDuration) {
    OpenSine(44100, 440);
    Answer("150");
    Run(kCmdPitch);
    EXPECT_NEAR(Doc().Length(), 44100, 1);
    const auto t = AnalyseTone(All(), 1, 0, 12000, 14, 44100);
    EXPECT_NEAR(t.frequency, 660.0, 0.5);
    EXPECT_NEAR(20 * std::log10(t.amplitude / kHalfScale), 0.0, 1.0);
    EXPECT_LT(t.spurDb, -60.0);
    EXPECT_EQ(host.progressTitles.back(), "Modification de Vitesse et Hauteur Tonale");
}

TEST_F(SpeedPitchTest, CancellingLeavesTheDocumentUnchanged) {
    OpenSine(44100, 440);
    Doc().SetSelection(1000, 40000, 1000);
    const test::DocumentState before = State();
    host.cancelAtPump = 1;
    Answer("150");
    Run(kCmdSpeed);
    EXPECT_EQ(State(), before);
}

TEST_F(SpeedPitchTest, AResultTooLongForFrameCountsIsRefusedAndChangesNothing) {
    // A silent sound of 30 million frames slowed to 1 % would need 3 billion.
    LAudioData silence(44100, 1);
    InsertSilence(silence, 0, 30000000);
    Open(silence);
    const test::DocumentState before = State();
    Answer("1");
    Run(kCmdSpeed);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0], "Le résultat serait trop long pour un document.");
    EXPECT_EQ(State().segments, before.segments);
    EXPECT_FALSE(CanUndo(Doc()));
}

TEST_F(SpeedPitchTest, CommandsNeedADocument) {
    EXPECT_FALSE(registry.Enabled(kCmdSpeedPitch, ws));
    Run(kCmdSpeed);
    EXPECT_TRUE(host.shownDialogs.empty());
    OpenSine(10, 440);
    EXPECT_TRUE(registry.Enabled(kCmdPitch, ws));
}

}  // namespace
}  // namespace sv
