#include "app/ParameterDialog.h"
#include "effects/BandCurves.h"
#include "effects/EffectCommand.h"
#include "effects/EqualizerCommands.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"
#include "views/CurveEditor.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include <cstdlib>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(ParameterDialog, PreviewButtonTogglesBetweenPreviousAndStopAndFollowsEdits) {
    test::ScriptedHost host;
    DialogSpec spec;
    spec.caption = "Panorama Stéréo";
    spec.fields.push_back({"pan", "Pan:", DialogField::Kind::Integer, "50", {}});
    std::vector<std::string> played;
    int stops = 0;
    spec.preview = [&](const DialogSpec& s) { played.push_back(s.Value("pan")); };
    spec.stopPreview = [&] { ++stops; };
    {
        ParameterDialog dialog(spec, host, nullptr);
        auto* button = dialog.findChild<QPushButton*>("140");
        auto* pan = dialog.findChild<QLineEdit*>("pan");
        ASSERT_NE(button, nullptr);
        ASSERT_NE(pan, nullptr);
        EXPECT_EQ(button->text().toStdString(), "Précédent");
        pan->setText("20");  // not previewing: nothing plays
        EXPECT_TRUE(played.empty());
        button->click();
        EXPECT_EQ(button->text().toStdString(), "Stop");
        pan->setText("30");  // a change while previewing restarts with the new value
        button->click();
        EXPECT_EQ(button->text().toStdString(), "Précédent");
        EXPECT_EQ(played, (std::vector<std::string>{"20", "30"}));
        EXPECT_EQ(stops, 1);
        button->click();
    }
    EXPECT_EQ(stops, 2);  // closing the dialog stops what still plays
    EXPECT_EQ(spec.Value("pan"), "50");  // nothing accepted
}

TEST(ParameterDialog, ATextAreaKeepsSeveralLinesAsTypedAndALongChoiceIsAList) {
    test::ScriptedHost host;
    DialogSpec spec;
    spec.resource = "TTSInDlg";
    spec.caption = "Synthétiser Voix";
    spec.fields.push_back({"text", "Texte :", DialogField::Kind::TextArea, "", {}});
    spec.fields.push_back({"voice", "Voix :", DialogField::Kind::Choice, "1", {"French", "English", "German", "Italian"}});
    ParameterDialog dialog(spec, host, nullptr);
    auto* text = dialog.findChild<QPlainTextEdit*>("text");
    auto* voice = dialog.findChild<QComboBox*>("voice");
    ASSERT_NE(text, nullptr);
    ASSERT_NE(voice, nullptr);
    text->setPlainText("  Bonjour,\nà tous. ");
    voice->setCurrentIndex(2);
    dialog.show();
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath("speech-dialog.png"))));
    dialog.accept();
    EXPECT_EQ(spec.Value("text"), "  Bonjour,\nà tous. ");
    EXPECT_EQ(spec.Value("voice"), "2");
}

}  // namespace
}  // namespace sv

namespace sv {
namespace {

TEST(ParameterDialog, PresetsButtonsAndChangeHooksRewriteTheShownFields) {
    test::ScriptedHost host;
    DialogSpec spec;
    spec.caption = "Essai";
    spec.fields.push_back(DecibelField("level", "Niveau :", -6, -60, 0));
    spec.fields.push_back(TrackBarField("depth", "Profondeur :", 40, 0, 100));
    spec.fields.push_back(DecimalField("mod", "Mod :", "0.5"));
    DialogField curve;
    curve.id = "curve";
    curve.kind = DialogField::Kind::Curve;
    curve.value = "0:128 255:128";
    spec.fields.push_back(curve);
    spec.presets = {{"Profond", {{"depth", "90"}, {"mod", "1.5"}}}};
    spec.buttons.push_back({"flatten", "Aplanir", [](DialogSpec& s) { s.SetValue("curve", "0:10 255:10"); }});
    spec.changed = [](DialogSpec& s, const std::string& id) {
        if (id == "level") s.SetValue("depth", "7");
    };
    ParameterDialog dialog(spec, host, nullptr);
    auto* presets = dialog.findChild<QComboBox*>("presets");
    auto* level = dialog.findChild<QSpinBox*>("level");
    auto* depth = dialog.findChild<QSlider*>("depth");
    auto* mod = dialog.findChild<QLineEdit*>("mod");
    auto* editor = dialog.findChild<LCurveEditor*>("curve");
    auto* flatten = dialog.findChild<QPushButton*>("flatten");
    ASSERT_TRUE(presets && level && depth && mod && editor && flatten);
    EXPECT_EQ(level->suffix().toStdString(), " dB");
    EXPECT_EQ(level->minimum(), -60);
    EXPECT_EQ(depth->value(), 40);
    presets->activated(1);
    EXPECT_EQ(depth->value(), 90);
    EXPECT_EQ(mod->text().toStdString(), "1.5");
    level->setValue(-20);  // the hook sets the depth
    EXPECT_EQ(depth->value(), 7);
    flatten->click();
    EXPECT_EQ(editor->Curve(), (LCurve{{0, 10}, {255, 10}}));
    dialog.accept();
    EXPECT_EQ(spec.Value("level"), "-20");
    EXPECT_EQ(spec.Value("depth"), "7");
    EXPECT_EQ(spec.Value("curve"), "0:10 255:10");
}

TEST(ParameterDialog, EqualizerDialogShowsItsCurveViewAndBandTools) {
    test::TestWorkspace t;
    test::TempFolder data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    {
        DialogSpec spec = EqualizerDialog(t.ws, {{0, 200}, {12, 200}, {13, 30}, {40, 30}, {64, 170}, {255, 90}}, 0, false);
        ParameterDialog dialog(spec, t.host, nullptr);
        dialog.resize(520, 420);
        auto* editor = dialog.findChild<LCurveEditor*>("curve");
        auto* preset = dialog.findChild<QComboBox*>("preset");
        ASSERT_TRUE(editor && preset);
        EXPECT_EQ(editor->CurrentAxis(), LCurveEditor::Axis::LogFrequency);
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Egalisateur");
        EXPECT_NE(dialog.findChild<QPushButton*>("settings"), nullptr);
        QImage img(dialog.size(), QImage::Format_ARGB32);
        dialog.render(&img);
        EXPECT_TRUE(img.save(QString::fromStdString(test::ScreenshotPath("equalizer-dialog.png"))));
        // Choosing a band kind rebuilds the curve in the editor.
        preset->setCurrentIndex(4);  // LowPass
        EXPECT_EQ(editor->Curve(), BandCurve(BandKind::LowPass, BandParams{8000, 12000, 50, 1000, 4000, 5}));
    }
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace sv
