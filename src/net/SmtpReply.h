#pragma once
// One SMTP reply gathered line by line: lines whose fourth character is "-" continue it, the
// first other line ends it and gives the code. EHLO's lines name what the server offers.
#include <string>
#include <vector>

namespace sv {

constexpr std::size_t kSmtpLineChars = 258;

class SmtpReply {
public:
    // Takes the next line (cut to 258 characters); true once the reply is complete.
    bool Add(std::string line);
    // The leading three digits of the last line; 0 when they are not digits.
    int Code() const { return code_; }
    // An EHLO keyword ("STARTTLS") on one of the lines after the code, any case.
    bool Offers(const std::string& keyword) const;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
    int code_ = 0;
};

}  // namespace sv
