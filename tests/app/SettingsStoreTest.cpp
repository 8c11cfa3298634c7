#include "app/KeyCodes.h"
#include "app/KeyRecords.h"
#include "app/KeysFile.h"
#include "app/MenuTree.h"
#include "app/QtSettingsScope.h"
#include "app/RecentFiles.h"
#include "app/WindowPlacement.h"
#include "core/CommandIds.h"
#include "platform/Paths.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace sv {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Both configuration folders point into temporary folders for the life of the fixture.
class ConfigFolders : public ::testing::Test {
protected:
    ConfigFolders() {
        ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (empty.path() + ":" + machine.path()).c_str(), 1);
        EnsureFolder(machine.path() + "/Quillon Acoustics");
        machineFile = machine.path() + "/Quillon Acoustics/Sonvela.conf";
        userFile = home.path() + "/Quillon Acoustics/Sonvela.conf";
    }
    ~ConfigFolders() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_CONFIG_DIRS");
    }
    test::TempFolder home;
    test::TempFolder empty;  // listed first, holds no file: the machine file is found after it
    test::TempFolder machine;
    std::string machineFile;
    std::string userFile;
};

TEST_F(ConfigFolders, MachineValuesAreReadOnlyThroughTheMergedReadAndTextRulesApply) {
    WriteAll(machineFile,
             "[Settings]\nMachineOnly=machine text\nFlag=yes\nOff=0\nEmpty=\nShared=machine\n"
             "LastDir=/x/a,b\n");
    QtSettingsScope user(QtSettingsScope::Scope::User);
    QtSettingsScope machineScope(QtSettingsScope::Scope::Machine);
    EXPECT_EQ(machineScope.FileName().toStdString(), machineFile);
    Settings st(user, &machineScope);
    ASSERT_TRUE(st.WriteUserSetting("Settings", "Shared", "user"));

    EXPECT_EQ(st.ReadSetting("Settings", "MachineOnly"), "machine text");
    EXPECT_EQ(st.ReadUserSetting("Settings", "MachineOnly", "absent"), "absent");
    EXPECT_EQ(st.ReadSetting("Settings", "Shared"), "user");
    EXPECT_TRUE(st.ReadBoolSetting("Settings", "Flag", false));
    EXPECT_FALSE(st.ReadBoolSetting("Settings", "Off", true));
    EXPECT_TRUE(st.ReadBoolSetting("Settings", "Empty", true));
    EXPECT_FALSE(st.ReadBoolSetting("Settings", "Empty", false));
    EXPECT_EQ(st.ReadIntSetting("Settings", "Empty", 7), 7);
    EXPECT_FALSE(st.ReadBoolUserSetting("Settings", "Flag", false));
    // A hand-written comma does not turn the text into something else.
    EXPECT_EQ(st.ReadSetting("Settings", "LastDir"), "/x/a,b");
    EXPECT_TRUE(FileExists(userFile));
}

// Each change replaces the file (a new inode) and waits for the disk; storing what the file
// already holds does neither.
TEST_F(ConfigFolders, StoringAnUnchangedValueLeavesTheFileAlone) {
    QtSettingsScope user(QtSettingsScope::Scope::User);
    auto inode = [this] {
        struct stat st {};
        return ::stat(userFile.c_str(), &st) == 0 ? st.st_ino : ino_t{0};
    };
    ASSERT_TRUE(user.Set("MainWindow", "Maximized", "1"));
    const ino_t first = inode();
    ASSERT_NE(first, ino_t{0});
    EXPECT_TRUE(user.Set("MainWindow", "Maximized", "1"));
    EXPECT_EQ(inode(), first);
    EXPECT_TRUE(user.Set("MainWindow", "Maximized", "0"));
    EXPECT_NE(ReadAll(userFile).find("Maximized=0"), std::string::npos);
    EXPECT_TRUE(user.Set("MainWindow", "Width", ""));  // an empty text is a value too
    EXPECT_NE(ReadAll(userFile).find("Width="), std::string::npos);
}

