#include "core/PasteMix.h"

#include "EditTestFixture.h"

namespace sv::test {
namespace {

using PasteMixTest = EditTest;

DialogAnswer Mix(const std::string& volume, const std::string& choice = "", const std::string& fade = "",
                 const std::string& pan = "") {
    DialogAnswer a{true, {{"volume", volume}}};
    if (!choice.empty()) a.values["mode"] = choice;  // 0 widen, 1 insert silence, 2 fade out
    if (!fade.empty()) a.values["fade"] = fade;
    if (!pan.empty()) a.values["pan"] = pan;
    return a;
}

TEST_F(PasteMixTest, CopyThenPasteMixAtFullVolumeDoublesTheSelection) {
    LAudioDocument& doc = Open(Make(3000, 2, [](int k, int c) { return (k % 100) * 1000 * (c ? -1 : 1); }));
    doc.SetSelection(1000, 2000, 0);
    Run(kCmdCopy);
    host.dialogs.push_back(Mix("100"));
    ASSERT_TRUE(Run(kCmdPasteMix));
    const auto& dlg = host.shownDialogs.at(0);
    EXPECT_EQ(dlg.resource, "4");
    EXPECT_EQ(dlg.Field("pan")->label, "Stéréo Panoramique (L - R)");
    EXPECT_EQ(dlg.Value("pan"), "50");
    EXPECT_EQ(dlg.Field("mode")->label, "Si le mixage audio est plus long que la sélection:");
    EXPECT_EQ(dlg.Value("mode"), "1");  // "Insérer un silence", the stored default
    std::vector<std::int32_t> mixed = ReadFrames(doc.sound, 1000, 1000);
    std::vector<std::int32_t> original = ReadFrames(Make(3000, 2, [](int k, int c) {
                                                        return (k % 100) * 1000 * (c ? -1 : 1);
                                                    }),
                                                    1000, 1000);
    for (std::size_t i = 0; i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 2 * original[i]) << i;
    EXPECT_EQ(ReadFrames(doc.sound, 2000, 1), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 2000));
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Coller le Mixage\tCtrl+Z");
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Coller le Mixage"}));
}

TEST_F(PasteMixTest, AShorterClipboardMixesIntoTheStartOfTheSelectionOnly) {
    ws.Clipboard() = Make(4000, 1, [](int, int) { return 100; });
    LAudioDocument& doc = Open(Make(20000, 1, [](int, int) { return 5; }));
    doc.SetSelection(1000, 11000, 0);
    host.dialogs.push_back(Mix("100"));
    Run(kCmdPasteMix);
    EXPECT_EQ(doc.Length(), 20000);
    EXPECT_EQ(ReadFrames(doc.sound, 999, 2), (std::vector<std::int32_t>{5, 105}));
    EXPECT_EQ(ReadFrames(doc.sound, 4999, 2), (std::vector<std::int32_t>{105, 5}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 5000));
}

TEST_F(PasteMixTest, ALongerClipboardInsertsSilenceOrWidensTheSelection) {
    ws.Clipboard() = Make(13000, 1, [](int, int) { return 100; });
    LAudioDocument& doc = Open(Make(20000, 1, [](int, int) { return 5; }));
    doc.SetSelection(1000, 11000, 0);
    host.dialogs.push_back(Mix("100", "1"));
    Run(kCmdPasteMix);
    EXPECT_EQ(doc.Length(), 23000);
    EXPECT_EQ(ReadFrames(doc.sound, 13999, 2), (std::vector<std::int32_t>{100, 5}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 14000));
    EXPECT_EQ(user.Get("StoredValues", "LongerSelection"), "0");

    Run(kCmdUndo);
    doc.SetSelection(1000, 11000, 0);
    host.dialogs.push_back(Mix("100", "0"));
    Run(kCmdPasteMix);
    EXPECT_EQ(doc.Length(), 20000);
    EXPECT_EQ(ReadFrames(doc.sound, 13999, 2), (std::vector<std::int32_t>{105, 5}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 14000));
    EXPECT_EQ(user.Get("StoredValues", "LongerSelection"), "1");
}

TEST_F(PasteMixTest, WithoutASelectionTheStoredChoiceDoesNotApplyAndTheWholeSourceIsMixed) {
    ws.Clipboard() = Make(4000, 1, [](int, int) { return 100; });
    LAudioDocument& doc = Open(Make(20000, 1, [](int, int) { return 5; }));
    for (const char* stored : {"2", "1"}) {  // fade out, widen
        SCOPED_TRACE(stored);
        settings.WriteUserSetting("StoredValues", "LongerSelection", stored);
        doc.SetSelection(1000, 1000, 1000);
        host.dialogs.push_back(Mix("100"));
        ASSERT_TRUE(Run(kCmdPasteMix));
        EXPECT_EQ(host.shownDialogs.back().Field("mode"), nullptr);
        EXPECT_EQ(doc.Length(), 24000);
        EXPECT_EQ(ReadFrames(doc.sound, 999, 2), (std::vector<std::int32_t>{5, 100}));
        EXPECT_EQ(ReadFrames(doc.sound, 4999, 2), (std::vector<std::int32_t>{100, 5}));
        EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 5000));
        EXPECT_EQ(user.Get("StoredValues", "LongerSelection"), stored);
        Run(kCmdUndo);
    }
}

