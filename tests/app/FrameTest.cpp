#include "app/Application.h"
#include "app/DocumentSubWindow.h"
#include "app/DocumentWindow.h"
#include "app/KeyCodes.h"
#include "app/MenuTree.h"
#include "app/WindowPlacement.h"
#include "core/BlockWriter.h"
#include "core/CommandIds.h"
#include "platform/Paths.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"
#include "views/WaveDrawThread.h"
#include "views/WaveWindow.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace sv {
namespace {

using test::ScreenshotPath;

class FrameTest : public ::testing::Test {
protected:
    FrameTest() {
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        auto user = std::make_unique<MemorySettingsScope>();
        userScope = user.get();
        user->Set("Settings", "PromptSampleAndChannels", "0");
        app = std::make_unique<Application>(std::move(user), std::make_unique<MemorySettingsScope>(false), &host);
        app->Start({});
    }
    ~FrameTest() override {
        app->frame().hide();
        app.reset();
        ::unsetenv("XDG_DATA_HOME");
    }
    std::string WorkFolder() const { return data.path() + "/Quillon Acoustics/Sonvela"; }

    test::TempFolder data;
    test::ScriptedHost host;
    MemorySettingsScope* userScope = nullptr;
    std::unique_ptr<Application> app;
};

TEST_F(FrameTest, FrameShowsEveryMenuCommandAndDisablesThoseWithoutAnOperation) {
    EXPECT_EQ(app->frame().windowTitle(), "Sonvela");
    std::set<int> ids;
    for (const MenuNode* item : AllCommandItems()) {
        EXPECT_TRUE(ids.insert(item->id).second) << "duplicate id " << item->id;
        QAction* action = app->frame().Action(item->id);
        ASSERT_NE(action, nullptr) << item->id;
        EXPECT_EQ(action->isEnabled(), app->registry().Enabled(item->id, app->workspace())) << item->id;
    }
    // Every identifier of the command table has its item.
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016,
                   1018, 1019, 1048, 2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013,
                   2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023, 2025, 2026, 2027, 2028, 2029, 2030,
                   2031, 2032, 2033, 2034, 3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009, 3010, 3011, 4001,
                   4002, 4003, 4004, 4005, 4006, 4007, 4008, 4009, 4010, 4011, 4012, 4013, 4014, 4015, 4016, 4017,
                   4018, 4019, 4020, 4021, 4022, 4023, 4024, 4025, 4026, 4031, 4032, 4033, 4034, 4035, 4036, 5001,
                   5002, 5003, 5004, 5005, 5007, 5008, 5009, 5010, 5011, 5012, 5013, 5040, 6000, 6020, 6021, 7001,
                   7002, 7003, 7004, 7005, 7009, 7010, 8000, 8001, 8003, 8004, 8005, 9001, 9002, 9003, 9004, 9005,
                   9090}) {
        EXPECT_TRUE(ids.count(id)) << id;
    }
    EXPECT_EQ(FindMenuItem(kCmdTrimToSelection)->shortcut, "Ctrl+T");
    EXPECT_TRUE(app->frame().Action(kCmdNewDocument)->isEnabled());
    EXPECT_FALSE(app->frame().Action(kCmdCloseDocument)->isEnabled());
}

