#include "app/ParameterDialog.h"
#include "support/ScriptedHost.h"
#include "support/Screenshots.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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
