#pragma once
// The "MailSMTPHost" value: "host", "host:user:password" (no at sign) or
// "user:password@host" (the host follows the last of at most two at signs, so a user name may
// itself be an e-mail address).
#include <string>

namespace sv {

struct MailServer {
    std::string host;
    std::string user;
    std::string password;
    bool HasUser() const { return !user.empty(); }
};

MailServer ParseMailServer(const std::string& value);
// The value as kept in the settings file: the user's form, with the password left out.
std::string MailServerWithoutPassword(const std::string& value);

}  // namespace sv
