#include "net/SendSettings.h"

#include "net/MailServer.h"
#include "net/PasswordStore.h"
#include "platform/Settings.h"

namespace sv {

namespace {

int PortOr(int value, int def) { return value > 0 && value < 65536 ? value : def; }

}  // namespace

SendSettings LoadSendSettings(const Settings& settings, PasswordStore& passwords) {
    SendSettings v;
    v.method = settings.ReadIntSetting("Settings", "SendMethod", 0) == 1 ? 1 : 0;
    v.address = settings.ReadSetting("SendEmail", "Address");
    v.replyTo = settings.ReadSetting("Email", "ReplyToEmail");
    v.useMailClient = settings.ReadBoolSetting("Email", "UseMAPI", true);
    std::string stored = settings.ReadSetting("Email", "MailSMTPHost");
    MailServer server = ParseMailServer(stored);
    v.smtpHost = MailServerWithoutPassword(stored);
    v.smtpPassword = server.password;
    if (server.HasUser() && v.smtpPassword.empty())
        v.smtpPassword = passwords.Lookup(SmtpPasswordKey(server.host, server.user)).value_or("");
    v.smtpPort = PortOr(settings.ReadIntSetting("Email", "MailSMTPPort", 25), 25);
    v.smtpRequireTls = settings.ReadBoolSetting("Email", "MailSMTPStartTls", false);
    std::string plainHost = settings.ReadSetting("Email", "MailSMTPPlainLogonHost");
    v.smtpAllowPlain = !plainHost.empty() && plainHost == server.host;
    v.smtpCaFile = settings.ReadSetting("Email", "MailSMTPCaFile");
    v.ftpServer = settings.ReadSetting("SendFTP", "FtpServer");
    v.ftpUser = settings.ReadSetting("SendFTP", "FtpUserName");
    v.ftpPassword = settings.ReadSetting("SendFTP", "FtpPassword");
    if (v.ftpPassword.empty())
        v.ftpPassword = passwords.Lookup(FtpPasswordKey(v.ftpServer, v.ftpUser)).value_or("");
    v.ftpDirectory = settings.ReadSetting("SendFTP", "FtpDirectory");
    std::string plainServer = settings.ReadSetting("SendFTP", "FtpPlainLogonServer");
    v.ftpAllowPlain = !plainServer.empty() && plainServer == v.ftpServer;
    v.ftpCaFile = settings.ReadSetting("SendFTP", "FtpCaFile");
    return v;
}

bool SaveSendSettings(Settings& settings, PasswordStore& passwords, const SendSettings& v) {
    bool ok = settings.WriteIntUserSetting("Settings", "SendMethod", v.method);
    ok = settings.WriteUserSetting("SendEmail", "Address", v.address) && ok;
    ok = settings.WriteUserSetting("Email", "ReplyToEmail", v.replyTo) && ok;
    ok = settings.WriteBoolUserSetting("Email", "UseMAPI", v.useMailClient) && ok;
    // A password typed into the server value itself wins over the separate field.
    MailServer server = ParseMailServer(v.smtpHost);
    std::string smtpPassword = server.password.empty() ? v.smtpPassword : server.password;
    ok = settings.WriteUserSetting("Email", "MailSMTPHost", MailServerWithoutPassword(v.smtpHost)) && ok;
    if (server.HasUser()) {
        std::string key = SmtpPasswordKey(server.host, server.user);
        ok = (smtpPassword.empty() ? passwords.Remove(key) : passwords.Store(key, smtpPassword)) && ok;
    }
    ok = settings.WriteIntUserSetting("Email", "MailSMTPPort", PortOr(v.smtpPort, 25)) && ok;
    ok = settings.WriteBoolUserSetting("Email", "MailSMTPStartTls", v.smtpRequireTls) && ok;
    ok = settings.WriteUserSetting("Email", "MailSMTPPlainLogonHost", v.smtpAllowPlain ? server.host : "") && ok;
    ok = settings.WriteUserSetting("SendFTP", "FtpServer", v.ftpServer) && ok;
    ok = settings.WriteUserSetting("SendFTP", "FtpUserName", v.ftpUser) && ok;
    ok = settings.WriteUserSetting("SendFTP", "FtpDirectory", v.ftpDirectory) && ok;
    std::string ftpKey = FtpPasswordKey(v.ftpServer, v.ftpUser);
    ok = (v.ftpPassword.empty() ? passwords.Remove(ftpKey) : passwords.Store(ftpKey, v.ftpPassword)) && ok;
    // Whatever an older version left in clear goes.
    ok = settings.WriteUserSetting("SendFTP", "FtpPassword", "") && ok;
    ok = settings.WriteUserSetting("SendFTP", "FtpPlainLogonServer", v.ftpAllowPlain ? v.ftpServer : "") && ok;
    return ok;
}

}  // namespace sv
