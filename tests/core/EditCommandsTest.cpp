#include "EditTestFixture.h"
#include "core/EditFraming.h"
#include "core/PasteCommands.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"

#include <set>

namespace sv::test {
namespace {

using EditCommandsTest = EditTest;

std::vector<std::int32_t> RampValues(std::int32_t from, std::int32_t n) {
    std::vector<std::int32_t> v;
    for (std::int32_t k = 0; k < n; ++k) v.push_back((from + k) * 16);
    return v;
}

std::vector<std::int32_t> Concat(std::vector<std::int32_t> a, const std::vector<std::int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(EditCommandsTest, CutFillsTheClipboardAndLeavesACollapsedSelection) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 300, 700);
    ASSERT_TRUE(Run(kCmdCut));
    EXPECT_EQ(doc.Length(), 800);
    EXPECT_EQ(ReadFrames(ws.Clipboard(), 0, 200), RampValues(100, 200));
    EXPECT_EQ(ReadFrames(doc.sound, 99, 2), (std::vector<std::int32_t>{99 * 16, 300 * 16}));
    EXPECT_EQ(doc.selectionStart, 100);
    EXPECT_EQ(doc.selectionEnd, 100);
    EXPECT_EQ(doc.cursor, 100);
    EXPECT_EQ(doc.modified, 1);
}

TEST_F(EditCommandsTest, CopyNeitherModifiesNorPushesAnUndoStep) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(-50, 2000, 0);  // clamped to the sound
    ASSERT_TRUE(Run(kCmdCopy));
    EXPECT_EQ(ws.Clipboard().Length(), 1000);
    EXPECT_EQ(doc.modified, 0);
    EXPECT_FALSE(registry.Enabled(kCmdUndo, ws));
}

TEST_F(EditCommandsTest, PasteWithoutSelectionInsertsAndWithSelectionReplaces) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(0, 100, 0);
    Run(kCmdCopy);

    doc.SetSelection(500, 500, 42);
    ASSERT_TRUE(Run(kCmdPaste));
    EXPECT_EQ(doc.Length(), 1100);
    EXPECT_EQ(ReadFrames(doc.sound, 499, 102),
              Concat(Concat({499 * 16}, RampValues(0, 100)), {500 * 16}));
    EXPECT_EQ(doc.selectionStart, 500);
    EXPECT_EQ(doc.selectionEnd, 600);
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Coller\tCtrl+Z");

    doc.SetSelection(0, 300, 0);
    ASSERT_TRUE(Run(kCmdPaste));
    EXPECT_EQ(doc.Length(), 900);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 101), Concat(RampValues(0, 100), {300 * 16}));
    EXPECT_EQ(doc.selectionEnd, 100);
}

TEST_F(EditCommandsTest, PasteOfAnotherFormatIsRefusedWhileNoConverterExists) {
    ws.Clipboard() = Make(100, 1, [](int k, int) { return k; }, 22050);
    LAudioDocument& doc = Open(Make(1000, 2, [](int k, int c) { return k + c; }));
    doc.SetSelection(10, 20, 15);
    const std::vector<LSegment> before = doc.sound.Segments();
    Run(kCmdPaste);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Ce son (22050 Hz mono) n'a pas le format du document (44100 Hz stéréo) et la conversion de format "
              "n'est pas encore disponible. Le document n'a pas été modifié.");
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(doc.sound.Segments().size(), before.size());
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor, doc.modified),
              std::make_tuple(10, 20, 15, std::uint8_t{0}));
    EXPECT_FALSE(registry.Enabled(kCmdUndo, ws));
}

TEST_F(EditCommandsTest, PasteConvertsFirstAndSelectsTheConvertedLength) {
    // Stands in for the dispatch layer's converter: 22,050 Hz mono to 44,100 Hz stereo doubles
    // the frames (the samples do not matter here).
    ws.convertSound = [](LProgressTask&, LAudioData& s, std::int32_t rate, std::uint8_t channels) {
        std::int32_t n = s.Length() * rate / s.sampleRate;
        s = LAudioData(rate, channels);
        InsertSilence(s, 0, n);
        return 0;
    };
    ws.Clipboard() = Make(4000, 1, [](int k, int) { return k; }, 22050);
    LAudioDocument& doc = Open(Make(1000, 2, [](int k, int c) { return k + c; }));
    doc.SetSelection(200, 200, 0);
    ASSERT_TRUE(Run(kCmdPaste));
    EXPECT_EQ(doc.Length(), 9000);
    EXPECT_EQ(doc.selectionStart, 200);
    EXPECT_EQ(doc.selectionEnd, 8200);
}

