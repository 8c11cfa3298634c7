#pragma once
// A mail message and its text as it crosses the DATA phase: headers (non-ASCII text as RFC 2047
// words, file names as RFC 2231 parameters), a multipart/mixed body whose boundary is absent
// from the text, attachments in Base64. Every piece is already in CR LF lines with leading dots
// doubled, so it can go to the server as it is; attachments are streamed by the sender.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace sv {

struct MailMessage {
    std::string to;       // the recipient list as typed, commas between
    std::string from;
    std::string subject;
    std::string text;
    std::vector<std::string> attachments;  // file paths
};

// "Wed, 09 Dec 2026 04:05:06 +0100" for local time t.
std::string MailDate(std::time_t t);
// The recipients of a list: split at commas, blanks trimmed, each cut to 259 characters,
// empty items skipped.
std::vector<std::string> SplitRecipients(const std::string& list);
// "audio/wav", "audio/mpeg" or "application/octet-stream", by the name's extension.
std::string AttachmentType(const std::string& path);
// The message's text as CR LF lines, each leading dot doubled (the first line's too).
std::string DotStuffedLines(const std::string& text);
// Non-ASCII text as UTF-8 encoded words, folded so that no word passes 75 characters.
std::string EncodeHeaderWord(const std::string& text);

class MailComposer {
public:
    explicit MailComposer(const MailMessage& message) : message_(message) {}

    // Empty when the message can be sent; otherwise what is wrong with it (CR or LF in a header
    // value or a file name, no free boundary).
    std::string Check() const;
    // Headers and the text part; with attachments, the multipart opening too.
    std::string Head(std::time_t now) const;
    std::string AttachmentHead(const std::string& path) const;
    // The closing boundary, or nothing without attachments.
    std::string Tail() const;
    // The boundary "gc0p4Jq0M2Yt08jU534c%d" with the first number 0..99 not found in the text.
    std::optional<std::string> Boundary() const;

private:
    const MailMessage& message_;
};

}  // namespace sv
