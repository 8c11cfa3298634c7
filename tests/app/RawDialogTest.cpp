#include "app/ParameterDialog.h"
#include "formats/RawFile.h"
#include "platform/Settings.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(RawDialog, ShowsTheSevenCodecsTheRateAndTheChannelsOfItsKey) {
    test::ScriptedHost script;
    MemorySettingsScope scope;
    Settings settings(scope, nullptr);
    StoreRawSettings(&settings, "VoxAudio", LRawSettings{11025, 2, kRawMulaw});
    script.dialogs.push_back({false, {}});
    ASSERT_FALSE(ShowRawDialog(script, &settings, "VoxAudio", 8000, kRawDialogicAdpcm));
    ASSERT_EQ(script.shownDialogs.size(), 1u);
    DialogSpec spec = script.shownDialogs[0];
    ParameterDialog dialog(spec, script, nullptr);
    dialog.show();
    QApplication::processEvents();
    const auto radios = dialog.findChildren<QRadioButton*>();
    int checked = 0;
    std::vector<std::string> labels;
    for (QRadioButton* r : radios) {
        labels.push_back(r->text().toStdString());
        if (r->isChecked()) ++checked;
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"1 - Mono", "2 - Stereo"}));
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(radios.at(1)->isChecked());
    auto* codec = dialog.findChild<QComboBox*>("codec");
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->count(), 7);
    EXPECT_EQ(codec->currentText().toStdString(), "G711 uLaw");
    EXPECT_EQ(codec->itemText(6).toStdString(), "16 bit PCM (BE)");
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath("raw_dialog.png"))));
}

}  // namespace
}  // namespace sv
