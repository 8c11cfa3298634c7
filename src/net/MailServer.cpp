#include "net/MailServer.h"

namespace sv {

namespace {

// Where the host begins in the at-sign form: after the second at sign when there are two or
// more, else after the first.
std::size_t HostAt(const std::string& value) {
    std::size_t first = value.find('@');
    std::size_t second = value.find('@', first + 1);
    return second == std::string::npos ? first : second;
}

}  // namespace

MailServer ParseMailServer(const std::string& value) {
    MailServer server;
    std::size_t at = value.find('@');
    if (at == std::string::npos) {
        std::size_t colon = value.find(':');
        server.host = value.substr(0, colon);
        if (colon == std::string::npos) return server;
        std::size_t second = value.find(':', colon + 1);
        server.user = value.substr(colon + 1, second == std::string::npos ? std::string::npos : second - colon - 1);
        if (second != std::string::npos) server.password = value.substr(second + 1);
        return server;
    }
    std::size_t hostAt = HostAt(value);
    server.host = value.substr(hostAt + 1);
    std::string account = value.substr(0, hostAt);
    std::size_t colon = account.find(':');
    server.user = account.substr(0, colon);
    if (colon != std::string::npos) server.password = account.substr(colon + 1);
    return server;
}

std::string MailServerWithoutPassword(const std::string& value) {
    MailServer server = ParseMailServer(value);
    if (!server.HasUser()) return server.host;
    if (value.find('@') == std::string::npos) return server.host + ":" + server.user;
    return server.user + "@" + server.host;
}

}  // namespace sv
