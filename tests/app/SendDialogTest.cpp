#include "app/ParameterDialog.h"
#include "net/SendCommands.h"
#include "net/SendSettings.h"
#include "support/ScriptedHost.h"
#include "support/Screenshots.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(SendDialog, PasswordsAreTypedUnseenAndTheDialogIsDrawn) {
    test::ScriptedHost host;
    SendSettings values;
    values.address = "zoe@example.fr";
    values.smtpHost = "smtp.example.fr:jean";
    values.smtpPassword = "s3cret";
    values.ftpPassword = "s3cret";
    DialogSpec spec = SendDialogSpec(values, "prise.wav");
    ParameterDialog dialog(spec, host, nullptr);
    for (const char* id : {"MailSMTPPassword", "FtpPassword"}) {
        auto* edit = dialog.findChild<QLineEdit*>(id);
        ASSERT_NE(edit, nullptr) << id;
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password) << id;
    }
    EXPECT_EQ(dialog.findChild<QLineEdit*>("MailSMTPHost")->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog.objectName().toStdString(), "LEmailSendSet");
    dialog.show();
    dialog.adjustSize();
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(test::ScreenshotPath("send_dialog.png"))));
}

}  // namespace
}  // namespace sv
