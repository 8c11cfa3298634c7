#include "app/Application.h"
#include "app/CdImportDialog.h"
#include "core/CommandIds.h"
#include "cd/SimulatedDrive.h"
#include "support/Screenshots.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"

#include <QAction>

#include <QCheckBox>
#include <QComboBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace sv {
namespace {

class CdImportDialogTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    CdImportDialogTest() {
        user.Set("Settings", "UseFreeDB", "0");
        SimulatedDisc disc = AudioDisc({13500, 16350, 750});
        disc.tracks.push_back({30600, true});
        disc.leadOut = 60000;
        source.drives.push_back(std::make_shared<SimulatedDrive>(disc));
        source.drives.push_back(std::make_shared<SimulatedDrive>());
    }
    SimulatedDriveSource source;
};

TEST_F(CdImportDialogTest, ShowsTheDrivesAndTracksAndRipsTheChosenOnes) {
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    CdImportDialog dialog(session);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Importer les Pistes du CD");
    ASSERT_EQ(dialog.Drives()->count(), 2);
    EXPECT_EQ(dialog.Drives()->itemText(1), "CD-ROM 2");
    EXPECT_FALSE(dialog.UseCddb()->isChecked());
    QTreeWidget* tracks = dialog.Tracks();
    EXPECT_EQ(tracks->headerItem()->text(0), "Piste");
    EXPECT_EQ(tracks->headerItem()->text(1), "Durée");
    ASSERT_EQ(tracks->topLevelItemCount(), 4);
    EXPECT_EQ(tracks->topLevelItem(0)->text(0), "Track 01");
    EXPECT_EQ(tracks->topLevelItem(0)->text(1), "3:00");
    EXPECT_EQ(tracks->topLevelItem(1)->text(1), "3:38");
    EXPECT_FALSE(tracks->topLevelItem(3)->flags() & Qt::ItemIsSelectable);
    tracks->selectAll();
    dialog.grab().save(QString::fromStdString(test::ScreenshotPath("cd_import_dialog.png")));

    // The data track cannot be chosen; the two audio tracks are ripped.
    tracks->clearSelection();
    tracks->topLevelItem(2)->setSelected(true);
    tracks->topLevelItem(0)->setSelected(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(ws.Documents().size(), 2u);
    EXPECT_EQ(ws.Documents()[0]->Title(), "Track 01");
    EXPECT_EQ(ws.Documents()[0]->Length(), 13500 * 588);
    EXPECT_EQ(ws.Documents()[1]->Title(), "Track 03");

    // Another drive without a disc empties the list.
    dialog.Drives()->setCurrentIndex(1);
    EXPECT_EQ(tracks->topLevelItemCount(), 0);
}

TEST(CdImportCommandTest, TheFileMenuItemCarriesCtrlLAndIsServed) {
    test::TempFolder data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    test::ScriptedHost host;
    {
        Application app(std::make_unique<MemorySettingsScope>(), std::make_unique<MemorySettingsScope>(false), &host);
        app.Start({});
        QAction* item = app.frame().Action(kCmdLoadCdTracks);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), "Charger Piste(s) CD Audio...\tCtrl+L");
        EXPECT_TRUE(item->isEnabled());
        app.frame().hide();
    }
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace sv