TEST_F(EditCommandsTest, AFailedConversionLeavesDocumentAndSelectionAsTheyWere) {
    ws.convertSound = [](LProgressTask&, LAudioData&, std::int32_t, std::uint8_t) { return 2; };
    ws.Clipboard() = Make(100, 1, [](int k, int) { return k; }, 8000);
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(10, 20, 15);
    EXPECT_TRUE(Run(kCmdPaste));
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor), std::make_tuple(10, 20, 15));
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0],
              "La conversion du son au format du document (44100 Hz mono) a échoué. Le document n'a pas été "
              "modifié.");
}

TEST_F(EditCommandsTest, CommandsNeedingASelectionAreDisabledWithoutOne) {
    EXPECT_FALSE(registry.Enabled(kCmdSelectAll, ws));
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    for (int id : {kCmdCut, kCmdCopy, kCmdDelete, kCmdTrimToSelection, kCmdCopyToNew})
        EXPECT_FALSE(registry.Enabled(id, ws)) << id;
    EXPECT_FALSE(registry.Enabled(kCmdPaste, ws));  // empty clipboard
    doc.SetSelection(0, 44, 0);                   // 0.99 ms
    Run(kCmdCopy);
    EXPECT_FALSE(registry.Enabled(kCmdPaste, ws));
    EXPECT_FALSE(registry.Enabled(kCmdPasteMix, ws));
    doc.SetSelection(0, 45, 0);
    for (int id : {kCmdCut, kCmdCopy, kCmdDelete, kCmdTrimToSelection, kCmdCopyToNew})
        EXPECT_TRUE(registry.Enabled(id, ws)) << id;
    Run(kCmdCopy);
    EXPECT_TRUE(registry.Enabled(kCmdPaste, ws));
}

TEST_F(EditCommandsTest, RearrangingEditsWriteNoBlockFile) {
    LAudioDocument& doc = Open(MakeRamp(store, 100000));
    const std::vector<std::string> files = dir.List();
    doc.SetSelection(1000, 5000, 0);
    Run(kCmdCut);
    doc.SetSelection(20000, 20000, 0);
    Run(kCmdPaste);
    doc.SetSelection(300, 400, 0);
    Run(kCmdDelete);
    host.dialogs.push_back({true, {{"count", "3"}}});
    doc.SetSelection(100, 200, 0);
    Run(kCmdRepeat);
    host.dialogs.push_back({true, {{"ms", "250"}}});
    Run(kCmdInsertSilenceCursor);
    Run(kCmdSilenceSelection);
    doc.SetSelection(10, 90000, 0);
    Run(kCmdTrimStart);
    Run(kCmdTrimEnd);
    doc.SetSelection(10, 60000, 30000);
    Run(kCmdTrimToSelection);
    doc.cursor = 1000;
    Run(kCmdSplitAtCursor);
    ws.SetActive(&doc);
    Run(kCmdUndo);
    Run(kCmdUndo);
    Run(kCmdRedo);
    EXPECT_EQ(dir.List(), files);
}

TEST_F(EditCommandsTest, TrimCommandsKeepTheRightPart) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 300, 200);
    Run(kCmdTrimToSelection);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 200), RampValues(100, 200));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor), std::make_tuple(0, 0, 0));
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Couper\tCtrl+Z");

    doc.SetSelection(50, 150, 60);
    Run(kCmdTrimStart);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 150), RampValues(150, 150));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor), std::make_tuple(0, 100, 0));
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Couper le Début\tCtrl+Z");

    doc.SetSelection(20, 40, 0);
    Run(kCmdTrimEnd);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 40), RampValues(150, 40));
    EXPECT_EQ(doc.Length(), 40);
}