TEST_F(PasteMixTest, FadeOutModeKeepsTheSelectionAndFadesTheSourceToSilence) {
    ws.Clipboard() = Make(20000, 1, [](int, int) { return 1 << 20; });
    LAudioDocument& doc = Open(Make(20000, 1, [](int, int) { return 0; }));
    doc.SetSelection(0, 10000, 0);
    host.dialogs.push_back(Mix("100", "2", "100"));  // 100 ms = 4,410 frames
    Run(kCmdPasteMix);
    EXPECT_EQ(doc.Length(), 20000);
    std::vector<std::int32_t> out = ReadFrames(doc.sound, 0, 10001);
    EXPECT_EQ(out[5589], 1 << 20);  // last frame before the fade
    EXPECT_LT(out[5590], 1 << 20);
    EXPECT_NEAR(out[7795], (1 << 20) / 2, (1 << 20) / 100);  // half way down
    EXPECT_LT(out[9999], (1 << 20) / 1000);
    for (int k = 5590; k < 10000; ++k) ASSERT_LE(out[k], out[k - 1]) << k;
    EXPECT_EQ(out[10000], 0);
    EXPECT_EQ(user.Get("StoredValues", "FadeOutTime"), "100");
}

TEST_F(PasteMixTest, VolumeAndPanSetTheTwoFactors) {
    ws.Clipboard() = Make(100, 2, [](int, int) { return 1000; });
    LAudioDocument& doc = Open(Make(100, 2, [](int, int) { return 0; }));
    host.dialogs.push_back(Mix("101"));
    host.dialogs.push_back(Mix("80", "", "", "25"));
    Run(kCmdPasteMix);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le Volume de Mixage doit être compris entre 0 et 100 %.");
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    // No selection: the mode and fade fields are not offered.
    EXPECT_EQ(host.shownDialogs.at(0).Field("mode"), nullptr);
    // left = (75 * 80 / 50) / 100 = 1.2, right = (80 * 25 / 50) / 100 = 0.4, each taken to
    // 1/512 steps (614 and 204).
    EXPECT_EQ(ReadFrames(doc.sound, 0, 1), (std::vector<std::int32_t>{1199, 398}));
    // With no selection the stored choice (insert silence) makes room for the whole source.
    EXPECT_EQ(doc.Length(), 200);
    EXPECT_EQ(ReadFrames(doc.sound, 100, 1), (std::vector<std::int32_t>{0, 0}));
}

TEST_F(PasteMixTest, CancellingTheDialogLeavesAnUndoStepThatChangesNothing) {
    ws.Clipboard() = Make(100, 1, [](int, int) { return 1000; });
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    host.dialogs.push_back({false, {}});
    Run(kCmdPasteMix);
    EXPECT_TRUE(host.progressTitles.empty());
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Coller le Mixage\tCtrl+Z");
    Run(kCmdUndo);
    EXPECT_EQ(doc.modified, 0);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 3), (std::vector<std::int32_t>{0, 16, 32}));
}

TEST_F(PasteMixTest, CancellingTheWorkLeavesTheDocumentAsItWas) {
    ws.Clipboard() = Make(30000, 1, [](int, int) { return 1000; });
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 200, 0);
    host.cancelAtPump = 2;
    host.dialogs.push_back(Mix("100", "1"));
    const std::vector<std::string> files = dir.List();
    Run(kCmdPasteMix);
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(ReadFrames(doc.sound, 100, 1), (std::vector<std::int32_t>{1600}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(100, 200));
    EXPECT_EQ(dir.List(), files);  // the half-written block is gone
}

}  // namespace
}  // namespace sv::test