TEST_F(FrameTest, NewDocumentOpensAWindowAndAScreenshotIsWritten) {
    EXPECT_TRUE(app->frame().RunCommand(kCmdNewDocument));
    ASSERT_EQ(app->frame().MdiArea()->subWindowList().size(), 1);
    LAudioDocument* doc = app->workspace().Active();
    ASSERT_NE(doc, nullptr);
    // Fill it through a block writer, as a recording or a file load would.
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(app->blocks(), doc->sound, 44100, 1);
        std::vector<std::int32_t> s(44100, 1000);
        for (int k = 0; k < 3; ++k) w->Write(s.data() + k * 8192, 8192);
    }
    doc->SetSelection(4410, 8820, 4410);
    app->workspace().DocumentChanged(*doc);
    auto* window = dynamic_cast<DocumentWindow*>(app->frame().WindowOf(doc)->widget());
    ASSERT_NE(window, nullptr);
    window->Refresh();
    EXPECT_EQ(RateText(*doc).toStdString(), "Taux d'Echantillonnage: 44100   Mono");
    // Cursor, selection start, selection end and length in hundredths.
    EXPECT_EQ(window->TimeFields().join("|").toStdString(), "0:00:00.10|0:00:00.10|0:00:00.20|0:00:00.56");
    EXPECT_TRUE(app->frame().Action(kCmdCloseDocument)->isEnabled());
    std::string shot = ScreenshotPath("frame-with-document.png");
    ASSERT_TRUE(app->Screenshot(shot));
    EXPECT_GT(FileSize(shot), 5000);
    // The main view as the frame shows it: a flat line through the middle, the selection, the cursor.
    LSVWaveWindow& view = *window->MainView();
    ASSERT_TRUE(view.DrawThread().WaitIdle(5000));
    QApplication::processEvents();
    const QImage img = view.grab().toImage();
    auto column = [&](std::int32_t frame) {
        int x = 0;
        while (x + 1 < view.width() && view.FrameAt(x + 1) <= frame) ++x;
        return x;
    };
    const int mid = view.height() / 2;
    const int inside = column(6615), outside = column(15000), cursor = column(4410);
    EXPECT_EQ(QColor(img.pixel(outside, 1)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(img.pixel(outside, mid)), QColor(102, 255, 102));
    EXPECT_EQ(QColor(img.pixel(inside, 1)), QColor(5, 95, 167));
    EXPECT_EQ(QColor(img.pixel(inside, mid)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(img.pixel(cursor, mid / 2)), QColor(255, 255, 17));
}

TEST_F(FrameTest, ANewDocumentWindowFitsTheMdiAreaAtTheDefaultFrameSize) {
    const WindowRect defaults;
    app->frame().showNormal();
    app->frame().setGeometry(defaults.x, defaults.y, defaults.width, defaults.height);
    QApplication::processEvents();
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(app->frame().RunCommand(kCmdNewDocument));
    QApplication::processEvents();
    const QRect area = app->frame().MdiArea()->viewport()->rect();
    ASSERT_GT(area.width(), 100);
    for (QMdiSubWindow* sub : app->frame().MdiArea()->subWindowList()) {
        EXPECT_TRUE(area.contains(sub->geometry())) << sub->geometry().x() << "," << sub->geometry().y() << " "
                                                    << sub->width() << "x" << sub->height() << " in "
                                                    << area.width() << "x" << area.height();
    }
}

TEST_F(FrameTest, MenuTextsKeysAndServedIdsAreThoseOfTheCommandTable) {
    struct Row {
        int id;
        const char* text;
        const char* key;
    };
    const Row table[] = {
        {1001, "Nouveau Dossier...", "Ctrl+N"}, {1002, "Ouvrir le Dossier...", "Ctrl+O"},
        {1003, "Fermer le Dossier", "Ctrl+W"}, {1004, "Enregistrer le Fichier", "Ctrl+S"},
        {1005, "Enregistrer le Fichier Sous...", ""}, {1006, "Convertir le Taux d'Echantillonnage", ""},
        {1007, "Mono", ""}, {1008, "Stereo", ""}, {1009, "Envoyer...", ""}, {1010, "Options...", ""},
        {1011, "Charger Piste(s) CD Audio...", "Ctrl+L"}, {1012, "Audio", ""}, {1018, "Données", ""},
        {1013, "Ouvrir le Projet...", ""}, {1014, "Fermer le Projet", ""}, {1015, "Enregistrer le Projet", ""},
        {1016, "Enregistrer le Projet Sous...", ""}, {1019, "Editer les Balises ID3...", ""},
        {1048, "&Quitter", "Alt+F4"}, {2001, "Annuler", "Ctrl+Z"}, {2033, "Rétablir", "Ctrl+Y"},
        {2002, "Couper", "Ctrl+X"}, {2003, "&Copier", "Ctrl+C"}, {2004, "&Coller", "Ctrl+V"},
        {2025, "Coller Depuis le Presse Papier Windows", ""}, {2005, "Coller le Mixage...", ""},
        {2026, "Coller le Mixage depuis le Presse Papiers Windows...", ""}, {2006, "Supprimer", "Suppr"},
        {2008, "Mixer le Fichier...", ""}, {2009, "Rejouer en Boucle...", ""}, {2010, "Couper", "Ctrl+T"},
        {2011, "Couper le Début", ""}, {2012, "Couper la Fin", ""}, {2013, "Coupure Automatique", ""},
        {2034, "Coupure Auto...", ""}, {2029, "Séparer en Deux à partir de ce Point", ""},
        {2014, "Mettre Sous Silence la Zone Sélectionnée", ""}, {2021, "Copier Vers Nouveau", ""},
        {2028, "Enregistrer la Zone Sélectionnée Sous...", ""}, {3001, "Enregistrer", "F5"},
        {3002, "Jouer", "F9"}, {3003, "Jouer au Ralenti", "F11"}, {3004, "Jouer à Vitesse Normale", "F10"},
        {3005, "Jouer en Accéléré", "F12"}, {3011, "Jouer en Boucle", "Shift+F9"}, {3006, "Stop", "Echap"},
        {3007, "Aller au Début", "Début"}, {3008, "Retour Rapide", "F7"}, {3009, "Avance Rapide", "F8"},
        {3010, "Aller à la Fin", "Fin"}, {4001, "Amplifier...", ""}, {4002, "Normaliser...", ""},
        {4018, "Retour", ""}, {4004, "Echo...", ""}, {4005, "Résonnance...", ""}, {5040, "Tout Fermer", ""},
        {7003, "Convertisseur de Lot", ""}, {7002, "Générateur de Tonalité", ""},
        {7004, "Synthèse de Paroles à partir de Texte", ""}, {9001, "Montrer la Barre de Commandes", ""},
        {9004, "A Gauche", ""}, {9005, "A Droite", ""}, {9090, "A propos de", ""},
        {6021, "Vérifier les Mises à Jour...", ""},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.id);
        const MenuNode* item = FindMenuItem(row.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text, row.text);
        EXPECT_EQ(item->shortcut, row.key);
        // What the user reads in the menu: the text, then the key after a tab (undo and redo
        // name their step, so they are checked with the undo ring).
        QAction* action = app->frame().Action(row.id);
        ASSERT_NE(action, nullptr);
        if (row.id == kCmdUndo || row.id == kCmdRedo) continue;
        const std::string shown = *row.key ? std::string(row.text) + "\t" + row.key : std::string(row.text);
        EXPECT_EQ(action->text().toStdString(), shown);
    }
    // The ids whose operations exist: documents, files and tags, edits, playback, the basic
    // effects, speed and pitch, the views, the settings and the frame's own commands.
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1010, 1019, 1048, 2001, 2002, 2003, 2004, 2005,
                   2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021,
                   2022, 2023, 2025, 2026, 2027, 2028, 2029, 2030, 2031, 2032, 2033, 2034, 3002, 3003, 3004, 3005,
                   3006, 3007, 3008, 3009, 3010, 3011, 4001, 4002, 4006, 4007, 4013, 4014, 4015, 4016, 4017, 4018, 7003,
                   4021, 4022, 5001, 5002, 5003, 5004, 5005, 5007, 5008, 5009, 5010, 5011, 5012, 5013, 5040, 9001,
                   9002, 9003, 9004, 9005, 9090}) {
        EXPECT_TRUE(app->registry().Has(id)) << id;
    }
}

