// The plug-in dialogs as drawn: a plug-in list that a button refills (another folder), and an
// LV2 controls dialog generated from port ranges.
#include "app/ParameterDialog.h"
#include "effects/Lv2Host.h"
#include "effects/PluginCommands.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(PluginDialogs, PluginListIsADropDownThatAButtonRefills) {
    test::ScriptedHost host;
    DialogSpec spec;
    spec.resource = "36";
    spec.caption = "Plugiciel VST";
    DialogField list;
    list.id = "plugin";
    list.kind = DialogField::Kind::Choice;
    list.list = true;
    list.choices = {"Test Gain"};
    list.value = "0";
    spec.fields.push_back(list);
    spec.buttons.push_back({"browse", "...", [](DialogSpec& s) {
                                s.Field("plugin")->choices = {"Compressor", "Delay", "Limiter"};
                                s.SetValue("plugin", "0");
                            }});
    ParameterDialog dialog(spec, host, nullptr);
    auto* combo = dialog.findChild<QComboBox*>("plugin");
    ASSERT_NE(combo, nullptr);  // one option, yet a list
    EXPECT_EQ(combo->count(), 1);
    dialog.findChild<QPushButton*>("browse")->click();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2).toStdString(), "Limiter");
    combo->setCurrentIndex(2);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(PluginDialogs, Lv2ControlsDialogShowsEachControlWithItsRange) {
    test::ScriptedHost host;
    Lv2PluginInfo info;
    info.uri = "http://example.org/amp";
    info.name = "Simple amplifier";
    info.controls.push_back({0, "gain", "Amps gain (dB)", -70.0f, 70.0f, 0.0f, false, false});
    info.controls.push_back({3, "enabled", "Enabled", 0.0f, 1.0f, 1.0f, false, true});
    DialogSpec spec = Lv2ControlsDialog(info, {{"gain", -6.0f}});
    ParameterDialog dialog(spec, host, nullptr);
    dialog.resize(420, 160);
    auto* gain = dialog.findChild<QLineEdit*>("gain");
    auto* enabled = dialog.findChild<QCheckBox*>("enabled");
    ASSERT_TRUE(gain && enabled);
    EXPECT_EQ(gain->text().toStdString(), "-6");
    EXPECT_TRUE(enabled->isChecked());
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Réglages - Simple amplifier");
    QImage img(dialog.size(), QImage::Format_ARGB32);
    dialog.render(&img);
    EXPECT_TRUE(img.save(QString::fromStdString(test::ScreenshotPath("lv2-controls-dialog.png"))));
    gain->setText("71");
    dialog.accept();  // refused: out of range
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    gain->setText("12,5");
    dialog.accept();
    EXPECT_EQ(Lv2ControlValues(info, spec).at("gain"), 12.5f);
}

}  // namespace
}  // namespace sv
