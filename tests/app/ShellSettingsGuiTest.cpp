#include "app/Application.h"
#include "app/KeyChangeDialog.h"
#include "app/KeyCodes.h"
#include "app/KeyRecords.h"
#include "app/KeysFile.h"
#include "app/OptionsDialog.h"
#include "core/CommandIds.h"
#include "platform/Paths.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace sv {
namespace {

using test::ScreenshotPath;

// An editor over memory settings whose product data folder is temporary; Restart() builds a
// new one over the same settings, as a second run of the program would.
class ShellTest : public ::testing::Test {
protected:
    ShellTest() {
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        user.Set("Settings", "PromptSampleAndChannels", "0");
    }
    ~ShellTest() override {
        Stop();
        ::unsetenv("XDG_DATA_HOME");
    }
    void Restart() {
        Stop();
        app = std::make_unique<Application>(std::make_unique<Forward>(user),
                                            std::make_unique<MemorySettingsScope>(false), &host);
        app->Start({});
    }
    void Stop() {
        if (app) app->frame().hide();
        app.reset();
    }
    // The File menu's items from the first recent one down to the end.
    QStringList FileMenuTail() const {
        QMenu* file = qobject_cast<QMenu*>(app->frame().Action(kCmdQuit)->parent());
        QStringList texts;
        bool on = false;
        for (QAction* a : file->actions()) {
            int id = a->data().toInt();
            on = on || (id >= kCmdRecentFirst && id <= kCmdRecentLast);
            if (on) texts << a->text();
        }
        return texts;
    }

    // The settings outlive each Application.
    struct Forward : SettingsScope {
        explicit Forward(MemorySettingsScope& s) : target(s) {}
        std::optional<std::string> Get(const std::string& a, const std::string& b) const override {
            return target.Get(a, b);
        }
        bool Set(const std::string& a, const std::string& b, const std::string& v) override {
            return target.Set(a, b, v);
        }
        bool Remove(const std::string& a, const std::string& b) override { return target.Remove(a, b); }
        MemorySettingsScope& target;
    };

    test::TempFolder data;
    test::ScriptedHost host;
    MemorySettingsScope user;
    std::unique_ptr<Application> app;
};

TEST_F(ShellTest, AUserDefinedShortcutFromKeysDatReachesItsCommandInTheRunningFrame) {
    EnsureFolder(ProductDataFolder());
    const std::uint32_t ctrlShiftQ = kKeyCtrl | kKeyShift | 'Q';
    {
        std::ofstream out(KeysFilePath(), std::ios::binary);
        out << EncodeKeyRecords({{kCmdNewDocument, {ctrlShiftQ}}});
    }
    Restart();
    EXPECT_EQ(app->frame().Action(kCmdNewDocument)->text(), "Nouveau Dossier...\tCtrl+Shift+Q");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(&app->frame(), &press);
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    QKeyEvent old(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier);
    QApplication::sendEvent(&app->frame(), &old);
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ShellTest, RecentItemsSitAboveQuitInDateOrderAndChoosingOneOpensAndRefreshesIt) {
    user.Set("Recent", "RecentFile 1", "/sons/un.wav");
    user.Set("Recent", "RecentFileDate1", "100");
    user.Set("Recent", "RecentFile 2", "/sons/deux & trois.wav");
    user.Set("Recent", "RecentFileDate2", "200");
    Restart();
    EXPECT_EQ(FileMenuTail(),
              (QStringList{"&1./sons/un.wav", "&2./sons/deux && trois.wav", "&Quitter\tAlt+F4"}));

    // Without a file reader the choice is refused with a message.
    app->openFile = nullptr;
    EXPECT_TRUE(app->frame().RunCommand(kCmdRecentFirst));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Impossible d'ouvrir \"/sons/un.wav\" : aucun lecteur de fichiers n'est disponible.");

    std::vector<std::string> opened;
    app->openFile = [&](Workspace&, const std::string& path) {
        opened.push_back(path);
        return true;
    };
    QMenu* file = qobject_cast<QMenu*>(app->frame().Action(kCmdQuit)->parent());
    file->actions()[file->actions().indexOf(app->frame().Action(kCmdQuit)) - 2]->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{"/sons/un.wav"});
    EXPECT_GT(std::atoll(user.Get("Recent", "RecentFileDate1")->c_str()), 200);
    EXPECT_EQ(FileMenuTail(),
              (QStringList{"&1./sons/deux && trois.wav", "&2./sons/un.wav", "&Quitter\tAlt+F4"}));
    EXPECT_FALSE(app->registry().Enabled(kCmdRecentFirst + 5, app->workspace()));