TEST_F(FrameTest, ClosingTheWindowAsksAndCancelKeepsIt) {
    app->frame().RunCommand(kCmdNewDocument);
    QMdiSubWindow* sub = app->frame().MdiArea()->subWindowList().front();
    host.answers.push_back(MsgAnswer::Cancel);
    sub->close();
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Enregistrer les modifications sous \"Sans Titre 1\"?");
    host.answers.push_back(MsgAnswer::No);
    sub->close();
    QApplication::processEvents();
    EXPECT_TRUE(app->workspace().Documents().empty());
    EXPECT_TRUE(app->frame().MdiArea()->subWindowList().empty());
    EXPECT_FALSE(app->frame().Action(kCmdCloseDocument)->isEnabled());
}

TEST_F(FrameTest, BuiltInShortcutReachesItsCommandThroughKeyPreTranslation) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(app->frame().PreTranslateKey(&press));
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(app->frame().PreTranslateKey(&other));
    // A user-defined key replaces the built-in one.
    app->frame().Keys().SetKeys(kCmdNewDocument, {ParseShortcut("Ctrl+Shift+Q")});
    EXPECT_TRUE(app->frame().PreTranslateKey(&other));
    EXPECT_EQ(app->workspace().Documents().size(), 2u);
    EXPECT_FALSE(app->frame().PreTranslateKey(&press));
}

