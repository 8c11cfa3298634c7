#pragma once
// What "Envoyer..." remembers: the method, the recipients, the mail and FTP settings. Passwords
// are kept in the password store and never in the settings file; a password found there (an
// older settings file) moves to the store on the next save.
#include <cstdint>
#include <string>

namespace sv {

class PasswordStore;
class Settings;

struct SendSettings {
    int method = 0;  // 0 e-mail, 1 FTP
    std::string address;
    std::string replyTo;
    bool useMailClient = true;  // "UseMAPI": the desktop's mail program rather than SMTP
    std::string smtpHost;       // the "MailSMTPHost" form without its password
    std::string smtpPassword;
    int smtpPort = 25;
    bool smtpRequireTls = false;
    bool smtpAllowPlain = false;  // for the server named in smtpHost only
    std::string smtpCaFile;
    std::string ftpServer;
    std::string ftpUser;
    std::string ftpPassword;
    std::string ftpDirectory;
    bool ftpAllowPlain = false;  // for ftpServer only
    std::string ftpCaFile;
};

SendSettings LoadSendSettings(const Settings& settings, PasswordStore& passwords);
bool SaveSendSettings(Settings& settings, PasswordStore& passwords, const SendSettings& values);

}  // namespace sv
