#include "app/ParameterDialog.h"
#include "cd/CdBurnSettings.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(CdBurnDialog, ListsTheSpeedsFromMaxAndHandsBackWhatWasChosen) {
    test::ScriptedHost host;
    CdBurnOptions stored;
    stored.speed = 16;
    DialogSpec spec = CdBurnDialog(stored, {"CD-ROM 1", "CD-ROM 2"});
    ParameterDialog dialog(spec, host, nullptr);
    auto* speed = dialog.findChild<QComboBox*>("Speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->itemText(0).toStdString(), "[MAX]");
    EXPECT_EQ(speed->currentText().toStdString(), "16x");
    speed->setCurrentIndex(0);
    dialog.show();
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath("cd-burn-dialog.png"))));
    dialog.accept();
    EXPECT_EQ(CdBurnOptionsFrom(spec).speed, 0xFFFF);
    EXPECT_TRUE(CdBurnOptionsFrom(spec).internal);
}

}  // namespace
}  // namespace sv