TEST_F(EditCommandsTest, InsertSilenceAtEachPositionTakesMilliseconds) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.cursor = 300;
    host.dialogs.push_back({true, {{"ms", "-5"}}});
    host.dialogs.push_back({true, {{"ms", "10"}}});
    Run(kCmdInsertSilenceCursor);
    EXPECT_EQ(host.shownDialogs.back().caption, "Insérer Silence");
    EXPECT_EQ(host.shownDialogs.back().Field("ms")->label, "Durée du Silence (ms):");
    EXPECT_EQ(host.messages.at(0).caption, "Valeur Invalide");
    EXPECT_EQ(doc.Length(), 1441);
    EXPECT_EQ(ReadFrames(doc.sound, 299, 3), (std::vector<std::int32_t>{299 * 16, 0, 0}));
    EXPECT_EQ(ReadFrames(doc.sound, 741, 1), (std::vector<std::int32_t>{300 * 16}));
    EXPECT_EQ(user.Get("StoredValues", "SilenceTimes"), "10");
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Insérer Silence à la Position Actuelle\tCtrl+Z");

    host.dialogs.push_back({true, {}});  // OK on the stored 10 ms
    Run(kCmdInsertSilenceStart);
    EXPECT_EQ(host.shownDialogs.back().Value("ms"), "10");
    EXPECT_EQ(ReadFrames(doc.sound, 441, 1), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(doc.Length(), 1882);
    host.dialogs.push_back({false, {}});
    Run(kCmdInsertSilenceEnd);
    EXPECT_EQ(doc.Length(), 1882);
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Insérer Silence Au Début\tCtrl+Z");
}

TEST_F(EditCommandsTest, InsertSilencePasteAndInsertFileRefuseToPassTheLongestDocument) {
    // 100 frames short of 2^31 - 1: a silent segment needs no block files.
    LAudioData huge = MakeRamp(store, 10);
    InsertSilence(huge, 10, 2147483647 - 110);
    LAudioDocument& doc = Open(huge);
    ASSERT_EQ(doc.Length(), 2147483547);
    host.dialogs.push_back({true, {{"ms", "10"}}});  // 441 frames
    host.dialogs.push_back({true, {{"ms", "2"}}});   // 88 frames
    Run(kCmdInsertSilenceEnd);
    EXPECT_EQ(host.messages.at(0).text, "Le document ne peut pas dépasser 2147483647 échantillons : la durée du "
                                        "silence doit être comprise entre 0 et 2 ms.");
    EXPECT_EQ(doc.Length(), 2147483547 + 88);

    const LAudioData piece = MakeRamp(store, 200);
    EXPECT_FALSE(PasteSound(ws, piece));
    EXPECT_FALSE(InsertSound(ws, piece, 0, "Insérer Fichier Au Début"));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[1].caption, "Coller");
    EXPECT_EQ(host.messages[2].caption, "Insérer Fichier");
    EXPECT_EQ(host.messages[2].text, DocumentTooLongText());
    EXPECT_EQ(doc.Length(), 2147483635);
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Insérer Silence à la Fin\tCtrl+Z");
    // Replacing a selection at least as long as what grows is fine.
    doc.SetSelection(0, 190, 0);
    EXPECT_TRUE(PasteSound(ws, piece));
    EXPECT_EQ(doc.Length(), 2147483645);
}

TEST_F(EditCommandsTest, RepeatAsksTheCountAndRefusesOnesThatCannotFit) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(0, 100, 7);
    host.dialogs.push_back({true, {{"count", "0"}}});
    host.dialogs.push_back({true, {{"count", "2"}}});
    Run(kCmdRepeat);
    EXPECT_EQ(host.shownDialogs.at(0).caption, "Jouer en Boucle");
    EXPECT_EQ(host.messages.at(0).text, "Le nombre de répétitions doit être compris entre 1 et 65535.");
    EXPECT_EQ(doc.Length(), 1200);
    EXPECT_EQ(ReadFrames(doc.sound, 198, 4), (std::vector<std::int32_t>{98 * 16, 99 * 16, 0, 16}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(0, 100));
    EXPECT_EQ(user.Get("StoredValues", "RepeatNumTimes"), "2");
}

TEST_F(EditCommandsTest, SelectionCommands) {
    LAudioDocument& doc = Open(MakeRamp(store, 44100));
    doc.cursor = 1000;
    Run(kCmdSelectFromStart);
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(0, 1000));
    Run(kCmdSelectToEnd);
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(1000, 44100));
    doc.SetView(100, 200);
    Run(kCmdSelectAll);
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.viewStart, doc.viewEnd, doc.cursor),
              std::make_tuple(0, 44100, 0, 44100, 1000));

    // The span is taken as typed, even backwards.
    host.dialogs.push_back({true, {{"start", "0:00:00.50"}, {"end", "0:00:00.25"}}});
    Run(kCmdSelectSpan);
    EXPECT_EQ(host.shownDialogs.back().caption, "Sélectionnez la Durée Déterminée");
    EXPECT_EQ(host.shownDialogs.back().Value("end"), "0:00:01.00");
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(22050, 11025));
}

