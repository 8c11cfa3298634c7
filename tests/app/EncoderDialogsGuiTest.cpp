// The encoder options drawn by the parameter dialog: the long lists become drop-down lists and
// what is picked comes back into the stored settings.
#include "app/ParameterDialog.h"
#include "formats/EncoderDialogs.h"
#include "support/ScriptedHost.h"
#include "support/Screenshots.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(EncoderDialogsGui, TheMp3DialogOffersItsListsAndReturnsThePickedValues) {
    test::ScriptedHost host;
    DialogSpec spec = Mp3EncodeDialog(Mp3EncoderSettings{});
    ParameterDialog dialog(spec, host, nullptr);
    auto* cbr = dialog.findChild<QComboBox*>("cbr");
    auto* quality = dialog.findChild<QComboBox*>("vbrQuality");
    auto* mode = dialog.findChild<QComboBox*>("channelMode");
    ASSERT_NE(cbr, nullptr);
    ASSERT_NE(quality, nullptr);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(cbr->currentText().toStdString(), "128 kbit/s");
    EXPECT_EQ(quality->itemText(0).toStdString(), "0 (Highest)");
    EXPECT_EQ(mode->currentText().toStdString(), "Joint");
    cbr->setCurrentIndex(cbr->findText("192 kbit/s"));
    mode->setCurrentIndex(3);
    dialog.show();
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath("mp3-encoder-dialog.png"))));
    dialog.accept();
    Mp3EncoderSettings picked = Mp3EncodeValues(spec);
    EXPECT_EQ(picked.cbrBitRate, 192);
    EXPECT_EQ(picked.channelMode, 3);
    EXPECT_TRUE(picked.constantBitRate);
}

}  // namespace
}  // namespace sv
