#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/Notifier.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <thread>

namespace sv {
namespace {

class DocumentCommandsTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    DocumentCommandsTest() { RegisterDocumentCommands(registry); }
};

TEST_F(DocumentCommandsTest, NewDocumentAsksTheFormatAndStoresIt) {
    host.dialogs.push_back({true, {{"rate", "22050"}, {"channels", "1"}}});
    registry.Run(kCmdNewDocument, ws);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].caption, "Nouveau Fichier");
    EXPECT_EQ(host.shownDialogs[0].Value("rate"), "44100");
    EXPECT_EQ(host.shownDialogs[0].Field("channels")->choices,
              (std::vector<std::string>{"Mono (Simple)", "Stéréo (Double)"}));
    ASSERT_NE(ws.Active(), nullptr);
    EXPECT_EQ(ws.Active()->sound.sampleRate, 22050);
    EXPECT_EQ(ws.Active()->sound.channels, 2);
    EXPECT_EQ(ws.Active()->Title(), "Sans Titre 1");
    EXPECT_EQ(ws.Active()->modified, 0);
    EXPECT_EQ(user.Get("Settings", "SelectedSampleRate"), "22050");
    EXPECT_EQ(user.Get("Settings", "SelectedChannels"), "2");
}

TEST_F(DocumentCommandsTest, NewDocumentRefusesRatesOutsideTheRangeAndStaysOpen) {
    host.dialogs.push_back({true, {{"rate", "5999"}}});
    host.dialogs.push_back({true, {{"rate", "96001"}}});
    host.dialogs.push_back({true, {{"rate", "96000"}}});
    registry.Run(kCmdNewDocument, ws);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text,
              "Les taux d'échantillonnage doivent se situer entre 6000 et 96000 échantillons par seconde.");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    ASSERT_NE(ws.Active(), nullptr);
    EXPECT_EQ(ws.Active()->sound.sampleRate, 96000);
}

TEST_F(DocumentCommandsTest, CancelledFormatDialogCreatesNothing) {
    host.dialogs.push_back({false, {}});
    registry.Run(kCmdNewDocument, ws);
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_FALSE(user.Get("Settings", "SelectedSampleRate"));
}

TEST_F(DocumentCommandsTest, WithoutThePromptTheDefaultsAreUsed) {
    user.Set("Settings", "PromptSampleAndChannels", "0");
    user.Set("Settings", "DefaultSampleRate", "8000");
    user.Set("Settings", "DefaultChannels", "2");
    registry.Run(kCmdNewDocument, ws);
    EXPECT_TRUE(host.shownDialogs.empty());
    EXPECT_EQ(ws.Active()->sound.sampleRate, 8000);
    EXPECT_EQ(ws.Active()->sound.channels, 2);
}

TEST_F(DocumentCommandsTest, DefaultFormatDialogStoresTheDefaults) {
    host.dialogs.push_back({true, {{"rate", "48000"}, {"channels", "1"}}});
    EXPECT_TRUE(DefaultFormatDialog(ws));
    EXPECT_EQ(host.shownDialogs[0].caption, "Régler les Paramètres par Défaut");
    EXPECT_EQ(user.Get("Settings", "DefaultSampleRate"), "48000");
    EXPECT_EQ(user.Get("Settings", "DefaultChannels"), "2");
}

TEST_F(DocumentCommandsTest, UntitledNumbersFillTheFirstGap) {
    EXPECT_EQ(NextUntitledTitle({"Sans Titre 1", "Sans Titre 3"}), "Sans Titre 2");
    std::vector<std::string> all;
    for (int n = 1; n <= 19; ++n) all.push_back("Sans Titre " + std::to_string(n));
    EXPECT_EQ(NextUntitledTitle(all), "Sans Titre 1");
    user.Set("Settings", "PromptSampleAndChannels", "0");
    for (int k = 0; k < 3; ++k) registry.Run(kCmdNewDocument, ws);
    CloseDocument(ws, *ws.Documents()[1]);  // "No" is not scripted: the default answer saves...
    ASSERT_EQ(ws.Documents().size(), 3u);   // ...and with no save operation the document stays
    host.answers.push_back(MsgAnswer::No);
    ASSERT_TRUE(CloseDocument(ws, *ws.Documents()[1]));
    registry.Run(kCmdNewDocument, ws);
    EXPECT_EQ(ws.Active()->Title(), "Sans Titre 2");
}

TEST_F(DocumentCommandsTest, ClosingAsksAndHonoursEachAnswer) {
    user.Set("Settings", "PromptSampleAndChannels", "0");
    registry.Run(kCmdNewDocument, ws);
    Ref<LAudioDocument> doc(ws.Active());
    doc->sound = test::MakeRamp(store, 1000);
    doc->modified = 1;
    int saves = 0;
    ws.saveDocument = [&](LAudioDocument& d, bool askName) {
        ++saves;
        EXPECT_TRUE(askName);  // never saved: save-as
        d.modified = 0;
        return true;
    };

    host.answers.push_back(MsgAnswer::Cancel);
    EXPECT_FALSE(CloseDocument(ws, *doc));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Enregistrer les modifications sous \"Sans Titre 1\"?");
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(ws.Documents().size(), 1u);
    EXPECT_EQ(doc->Length(), 1000);
    EXPECT_EQ(doc->modified, 1);

    host.answers.push_back(MsgAnswer::Yes);
    EXPECT_TRUE(CloseDocument(ws, *doc));
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_EQ(ws.Active(), nullptr);
}