TEST_F(ConfigFolders, OnlyWriteSettingEverywhereTouchesTheMachineFile) {
    WriteAll(machineFile, "[Settings]\nA=1\n");
    const std::string before = ReadAll(machineFile);
    {
        QtSettingsScope user(QtSettingsScope::Scope::User);
        QtSettingsScope machineScope(QtSettingsScope::Scope::Machine);
        Settings st(user, &machineScope);
        EXPECT_TRUE(st.WriteUserSetting("Settings", "A", "2"));
        EXPECT_TRUE(st.WriteIntUserSetting("Settings", "B", 3));
        EXPECT_TRUE(st.WriteBoolUserSetting("Settings", "C", false));
        EXPECT_TRUE(st.WriteUserSetting("Recent", "RecentFile 1", "/a b/c.wav"));
        EXPECT_TRUE(st.DeleteRecentValue("RecentFile 1"));
        EXPECT_EQ(ReadAll(machineFile), before);
        EXPECT_TRUE(st.WriteSettingEverywhere("Settings", "D", "everywhere"));
        EXPECT_TRUE(st.WriteUserSetting("Recent", "RecentFile 2", "/a b/d.wav"));
    }
    // A fresh pair of scopes, as after a restart.
    QtSettingsScope user(QtSettingsScope::Scope::User);
    QtSettingsScope machineScope(QtSettingsScope::Scope::Machine);
    Settings st(user, &machineScope);
    EXPECT_EQ(machineScope.Get("Settings", "D"), "everywhere");
    EXPECT_EQ(machineScope.Get("Settings", "A"), "1");
    EXPECT_EQ(machineScope.Get("Settings", "B"), std::nullopt);
    EXPECT_EQ(st.ReadUserSetting("Settings", "D", ""), "everywhere");
    EXPECT_EQ(st.ReadSetting("Settings", "A"), "2");
    EXPECT_EQ(st.ReadSetting("Settings", "C"), "0");
    EXPECT_EQ(st.ReadSetting("Recent", "RecentFile 1"), "");
    EXPECT_EQ(st.ReadSetting("Recent", "RecentFile 2"), "/a b/d.wav");
}

std::string Slot(const MemorySettingsScope& s, const std::string& name) { return s.Get("Recent", name).value_or(""); }

TEST(RecentFiles, ATwelfthFileReplacesTheOldestSlotAndReopeningRefreshesOnlyTheDate) {
    MemorySettingsScope user;
    Settings st(user, nullptr);
    for (int i = 1; i <= 11; ++i) EXPECT_EQ(AddRecentFile(st, "/m/f" + std::to_string(i) + ".wav", 100 + i), i);
    // Reopening the first file moves it to the newest without touching the other slots.
    EXPECT_EQ(AddRecentFile(st, "/m/f1.wav", 500), 1);
    EXPECT_EQ(Slot(user, "RecentFile 1"), "/m/f1.wav");
    EXPECT_EQ(Slot(user, "RecentFileDate1"), "500");
    EXPECT_EQ(Slot(user, "RecentFileDate2"), "102");
    // Slot 2 (date 102) is now the oldest.
    EXPECT_EQ(AddRecentFile(st, "/m/f12.wav", 600), 2);
    EXPECT_EQ(Slot(user, "RecentFile 2"), "/m/f12.wav");
    EXPECT_EQ(Slot(user, "RecentFileDate2"), "600");
    EXPECT_EQ(Slot(user, "RecentFile 3"), "/m/f3.wav");

    std::vector<RecentEntry> menu = RecentFilesByDate(st);
    ASSERT_EQ(menu.size(), 11u);
    EXPECT_EQ(menu.front().path, "/m/f3.wav");
    EXPECT_EQ(menu[9].path, "/m/f1.wav");
    EXPECT_EQ(menu.back().path, "/m/f12.wav");
    EXPECT_EQ(menu.back().slot, 2);
    // Names differing in case are different files: this one takes the oldest slot.
    EXPECT_EQ(AddRecentFile(st, "/M/F12.WAV", 700), 3);
    EXPECT_EQ(Slot(user, "RecentFile 2"), "/m/f12.wav");
}