    // A document closed from a file is listed too.
    app->workspace().addRecentFile("/sons/quatre.wav");
    EXPECT_EQ(FileMenuTail().size(), 4);
    EXPECT_EQ(FileMenuTail()[2], "&3./sons/quatre.wav");
}

TEST_F(ShellTest, ARecentWaveFileOpensThroughTheFileReader) {
    const std::string wav = data.File("ton.wav");
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 '" + wav + "' synth 0.1 sine 440").c_str()), 0);
    user.Set("Recent", "RecentFile 4", wav);
    user.Set("Recent", "RecentFileDate4", "100");
    Restart();
    ASSERT_TRUE(app->frame().RunCommand(kCmdRecentFirst + 3));
    ASSERT_EQ(app->workspace().Documents().size(), 1u);
    EXPECT_EQ(app->workspace().Active()->path, wav);
    EXPECT_EQ(app->workspace().Active()->Length(), 800);
    EXPECT_GT(std::atoll(user.Get("Recent", "RecentFileDate4")->c_str()), 100);
    EXPECT_EQ(user.Get("Recent", "RecentFile 1"), std::nullopt);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ShellTest, TheWindowPlacementSurvivesARestart) {
    user.Set("MainWindow", "X", "30");
    user.Set("MainWindow", "Y", "40");
    user.Set("MainWindow", "Width", "600");
    user.Set("MainWindow", "Height", "480");
    user.Set("MainWindow", "Maximized", "0");
    Restart();
    QApplication::processEvents();
    EXPECT_FALSE(app->frame().isMaximized());
    EXPECT_EQ(app->frame().geometry(), QRect(30, 40, 600, 480));
    app->frame().setGeometry(50, 60, 620, 490);
    EXPECT_TRUE(app->frame().close());
    EXPECT_EQ(user.Get("MainWindow", "X"), "50");
    EXPECT_EQ(user.Get("MainWindow", "Width"), "620");
    EXPECT_EQ(user.Get("MainWindow", "Maximized"), "0");

    user.Set("MainWindow", "Maximized", "1");
    Restart();
    QApplication::processEvents();
    EXPECT_TRUE(app->frame().isMaximized());
    EXPECT_TRUE(app->frame().close());
    EXPECT_EQ(user.Get("MainWindow", "Maximized"), "1");
    EXPECT_EQ(user.Get("MainWindow", "Width"), "620");
}