TEST_F(FrameTest, EitherCommandBarItemMovesTheBarToTheOtherSide) {
    QDockWidget* bar = app->frame().findChild<QDockWidget*>("CommandBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(app->frame().dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    app->frame().RefreshCommandStates();
    EXPECT_TRUE(app->frame().Action(kCmdCommandBarLeft)->isChecked());
    app->frame().RunCommand(kCmdCommandBarLeft);  // "A Gauche" while on the left
    EXPECT_EQ(app->frame().dockWidgetArea(bar), Qt::RightDockWidgetArea);
    EXPECT_EQ(userScope->Get("Settings", "ShowCommandBarLeft"), "0");
    EXPECT_TRUE(app->frame().Action(kCmdCommandBarRight)->isChecked());
    app->frame().RunCommand(kCmdCommandBarLeft);
    EXPECT_EQ(app->frame().dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    app->frame().RunCommand(kCmdShowCommandBar);
    EXPECT_FALSE(bar->isVisibleTo(&app->frame()));
}

TEST_F(FrameTest, ShutdownFreesEveryDocumentAndLeavesNoBlockFile) {
    app->frame().RunCommand(kCmdNewDocument);
    LAudioDocument* doc = app->workspace().Active();
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(app->blocks(), doc->sound, 44100, 1);
        std::vector<std::int32_t> s(1000, 5);
        w->Write(s.data(), 1000);
    }
    EXPECT_TRUE(FileExists(WorkFolder() + "/0.aud"));
    app->frame().hide();
    app.reset();
    EXPECT_FALSE(FileExists(WorkFolder() + "/0.aud"));
    EXPECT_FALSE(FileExists(WorkFolder() + "/0.grf"));
    app = std::make_unique<Application>(std::make_unique<MemorySettingsScope>(), nullptr, &host);
}

TEST_F(FrameTest, QuitAsksForEveryUnsavedDocumentAndCancelKeepsTheFrame) {
    app->frame().RunCommand(kCmdNewDocument);
    app->frame().RunCommand(kCmdNewDocument);
    host.answers = {MsgAnswer::No, MsgAnswer::Cancel};
    app->frame().RunCommand(kCmdQuit);
    EXPECT_TRUE(app->frame().isVisible());
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    host.answers = {MsgAnswer::No};
    app->frame().RunCommand(kCmdQuit);
    EXPECT_FALSE(app->frame().isVisible());
    EXPECT_TRUE(app->workspace().Documents().empty());
}

TEST(CommandLine, FilesBecomeAbsoluteAndScreenshotTakesItsArgument) {
    StartOptions o = ParseCommandLine({"a.wav", "/x/b.wav", "--screenshot", "s.png"}, "/home/u");
    EXPECT_EQ(o.files, (std::vector<std::string>{"/home/u/a.wav", "/x/b.wav"}));
    EXPECT_EQ(o.screenshot, "/home/u/s.png");
}

TEST(KeyCodes, ShortcutTextsRoundTripThroughTheStoredCodes) {
    EXPECT_EQ(ParseShortcut("Ctrl+X"), kKeyCtrl | 'X');
    EXPECT_EQ(ParseShortcut("Shift+F9"), kKeyShift | 0x78u);
    EXPECT_EQ(ParseShortcut("Ctrl+Shift+S"), kKeyCtrl | kKeyShift | 'S');
    EXPECT_EQ(ParseShortcut("Echap"), 0x1Bu);
    EXPECT_EQ(ParseShortcut("Ctrl+"), 0u);
    EXPECT_EQ(ParseShortcut("F25"), 0u);
    for (const MenuNode* item : AllCommandItems()) {
        if (item->shortcut.empty()) continue;
        std::uint32_t code = ParseShortcut(item->shortcut);
        ASSERT_NE(code, 0u) << item->shortcut;
        EXPECT_EQ(ShortcutText(code), item->shortcut);
    }
    EXPECT_EQ(ShortcutText(kKeyCtrl | kKeyAlt | kKeyShift | 'K'), "Ctrl+Alt+Shift+K");
}

}  // namespace
}  // namespace sv