TEST(RecentFiles, AnEmptySlotIsFilledOnlyByANewFileAndEqualDatesKeepSlotOrder) {
    MemorySettingsScope user;
    Settings st(user, nullptr);
    user.Set("Recent", "RecentFile 1", "/a.wav");
    user.Set("Recent", "RecentFileDate1", "50");
    user.Set("Recent", "RecentFile 3", "/c.wav");
    user.Set("Recent", "RecentFileDate3", "50");
    EXPECT_EQ(AddRecentFile(st, "/b.wav", 40), 2);
    // A listed file behind an emptied slot keeps its own slot.
    user.Remove("Recent", "RecentFile 1");
    EXPECT_EQ(AddRecentFile(st, "/c.wav", 50), 3);
    EXPECT_EQ(Slot(user, "RecentFile 1"), "");
    EXPECT_EQ(AddRecentFile(st, "/a.wav", 50), 1);
    std::vector<RecentEntry> menu = RecentFilesByDate(st);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].path, "/b.wav");
    EXPECT_EQ(menu[1].path, "/a.wav");
    EXPECT_EQ(menu[2].path, "/c.wav");
    EXPECT_EQ(AddRecentFile(st, "", 60), 0);
}

TEST(RecentFiles, A24CharacterPathIsShownWholeAnd25AreShortened) {
    const std::string p24 = "/home/user/music/abc.wav";
    const std::string p25 = "/home/users/music/abc.wav";
    ASSERT_EQ(p24.size(), 24u);
    ASSERT_EQ(p25.size(), 25u);
    EXPECT_EQ(RecentLabel(1, p24), "&1./home/user/music/abc.wav");
    EXPECT_EQ(RecentLabel(2, p25), "&2./ho.../abc.wav");
    // Characters are counted, not bytes, and a cut never splits one.
    const std::string accented = "/é/éééééééééééééééééé.wav";  // 25 characters
    EXPECT_EQ(RecentLabel(3, accented), "&3./é/.../éééééééééééééééééé.wav");
}

TEST(WindowPlacement, DefaultsAndSavingClipsTheRightEdgeToTheWorkArea) {
    MemorySettingsScope user;
    Settings st(user, nullptr);
    WindowPlacement p = LoadMainWindowRect(st);
    EXPECT_EQ(p.rect.x, 160);
    EXPECT_EQ(p.rect.y, 80);
    EXPECT_EQ(p.rect.width, 740);
    EXPECT_EQ(p.rect.height, 627);
    EXPECT_TRUE(p.maximized);

    SaveMainWindowRect(st, WindowShowState::Minimized, {1, 2, 3, 4}, 800);
    EXPECT_FALSE(user.Get("MainWindow", "Maximized"));
    SaveMainWindowRect(st, WindowShowState::Normal, {100, 50, 900, 600}, 800);
    EXPECT_EQ(user.Get("MainWindow", "Maximized"), "0");
    EXPECT_EQ(user.Get("MainWindow", "X"), "100");
    EXPECT_EQ(user.Get("MainWindow", "Y"), "50");
    EXPECT_EQ(user.Get("MainWindow", "Width"), "700");
    EXPECT_EQ(user.Get("MainWindow", "Height"), "600");
    SaveMainWindowRect(st, WindowShowState::Maximized, {0, 0, 10, 10}, 800);
    EXPECT_EQ(user.Get("MainWindow", "Maximized"), "1");
    EXPECT_EQ(user.Get("MainWindow", "Width"), "700");

    p = LoadMainWindowRect(st);
    EXPECT_TRUE(p.maximized);
    EXPECT_EQ(p.rect.width, 700);
    // A size nobody could see falls back to the default one.
    user.Set("MainWindow", "Width", "-20");
    EXPECT_EQ(LoadMainWindowRect(st).rect.width, 740);
}

class KeysFileTest : public ::testing::Test {
protected:
    std::string path() const { return folder.File("keys.dat"); }
    test::TempFolder folder;
    test::ScriptedHost host;
};

