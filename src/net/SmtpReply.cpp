#include "net/SmtpReply.h"

#include <cctype>

namespace sv {

bool SmtpReply::Add(std::string line) {
    if (line.size() > kSmtpLineChars) line.resize(kSmtpLineChars);
    lines_.push_back(line);
    if (line.size() >= 4 && line[3] == '-') return false;
    code_ = 0;
    if (line.size() >= 3) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (line[i] < '0' || line[i] > '9') {
                code_ = 0;
                break;
            }
            code_ = code_ * 10 + (line[i] - '0');
        }
    }
    return true;
}

bool SmtpReply::Offers(const std::string& keyword) const {
    for (const std::string& line : lines_) {
        if (line.size() < 4 + keyword.size()) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < keyword.size(); ++i)
            same = std::toupper(static_cast<unsigned char>(line[4 + i])) == keyword[i];
        if (same && (line.size() == 4 + keyword.size() || line[4 + keyword.size()] == ' ')) return true;
    }
    return false;
}

}  // namespace sv
