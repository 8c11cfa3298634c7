#include "app/ParameterDialog.h"
#include "app/QtSettingsScope.h"
#include "net/PasswordStore.h"
#include "platform/Settings.h"
#include "support/TempFolder.h"
#include "net/SendCommands.h"
#include "net/SendSettings.h"
#include "support/ScriptedHost.h"
#include "support/Screenshots.h"

#include <QLineEdit>

#include <fstream>
#include <sstream>

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

TEST(SendDialog, NoPasswordReachesTheIniFile) {
    test::TempFolder dir;
    std::string ini = dir.path() + "/Sonvela.conf";
    {
        QtSettingsScope scope(QString::fromStdString(ini));
        scope.Set("SendFTP", "FtpPassword", "Old-clear-pw");
        Settings settings(scope, nullptr);
        FilePasswordStore passwords(dir.path() + "/passwords");
        SendSettings values;
        values.smtpHost = "jean:Smtp-pw@smtp.example.fr";
        values.ftpServer = "ftp.example.fr";
        values.ftpUser = "jean";
        values.ftpPassword = "Ftp-pw";
        ASSERT_TRUE(SaveSendSettings(settings, passwords, values));
        scope.Sync();
    }
    std::ifstream in(ini);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("smtp.example.fr"), std::string::npos);
    for (const char* secret : {"Smtp-pw", "Ftp-pw", "Old-clear-pw"})
        EXPECT_EQ(text.str().find(secret), std::string::npos) << secret << "\n" << text.str();
}

}  // namespace
}  // namespace sv
