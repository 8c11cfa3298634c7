#include "app/Application.h"
#include "app/BookmarkListWindow.h"
#include "app/JoinRegionsDialog.h"
#include "app/RegionListWindow.h"
#include "app/RegionWindows.h"
#include "cd/SimulatedBurner.h"
#include "core/BlockWriter.h"
#include "core/CommandIds.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace sv {
namespace {

class RegionWindowsTest : public ::testing::Test {
protected:
    RegionWindowsTest() {
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        auto user = std::make_unique<MemorySettingsScope>();
        user->Set("Settings", "PromptSampleAndChannels", "0");
        app = std::make_unique<Application>(std::move(user), std::make_unique<MemorySettingsScope>(false), &host);
        app->Start({});
        app->frame().RunCommand(kCmdNewDocument);
        doc = app->workspace().Active();
        Ref<LBlockWriter> w = LBlockWriter::Create(app->blocks(), doc->sound, 44100, 1);
        std::vector<std::int32_t> s(8192, 2000);
        for (int k = 0; k < 20; ++k) w->Write(s.data(), 8192);
    }
    ~RegionWindowsTest() override {
        app->frame().hide();
        app.reset();
        ::unsetenv("XDG_DATA_HOME");
    }
    QStringList Column(QTreeWidget* list, int column) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
        return out;
    }

    test::TempFolder data;
    test::ScriptedHost host;
    std::unique_ptr<Application> app;
    LAudioDocument* doc = nullptr;
};

TEST_F(RegionWindowsTest, BookmarksSetFromTheMenuAppearInTheirListWindow) {
    doc->cursor = 88200;
    host.inputs = {std::string("Refrain"), std::string("Début")};
    ASSERT_TRUE(app->frame().RunCommand(kCmdSetBookmark));
    doc->cursor = 0;
    ASSERT_TRUE(app->frame().RunCommand(kCmdSetBookmark));
    ASSERT_TRUE(app->frame().RunCommand(kCmdBookmarkList));
    BookmarkListWindow* list = app->regionWindows().BookmarkList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), "Liste des Signets");
    EXPECT_EQ(Column(list->Lines(), 0), (QStringList{"Début", "Refrain"}));
    EXPECT_EQ(Column(list->Lines(), 1), (QStringList{"0:00:00.00", "0:00:02.00"}));
    list->Lines()->topLevelItem(1)->setSelected(true);
    host.answers = {MsgAnswer::Yes};
    for (QPushButton* b : list->findChildren<QPushButton*>())
        if (b->text() == "Supprimer Signet") b->click();
    EXPECT_EQ(Column(list->Lines(), 0), QStringList{"Début"});
    std::string shot = test::ScreenshotPath("bookmark-list.png");
    ASSERT_TRUE(list->grab().save(QString::fromStdString(shot)));
    app->workspace().RemoveDocument(doc);
    EXPECT_EQ(list->Lines()->topLevelItemCount(), 0);
}

TEST_F(RegionWindowsTest, RegionsAddedOpenTheirListWhichRenamesInPlace) {
    doc->SetSelection(44100, 88200, 44100);
    host.inputs = {std::string("Couplet")};
    ASSERT_TRUE(app->frame().RunCommand(kCmdAddRegion));
    RegionListWindow* list = app->regionWindows().RegionList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(Column(list->Lines(), 0), QStringList{"Couplet"});
    EXPECT_EQ(Column(list->Lines(), 2), QStringList{"0:00:01.00"});
    list->Lines()->topLevelItem(0)->setText(0, "Pont");
    EXPECT_EQ(app->workspace().Regions()[0].name, "Pont");
    std::string shot = test::ScreenshotPath("region-list.png");
    ASSERT_TRUE(list->grab().save(QString::fromStdString(shot)));
}

TEST_F(RegionWindowsTest, TheCdButtonBurnsTheSelectedRegionsOneTrackEach) {
    doc->SetSelection(0, 44100, 0);
    host.inputs = {std::string("Intro")};
    ASSERT_TRUE(app->frame().RunCommand(kCmdAddRegion));
    RegionListWindow* list = app->regionWindows().RegionList();
    ASSERT_NE(list, nullptr);
    SimulatedDriveSource drives;
    auto burner = std::make_shared<SimulatedBurner>();
    drives.drives.push_back(burner);
    list->cdDrives = &drives;
    list->cdSetup.timing = {0, 10, 10};
    ASSERT_TRUE(list->CdButton()->isEnabled());
    list->Lines()->topLevelItem(0)->setSelected(true);
    host.dialogs.push_back({true, {{"Internal", "0"}}});
    list->CdButton()->click();
    ASSERT_EQ(burner->Tracks().size(), 1u);
    EXPECT_EQ(burner->Tracks()[0].bytes.size(), 300u * 2352);  // 1 s of mono, padded to 4 s
    EXPECT_TRUE(burner->SessionClosed());
    list->cdDrives = nullptr;
}

TEST_F(RegionWindowsTest, TheJoinDialogJoinsTheAssemblyInItsOrder) {
    doc->SetSelection(0, 100, 0);
    app->workspace().Regions().Add(*doc, "a");
    doc->SetSelection(0, 300, 0);
    app->workspace().Regions().Add(*doc, "b");
    app->frame().RefreshCommandStates();
    EXPECT_TRUE(app->frame().Action(kCmdJoinRegions)->isEnabled());
    app->workspace().settings().WriteIntUserSetting("Settings", "AutoGap", 0);
    JoinRegionsDialog dialog(app->workspace(), &app->frame());
    dialog.Regions()->item(1)->setSelected(true);
    dialog.AddSelected();
    dialog.Regions()->item(1)->setSelected(false);
    dialog.Regions()->item(0)->setSelected(true);
    dialog.AddSelected();
    EXPECT_EQ(dialog.Order(), (std::vector<std::size_t>{1, 0}));
    std::string shot = test::ScreenshotPath("join-regions.png");
    ASSERT_TRUE(dialog.grab().save(QString::fromStdString(shot)));
    dialog.accept();
    EXPECT_EQ(app->workspace().Active()->Length(), 400);
    EXPECT_EQ(app->workspace().Documents().size(), 2u);
}

TEST_F(RegionWindowsTest, TheFrameTitleShowsTheSavedProject) {
    host.savePicks = {data.path() + "/travail.svp"};
    ASSERT_TRUE(app->frame().RunCommand(kCmdSaveProjectAs));
    EXPECT_EQ(app->frame().windowTitle(), "Sonvela - travail.svp");
    EXPECT_TRUE(FileExists(data.path() + "/travail.svp"));
    EXPECT_TRUE(app->frame().Action(kCmdCloseProject)->isEnabled());
    host.answers = {MsgAnswer::No};
    ASSERT_TRUE(app->frame().RunCommand(kCmdCloseProject));
    EXPECT_EQ(app->frame().windowTitle(), "Sonvela");
    EXPECT_TRUE(app->workspace().Documents().empty());
}

}  // namespace
}  // namespace sv
