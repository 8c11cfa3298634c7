// The dynamics and restoration dialogs as drawn: their fields, preset lists and preview button,
// with screenshots for a person to look at.
#include "app/ParameterDialog.h"
#include "effects/DynamicsCommands.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace sv {
namespace {

void Shoot(DialogSpec spec, const std::string& file) {
    test::ScriptedHost host;
    spec.preview = [](const DialogSpec&) {};
    spec.stopPreview = [] {};
    ParameterDialog dialog(spec, host, nullptr);
    dialog.show();
    EXPECT_NE(dialog.findChild<QPushButton*>("140"), nullptr) << file;
    EXPECT_FALSE(dialog.findChildren<QComboBox*>().isEmpty()) << file;  // the presets
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath(file))));
}

TEST(DynamicsDialogs, CompressorGateNoiseAndClickDialogsDrawTheirFieldsPresetsAndPreview) {
    Shoot(CompressorDialog(-20, 2, 3), "compressor-dialog.png");
    Shoot(NoiseGateDialog(-30), "noise-gate-dialog.png");
    Shoot(AutoNoiseReductionDialog(30), "noise-reduction-dialog.png");
    Shoot(ClickRepairDialog(50, 450), "click-repair-dialog.png");
}

}  // namespace
}  // namespace sv