TEST_F(DocumentCommandsTest, AnsweringNoClosesWithoutWritingAndFreesTheBlocks) {
    user.Set("Settings", "PromptSampleAndChannels", "0");
    registry.Run(kCmdNewDocument, ws);
    ws.Active()->sound = test::MakeRamp(store, 1000);
    ws.Active()->modified = 1;
    int saves = 0;
    ws.saveDocument = [&](LAudioDocument&, bool) { return ++saves > 0; };
    host.answers.push_back(MsgAnswer::No);
    registry.Run(kCmdCloseDocument, ws);
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_TRUE(dir.List().empty());
}

TEST_F(DocumentCommandsTest, SavedUnmodifiedDocumentClosesWithoutAsking) {
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, "/music/take.wav");
    ws.AddDocument(doc);
    EXPECT_EQ(doc->Title(), "take.wav");
    std::vector<std::string> recent;
    ws.addRecentFile = [&](const std::string& p) { recent.push_back(p); };
    EXPECT_TRUE(CloseDocument(ws, *doc));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(recent, (std::vector<std::string>{"/music/take.wav"}));
}

TEST_F(DocumentCommandsTest, CloseAllStopsAtTheFirstCancel) {
    user.Set("Settings", "PromptSampleAndChannels", "0");
    for (int k = 0; k < 3; ++k) registry.Run(kCmdNewDocument, ws);
    host.answers = {MsgAnswer::No, MsgAnswer::Cancel};
    registry.Run(kCmdCloseAll, ws);
    ASSERT_EQ(ws.Documents().size(), 2u);
    EXPECT_EQ(ws.Documents()[0]->Title(), "Sans Titre 2");
    EXPECT_FALSE(QueryClose(ws));  // "Yes" with no save operation keeps the next one
    host.answers = {MsgAnswer::No, MsgAnswer::No};
    EXPECT_TRUE(QueryClose(ws));
    EXPECT_TRUE(ws.Documents().empty());
}

TEST_F(DocumentCommandsTest, DocumentCommandsAreDisabledWithoutADocument) {
    EXPECT_TRUE(registry.Enabled(kCmdNewDocument, ws));
    EXPECT_FALSE(registry.Enabled(kCmdCloseDocument, ws));
    EXPECT_FALSE(registry.Enabled(kCmdCloseAll, ws));
    EXPECT_FALSE(registry.Enabled(kCmdCut, ws));  // nobody registered it
    EXPECT_FALSE(registry.Run(kCmdCloseDocument, ws));
}

TEST(AudioDocument, SelectionViewAndTitleRules) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, "Sans Titre 4");
    doc->sound = test::MakeRamp(store, 500);
    EXPECT_FALSE(doc->HasSelection());
    doc->SetSelection(300, 100, 42);
    EXPECT_EQ(doc->selectionStart, 100);
    EXPECT_EQ(doc->selectionEnd, 300);
    EXPECT_EQ(doc->cursor, 42);
    doc->SelectAll();
    EXPECT_EQ(doc->selectionEnd, 500);
    EXPECT_EQ(doc->cursor, 42);
    doc->SetView(-5, 9000);
    EXPECT_EQ(doc->viewStart, 0);
    EXPECT_EQ(doc->viewEnd, 500);
    EXPECT_EQ(doc->Title(), "Sans Titre 4");
    doc->path = "C:\\sons\\voix.wav";
    EXPECT_EQ(doc->Title(), "voix.wav");
}

TEST(AudioDocument, ReleasingTheLastReferenceFreesSoundAndUndoSlots) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeRamp(store, 100), "Sans Titre 1");
        EXPECT_EQ(doc->modified, 1);
        doc->undoRing[3].sound = test::MakeRamp(store, 10);
        Ref<LAudioDocument> second = doc;
        EXPECT_EQ(doc->RefCount(), 2);
    }
    EXPECT_TRUE(dir.List().empty());
    EXPECT_EQ(store.BlocksInUse(), 0u);
}

TEST(ProgressTask, ReportsResultAndCancellation) {
    test::ScriptedHost host;
    FunctionTask ok("Travail", [](LProgressTask& t) {
        t.SetText(0, "Calcul");
        t.SetProgress(0.5);
        return t.Pump() ? kTaskCancelled : kTaskDone;
    });
    EXPECT_TRUE(RunTask(host, ok));
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Travail"}));
    EXPECT_EQ(host.progressPercents, (std::vector<int>{0, 50}));
    EXPECT_EQ(host.progressTexts, (std::vector<std::string>{"0:Calcul"}));

    host.cancelAtPump = 3;
    int steps = 0;
    FunctionTask cancelled("Long", [&](LProgressTask& t) {
        for (;;) {
            ++steps;
            if (t.Pump()) return kTaskCancelled;
        }
    });
    EXPECT_FALSE(RunTask(host, cancelled));
    EXPECT_EQ(cancelled.Result(), kTaskCancelled);
    EXPECT_EQ(steps, 3);

    FunctionTask failed("Echec", [](LProgressTask& t) {
        t.Error("Disque plein");
        return kTaskFailed;
    });
    EXPECT_FALSE(RunTask(host, failed));
    EXPECT_EQ(host.messages.back().caption, "Erreur");
}

TEST(Notifier, PostsFromWorkerThreadsRunOnDrain) {
    ManualNotifier notifier;
    int ran = 0;
    std::thread worker([&] {
        for (int k = 0; k < 100; ++k) notifier.Post([&] { ++ran; });
    });
    worker.join();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(notifier.Drain(), 100);
    EXPECT_EQ(ran, 100);
}

}  // namespace
}  // namespace sv