TEST_F(KeysFileTest, SavedShortcutsLoadBackWithTheStoredLayout) {
    KeyTable table = KeyTable::BuiltIn();
    const std::uint32_t ctrlShiftP = kKeyCtrl | kKeyShift | 'P';
    table.SetKeys(kCmdPlay, {ctrlShiftP, kKeyAlt | kVkF1});
    table.SetKeys(kCmdTrimToSelection, {});
    ASSERT_TRUE(SaveKeys(path(), table, host));

    const std::string bytes = ReadAll(path());
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(bytes[0], '\0');
    // The first record is the first menu command (1001, "Nouveau Dossier...", Ctrl+N).
    EXPECT_EQ(bytes.substr(1, 4), std::string("\xE9\x03\x00\x00", 4));
    EXPECT_EQ(bytes[5], '\x01');
    EXPECT_EQ(bytes.substr(6, 4), std::string("N\x00\x02\x00", 4));

    KeyTable loaded = KeyTable::BuiltIn();
    ASSERT_TRUE(LoadKeys(path(), loaded, host));
    EXPECT_EQ(loaded.Entries(), table.Entries());
    EXPECT_EQ(loaded.CommandFor(ctrlShiftP), kCmdPlay);
    EXPECT_TRUE(loaded.KeysOf(kCmdTrimToSelection).empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(KeysFileTest, ARecordCutShortKeepsTheRecordsBeforeIt) {
    const std::uint32_t first = kKeyCtrl | 'J', second = kKeyCtrl | 'K';
    std::string bytes = EncodeKeyRecords({{kCmdPlay, {first}}, {kCmdStop, {second, kVkF1 + 2}}});
    for (std::size_t cut : {bytes.size() - 1, bytes.size() - 5, bytes.size() - 9, bytes.size() - 11}) {
        WriteAll(path(), bytes.substr(0, cut));
        KeyTable table = KeyTable::BuiltIn();
        const std::vector<std::uint32_t> stopKeys = table.KeysOf(kCmdStop);
        ASSERT_TRUE(LoadKeys(path(), table, host)) << cut;
        EXPECT_EQ(table.KeysOf(kCmdPlay), std::vector<std::uint32_t>{first}) << cut;
        EXPECT_EQ(table.KeysOf(kCmdStop), stopKeys) << cut;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(KeysFileTest, AWrongVersionByteIsReportedAndLoadsNothing) {
    std::string bytes = EncodeKeyRecords({{kCmdPlay, {kKeyCtrl | 'J'}}});
    bytes[0] = 1;
    WriteAll(path(), bytes);
    KeyTable table = KeyTable::BuiltIn();
    EXPECT_FALSE(LoadKeys(path(), table, host));
    EXPECT_EQ(table.Entries(), KeyTable::BuiltIn().Entries());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.");
    EXPECT_EQ(host.messages[0].caption, "Erreur Fichier");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    // A missing file is no error: the built-in keys stay.
    EXPECT_FALSE(LoadKeys(folder.File("none.dat"), table, host));
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(KeysFileTest, UnknownCommandsAreSkippedAndAnUnwritableFileIsReported) {
    WriteAll(path(), EncodeKeyRecords({{99999, {kKeyCtrl | 'N'}}, {kCmdPlay, {kKeyCtrl | 'J'}}}));
    KeyTable table = KeyTable::BuiltIn();
    ASSERT_TRUE(LoadKeys(path(), table, host));
    EXPECT_EQ(table.CommandFor(kKeyCtrl | 'N'), kCmdNewDocument);
    EXPECT_EQ(table.CommandFor(kKeyCtrl | 'J'), kCmdPlay);

    EXPECT_FALSE(SaveKeys(folder.File("missing/keys.dat"), table, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Sonvela ne parvient pas à ouvrir ce fichier. Le fichier n'existe pas ou est peut être endommagé.");
    EXPECT_EQ(host.messages[0].caption, "Erreur Fichier");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
}

}  // namespace
}  // namespace sv