TEST_F(ShellTest, TheOptionsDialogStoresEachValueUnderItsName) {
    Restart();
    OptionsDialog dialog(app->workspace(), app->frame());
    auto box = [&](const char* name) { return dialog.findChild<QCheckBox*>(name); };
    for (const char* name : {"UseDefaultWorkingDir", "PromptSampleAndChannels", "AutoPlaybackAfterEffects",
                             "AutoArrangeWindows", "PlayWhenOpen", "ShowMainToolbar", "ShowEffectsToolbar",
                             "ShowCommandBar"})
        ASSERT_NE(box(name), nullptr) << name;
    EXPECT_TRUE(box("UseDefaultWorkingDir")->isChecked());
    EXPECT_FALSE(box("PromptSampleAndChannels")->isChecked());
    EXPECT_FALSE(box("PlayWhenOpen")->isChecked());
    EXPECT_FALSE(dialog.findChild<QLineEdit*>("WorkingFolder")->isEnabled());

    box("PlayWhenOpen")->setChecked(true);
    box("AutoArrangeWindows")->setChecked(false);
    box("ShowMainToolbar")->setChecked(false);
    box("UseDefaultWorkingDir")->setChecked(false);
    dialog.findChild<QLineEdit*>("WorkingFolder")->setText(QString::fromStdString(data.File("travail")));
    dialog.findChild<QRadioButton*>("CommandBarRight")->setChecked(true);
    host.dialogs.push_back({true, {{"rate", "22050"}, {"channels", "1"}}});
    dialog.findChild<QPushButton*>("DefaultFormat")->click();
    EXPECT_EQ(user.Get("Settings", "DefaultSampleRate"), "22050");
    EXPECT_EQ(user.Get("Settings", "DefaultChannels"), "2");
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].caption, "Régler les Paramètres par Défaut");

    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(ScreenshotPath("options-dialog.png"))));
    dialog.Store();
    EXPECT_EQ(user.Get("Settings", "PlayWhenOpen"), "1");
    EXPECT_EQ(user.Get("Settings", "AutoArrangeWindows"), "0");
    EXPECT_EQ(user.Get("Settings", "AutoPlaybackAfterEffects"), "1");
    EXPECT_EQ(user.Get("Settings", "ShowMainToolbar"), "0");
    EXPECT_EQ(user.Get("Settings", "ShowCommandBarLeft"), "0");
    EXPECT_EQ(user.Get("Settings", "UseDefaultWorkingDir"), "0");
    EXPECT_EQ(user.Get("Settings", "WorkingFolder"), data.File("travail"));
    EXPECT_FALSE(app->frame().findChild<QToolBar*>("MainToolbar")->isVisibleTo(&app->frame()));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le nouveau dossier de travail sera utilisé au prochain démarrage de Sonvela.");
}

TEST_F(ShellTest, TheShortcutEditorShowsModifiersAndMovesAKeyToTheSelectedCommand) {
    Restart();
    LKeyChangeDlg dialog(app->frame().Keys());
    ASSERT_TRUE(dialog.SelectCommand(kCmdStop));
    QLineEdit* capture = dialog.findChild<QLineEdit*>("KeyCapture");
    ASSERT_NE(capture, nullptr);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QApplication::sendEvent(capture, &press);
    EXPECT_EQ(dialog.CapturedText(), "Ctrl+Alt+Shift+K");
    EXPECT_TRUE(dialog.OwnerText().isEmpty());

    QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
    QApplication::sendEvent(capture, &f9);
    EXPECT_EQ(dialog.CapturedText(), "F9");
    EXPECT_EQ(dialog.OwnerText(), "Actuellement attribué à : Jouer");
    ASSERT_TRUE(dialog.AssignCaptured());
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(ScreenshotPath("shortcut-editor.png"))));
    EXPECT_EQ(dialog.Table().CommandFor(ParseShortcut("F9")), kCmdStop);
    EXPECT_TRUE(dialog.Table().KeysOf(kCmdPlay).empty());
    // The frame's own table is untouched until the caller takes the edit.
    EXPECT_EQ(app->frame().Keys().CommandFor(ParseShortcut("F9")), kCmdPlay);

    app->frame().Keys() = dialog.Table();
    app->frame().KeysChanged();
    ASSERT_TRUE(SaveKeys(KeysFilePath(), app->frame().Keys(), host));
    EXPECT_EQ(app->frame().Action(kCmdPlay)->text(), "Jouer");
    Restart();
    EXPECT_EQ(app->frame().Keys().CommandFor(ParseShortcut("F9")), kCmdStop);
    dialog.RestoreBuiltIn();
    EXPECT_EQ(dialog.Table().CommandFor(ParseShortcut("F9")), kCmdPlay);
}

}  // namespace
}  // namespace sv