TEST_F(EditCommandsTest, MarksSelectBetweenThemAndRestartPlayback) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    bool playing = true;
    std::vector<std::int32_t> started;
    ws.isPlaying = [&] { return playing; };
    ws.stopPlayback = [&] { playing = false; };
    ws.startPlayback = [&](std::int32_t from) { started.push_back(from); };
    doc.cursor = 700;
    Run(kCmdMarkFirst);
    doc.cursor = 200;
    Run(kCmdMarkSecond);
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor), std::make_tuple(200, 700, 700));
    EXPECT_EQ(started, (std::vector<std::int32_t>{700}));  // only the first found the player running
}

TEST_F(EditCommandsTest, EndEditPlaysFromBeforeTheEditWhenAPlayerExists) {
    LAudioDocument& doc = Open(MakeRamp(store, 100000));
    std::vector<std::int32_t> started;
    int stops = 0;
    ws.stopPlayback = [&] { ++stops; };
    ws.startPlayback = [&](std::int32_t from) { started.push_back(from); };
    doc.SetSelection(50000, 60000, 0);
    Run(kCmdDelete);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(started, (std::vector<std::int32_t>{50000 - 44100}));
    EXPECT_EQ(doc.cursor, 50000 - 44100);
    doc.SetSelection(100, 200, 0);
    Run(kCmdDelete);
    EXPECT_EQ(started.back(), 0);

    user.Set("Settings", "AutoPlaybackAfterEffects", "0");
    doc.SetSelection(100, 200, 0);
    Run(kCmdDelete);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(doc.cursor, 100);
}

TEST_F(EditCommandsTest, SplitAtCursorAndCopyToNewMakeModifiedUntitledDocuments) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 200, 0);
    ASSERT_TRUE(Run(kCmdCopyToNew));
    ASSERT_EQ(ws.Documents().size(), 2u);
    LAudioDocument& copy = *ws.Documents()[1];
    EXPECT_EQ(copy.Title(), "Sans Titre 1");
    EXPECT_EQ(copy.modified, 1);
    EXPECT_EQ(ReadFrames(copy.sound, 0, 100), RampValues(100, 100));

    ws.SetActive(&doc);
    doc.cursor = 600;
    ASSERT_TRUE(Run(kCmdSplitAtCursor));
    ASSERT_EQ(ws.Documents().size(), 3u);
    EXPECT_EQ(doc.Length(), 600);
    EXPECT_EQ(doc.modified, 1);
    LAudioDocument& tail = *ws.Documents()[2];
    EXPECT_EQ(tail.Title(), "Sans Titre 2");
    EXPECT_EQ(ReadFrames(tail.sound, 0, 400), RampValues(600, 400));
    EXPECT_EQ(doc.undoRing[static_cast<std::size_t>(doc.undoIndex)].name, "Séparer le fichier en ce point");
}

TEST_F(EditCommandsTest, SilenceSelectionKeepsTheLength) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(10, 20, 0);
    Run(kCmdSilenceSelection);
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(ReadFrames(doc.sound, 9, 12), Concat(Concat({9 * 16}, std::vector<std::int32_t>(10, 0)), {20 * 16}));
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Editer le Silence\tCtrl+Z");
}

TEST_F(EditCommandsTest, NothingRunsWithoutADocument) {
    // Files come in through the formats layer: those ids are checked with it. 2024 names nothing.
    const std::set<int> elsewhere{2008, 2018, 2019, 2020, 2024, 2025, 2026, 2028};
    for (int id = kCmdUndo; id <= kCmdAutoSplit; ++id) {
        if (elsewhere.count(id)) continue;
        EXPECT_TRUE(registry.Has(id)) << id;
        EXPECT_FALSE(registry.Run(id, ws)) << id;
    }
    CutCommand(ws);
    PasteCommand(ws);
    SelectMarksCommand(ws);
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace sv::test
