#include "StubPrograms.h"
#include "core/CommandIds.h"
#include "net/PasswordStore.h"
#include "net/SendCommands.h"
#include "net/SendSettings.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace sv {
namespace {

class SendCommandTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    SendCommandTest() : stubs(dir.path()), passwords(dir.path() + "/passwords") {
        RegisterNetCommands(registry, dir.path());
        std::ofstream(soundPath) << "RIFF";
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeSound(store, {1, 2, 3}), soundPath);
        doc->modified = 0;
        ws.AddDocument(doc);
        ws.SetActive(doc.get());
    }

    void Answer(std::map<std::string, std::string> values) { host.dialogs.push_back({true, std::move(values)}); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& m : host.messages) out.push_back(m.caption + ": " + m.text);
        return out;
    }

    std::string soundPath = dir.path() + "/prise.wav";
    test::StubPrograms stubs;
    FilePasswordStore passwords;
};

TEST_F(SendCommandTest, TheDialogRefusesMissingRecipientsServersAndMailSettings) {
    stubs.HideSystemPrograms();
    Answer({{"SendMethod", "0"}, {"Address", ""}});
    Answer({{"SendMethod", "1"}, {"FtpServer", "ftp.example.fr"}, {"FtpUserName", ""}});
    Answer({{"SendMethod", "0"}, {"Address", "a@example.fr"}, {"UseMAPI", "1"}});
    Answer({{"Address", "a@example.fr"}, {"UseMAPI", "0"}, {"MailSMTPHost", ""}});
    Answer({{"Address", "a@example.fr"}, {"UseMAPI", "0"}, {"MailSMTPHost", "smtp.example.fr"}, {"ReplyToEmail", ""}});
    Answer({{"Address", "a@example.fr"}, {"UseMAPI", "0"}, {"MailSMTPHost", "smtp.example.fr"},
            {"ReplyToEmail", "jean@example.fr"}, {"Subject", "a\nBcc: x@example.fr"}});
    host.dialogs.push_back({false, {}});
    registry.Run(kCmdSend, ws);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "LEmailSendSet");
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0], "Sonvela: Please enter the email address of the recipient.");
    EXPECT_EQ(texts[1], "Sonvela: FTP Server or user details are required. If you don't know what they are, contact "
                        "the ftp server hosting company.");
    EXPECT_EQ(texts[2].rfind("MAPI Not Detected: Your email software (eg. Eudora / Outlook) has not been setup", 0), 0u);
    EXPECT_EQ(texts[3], "Mailhost Required: If you choose SMTP you must enter a SMTP mailhost. Call your ISP if you "
                        "don't know what your SMTP mailhost is.");
    EXPECT_EQ(texts[4], "Reply Email Required: If you choose SMTP you must enter a valid reply-to address. Enter your "
                        "email address.");
    EXPECT_EQ(texts[5], "Sonvela: The subject may not hold a line break.");
}

TEST_F(SendCommandTest, TheDesktopMailProgramGetsTheMessageAsAnArgumentVector) {
    stubs.Add("xdg-email");
    Answer({{"SendMethod", "0"}, {"Address", "a@example.fr, Bob <b@example.fr>"}, {"Subject", "Prise; rm -rf ~"},
            {"Text", "Écoute ça"}, {"UseMAPI", "1"}});
    registry.Run(kCmdSend, ws);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(stubs.Calls("xdg-email"),
              (std::vector<std::string>{"--utf8", "--subject", "Prise; rm -rf ~", "--body", "Écoute ça", "--attach",
                                        soundPath, "a@example.fr", "b@example.fr"}));
    EXPECT_EQ(settings.ReadSetting("SendEmail", "Address"), "a@example.fr, Bob <b@example.fr>");
}

TEST_F(SendCommandTest, AFailingMailProgramIsReported) {
    stubs.Add("xdg-email", 3);
    Answer({{"SendMethod", "0"}, {"Address", "a@example.fr"}, {"UseMAPI", "1"}});
    registry.Run(kCmdSend, ws);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("xdg-email failed"), std::string::npos);
}

TEST_F(SendCommandTest, PasswordsAreKeptInAPrivateFileAndNeverInTheSettings) {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    SendSettings v;
    v.smtpHost = "smtp.example.fr:jean:Sm7p-secret";
    v.ftpServer = "ftp.example.fr";
    v.ftpUser = "jean";
    v.ftpPassword = "Ftp-secret";
    user.Preset("SendFTP", "FtpPassword", "Old-clear");
    ASSERT_TRUE(SaveSendSettings(settings, passwords, v));
    for (const auto& [section, name] : std::vector<std::pair<std::string, std::string>>{
             {"Email", "MailSMTPHost"}, {"SendFTP", "FtpPassword"}, {"SendFTP", "FtpUserName"}}) {
        std::string value = settings.ReadSetting(section, name);
        EXPECT_EQ(value.find("secret"), std::string::npos) << name;
        EXPECT_EQ(value.find("Old-clear"), std::string::npos) << name;
    }
    EXPECT_EQ(settings.ReadSetting("Email", "MailSMTPHost"), "smtp.example.fr:jean");
    struct stat st{};
    ASSERT_EQ(::stat((dir.path() + "/passwords").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    SendSettings back = LoadSendSettings(settings, passwords);
    EXPECT_EQ(back.smtpPassword, "Sm7p-secret");
    EXPECT_EQ(back.ftpPassword, "Ftp-secret");
    // The command opens the same store in its folder.
    std::unique_ptr<PasswordStore> opened = OpenPasswordStore(dir.path());
    EXPECT_EQ(opened->Lookup(FtpPasswordKey("ftp.example.fr", "jean")), "Ftp-secret");
}

TEST_F(SendCommandTest, APlainLogonAllowanceHoldsForItsServerOnly) {
    SendSettings v;
    v.smtpHost = "jean:pw@smtp.example.fr";
    v.smtpAllowPlain = true;
    ASSERT_TRUE(SaveSendSettings(settings, passwords, v));
    EXPECT_TRUE(LoadSendSettings(settings, passwords).smtpAllowPlain);
    settings.WriteUserSetting("Email", "MailSMTPHost", "jean@smtp.elsewhere.fr");
    EXPECT_FALSE(LoadSendSettings(settings, passwords).smtpAllowPlain);
}

}  // namespace
}  // namespace sv
