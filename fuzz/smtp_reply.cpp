// Mail server replies, line by line as the socket reader delivers them, and the server value
// of the settings: codes stay three digits, lines within 258 characters.
#include "net/MailServer.h"
#include "net/SmtpReply.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    sv::MailServer server = sv::ParseMailServer(text);
    if (server.host.size() > text.size() || server.user.size() > text.size()) std::abort();
    sv::ParseMailServer(sv::MailServerWithoutPassword(text));
    sv::SmtpReply reply;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        if (reply.Add(text.substr(pos, std::min<std::size_t>(end - pos, 259)))) {
            if (reply.Code() < 0 || reply.Code() > 999) std::abort();
            reply.Offers("STARTTLS");
            reply = sv::SmtpReply{};
        }
        pos = end + 1;
    }
    for (const std::string& line : reply.Lines())
        if (line.size() > sv::kSmtpLineChars) std::abort();
    return 0;
}
