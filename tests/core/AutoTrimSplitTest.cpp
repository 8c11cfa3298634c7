#include "core/AutoSplit.h"
#include "core/AutoTrim.h"

#include "EditTestFixture.h"
#include "core/SegmentOps.h"

namespace sv::test {
namespace {

using AutoTrimTest = EditTest;

TEST_F(AutoTrimTest, CutsToThePeakGroupsAboveTheThreshold) {
    // Peak bytes: 5 (quiet) in groups 1-2, 100 in groups 4-7, nothing elsewhere.
    LAudioDocument& doc = Open(Make(3072, 1, [](int k, int) {
        if (k >= 256 && k < 768) return 5 << 11;
        if (k >= 1024 && k < 2048) return 100 << 11;
        return 0;
    }));
    doc.cursor = 500;
    const std::vector<std::string> files = dir.List();
    ASSERT_TRUE(Run(kCmdAutoTrim));
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Coupure Automatique"}));
    EXPECT_EQ(host.progressTexts, (std::vector<std::string>{"0:AutoTrim", "1:Veuillez patienter..."}));
    // -20 dB of 100 is 10: the quiet groups are cut; start one group early, end after group 7.
    EXPECT_EQ(doc.Length(), 2048 - 768);
    EXPECT_EQ(ReadFrames(doc.sound, 255, 2), (std::vector<std::int32_t>{0, 100 << 11}));
    EXPECT_EQ(doc.cursor, 0);
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Coupure Automatique\tCtrl+Z");
    EXPECT_EQ(dir.List(), files);

    Run(kCmdUndo);
    user.Set("Settings", "AutoTrimThreshold", "-127");
    Run(kCmdAutoTrim);
    // At -127 dB every non-zero peak byte is sound: the quiet groups stay.
    EXPECT_EQ(doc.Length(), 2048);
}

TEST_F(AutoTrimTest, AnAmplifiedSegmentSaturatesInsteadOfWrappingToSilence) {
    LAudioData sound = Make(2560, 1, [](int, int) { return 128 << 11; });  // peak byte 128
    ScaleRange(sound, 0, 2560, 200);                                         // 256 would wrap to 0
    InsertSilence(sound, 0, 2560);
    InsertSilence(sound, 5120, 2560);
    LAudioDocument& doc = Open(sound);
    user.Set("Settings", "AutoTrimThreshold", "-127");
    Run(kCmdAutoTrim);
    EXPECT_EQ(doc.Length(), 5120 - 2304);
    EXPECT_EQ(ReadFrames(doc.sound, 255, 2), (std::vector<std::int32_t>{0, 256 << 11}));
}

TEST_F(AutoTrimTest, ASilentDocumentIsKeptWhole) {
    LAudioDocument& doc = Open(Make(5000, 2, [](int, int) { return 0; }));
    Run(kCmdAutoTrim);
    EXPECT_EQ(doc.Length(), 5000);
}

class AutoSplitTest : public EditTest {
protected:
    // Loud frames 0-9,999 and, when two, 30,000-39,999 of 50,000.
    LAudioDocument& OpenBursts(bool two) {
        return Open(Make(50000, 1, [two](int k, int) {
            return k < 10000 || (two && k >= 30000 && k < 40000) ? 100000 : 0;
        }));
    }
};

TEST_F(AutoSplitTest, EachStretchBecomesANumberedModifiedDocument) {
    OpenBursts(true);
    host.dialogs.push_back({true, {}});
    ASSERT_TRUE(Run(kCmdAutoSplit));
    EXPECT_EQ(host.shownDialogs.at(0).caption, "Coupure Auto le Fichier");
    EXPECT_EQ(host.shownDialogs.at(0).Field("threshold")->label, "Palier");
    EXPECT_EQ(host.shownDialogs.at(0).Value("threshold"), "-36");
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Coupure Automatique Terminée"}));
    ASSERT_EQ(ws.Documents().size(), 2u);
    const LAudioDocument& a = *ws.Documents()[0];
    const LAudioDocument& b = *ws.Documents()[1];
    EXPECT_EQ(a.path, "/music/take (0).wav");
    EXPECT_EQ(b.path, "/music/take (1).wav");
    EXPECT_EQ(a.modified, 1);
    // Windows of 2,205 frames: a stretch starts half a window before its first loud window and
    // ends two windows after its last.
    EXPECT_EQ(a.Length(), 8820 + 4410);
    EXPECT_EQ(b.Length(), 39690 + 4410 - (28665 - 1102));
    EXPECT_EQ(ReadFrames(b.sound, 30000 - 27563 - 1, 2), (std::vector<std::int32_t>{0, 100000}));
}

TEST_F(AutoSplitTest, OneStretchLeavesTheDocumentOpenAndAsItWas) {
    LAudioDocument& doc = OpenBursts(false);
    host.dialogs.push_back({true, {{"threshold", "-20"}, {"duration", "100"}}});
    Run(kCmdAutoSplit);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Coupure Automatique Terminée");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
    ASSERT_EQ(ws.Documents().size(), 1u);
    EXPECT_EQ(ws.Active(), &doc);
    EXPECT_EQ(doc.Length(), 50000);
    EXPECT_EQ(doc.modified, 0);
    EXPECT_EQ(user.Get("AutoSplit", "Threshold"), "-20");
    EXPECT_EQ(user.Get("AutoSplit", "Duration"), "100");
}

TEST_F(AutoSplitTest, AModifiedDocumentMustBeSavedFirst) {
    LAudioDocument& doc = OpenBursts(true);
    doc.modified = 1;
    host.answers.push_back(MsgAnswer::No);
    Run(kCmdAutoSplit);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Enregistrer le fichier sous...");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(host.shownDialogs.empty());

    int saves = 0;
    ws.saveDocument = [&](LAudioDocument& d, bool) {
        ++saves;
        d.modified = 0;
        return true;
    };
    host.dialogs.push_back({true, {}});
    Run(kCmdAutoSplit);  // Yes, the scripted default
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(ws.Documents().size(), 2u);
}

TEST_F(AutoSplitTest, AMinimumSilenceJoinsStretchesWithShorterGaps) {
    Ref<LAudioDocument> keep(&OpenBursts(true));
    host.dialogs.push_back({true, {{"duration", "1000"}}});  // the gap lasts about 450 ms
    Run(kCmdAutoSplit);
    EXPECT_EQ(ws.Documents().size(), 1u);
    EXPECT_EQ(ws.Active(), keep.get());
}

}  // namespace
}  // namespace sv::test
