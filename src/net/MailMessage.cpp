#include "net/MailMessage.h"

#include "net/Base64.h"
#include "net/MakerSite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace sv {

namespace {

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// An address list with each non-ASCII display name ("Émile <e@x.fr>") as encoded words.
std::string EncodeAddressList(const std::string& list) {
    if (IsAscii(list)) return list;
    std::string out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::size_t angle = item.find('<');
        std::string name = Trimmed(item.substr(0, angle == std::string::npos ? 0 : angle));
        if (!name.empty() && !IsAscii(name))
            item = EncodeHeaderWord(name) + " " + item.substr(angle);
        if (!out.empty()) out += ", ";
        out += Trimmed(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

// A file name as a MIME parameter: quoted when ASCII, RFC 2231 percent-encoded UTF-8 otherwise.
std::string NameParameter(const std::string& key, const std::string& name) {
    if (IsAscii(name)) {
        std::string quoted;
        for (char c : name) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        return key + "=\"" + quoted + "\"";
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded = key + "*=UTF-8''";
    for (unsigned char c : name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '-' || c == '_';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

// Quoted-printable for a text that is not plain short ASCII lines; input in CR LF lines.
std::string QuotedPrintable(const std::string& crlfText) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t column = 0;
    auto put = [&](const std::string& piece) {
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += piece.size();
    };
    for (std::size_t i = 0; i < crlfText.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(crlfText[i]);
        if (c == '\r' && i + 1 < crlfText.size() && crlfText[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        bool lineEnd = i + 1 == crlfText.size() || crlfText[i + 1] == '\r';
        bool literal = (c >= 33 && c <= 126 && c != '=') || (c == ' ' && !lineEnd) || (c == '\t' && !lineEnd);
        if (literal) {
            put(std::string(1, static_cast<char>(c)));
        } else {
            put(std::string{'=', kHex[c >> 4], kHex[c & 15]});
        }
    }
    return out;
}

bool HasLongLine(const std::string& crlfText) {
    std::size_t start = 0;
    for (;;) {
        std::size_t end = crlfText.find("\r\n", start);
        std::size_t length = (end == std::string::npos ? crlfText.size() : end) - start;
        if (length > 998) return true;
        if (end == std::string::npos) return false;
        start = end + 2;
    }
}

// Leading dots doubled in text already in CR LF lines.
std::string DoubleLeadingDots(const std::string& crlfText) {
    std::string out;
    out.reserve(crlfText.size() + 16);
    bool lineStart = true;
    for (std::size_t i = 0; i < crlfText.size(); ++i) {
        char c = crlfText[i];
        if (lineStart && c == '.') out += '.';
        out += c;
        lineStart = c == '\n' && i > 0 && crlfText[i - 1] == '\r';
    }
    return out;
}

std::string CrLfLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string MailDate(std::time_t t) {
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&t, &local);
    long offset = local.tm_gmtoff / 60;
    const char* sign = offset < 0 ? "-" : "+";
    offset = std::labs(offset);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %.2d %s %.4d %.2d:%.2d:%.2d %s%.2ld%.2ld", kDays[local.tm_wday],
                  local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, sign, offset / 60, offset % 60);
    return text;
}

std::vector<std::string> SplitRecipients(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string item = Trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        // "Name <address>": the envelope takes the address alone.
        std::size_t open = item.find('<');
        std::size_t close = item.find('>', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && close != std::string::npos) item = Trimmed(item.substr(open + 1, close - open - 1));
        if (item.size() > 259) item.resize(259);
        if (!item.empty()) out.push_back(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

std::string AttachmentType(const std::string& path) {
    std::string name = BaseName(path);
    std::size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "wav") return "audio/wav";
    if (ext == "mp3") return "audio/mpeg";
    return "application/octet-stream";
}

std::string DotStuffedLines(const std::string& text) { return DoubleLeadingDots(CrLfLines(text)); }

std::string EncodeHeaderWord(const std::string& text) {
    if (IsAscii(text)) return text;
    // "=?UTF-8?B?" + 60 Base64 characters + "?=" stays within 75; 45 bytes fill 60 characters.
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = std::min(text.size(), i + 45);
        // Never cut inside a UTF-8 sequence.
        while (end < text.size() && end > i && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (end == i) end = std::min(text.size(), i + 45);
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64Encode(text.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::optional<std::string> MailComposer::Boundary() const {
    for (int n = 0; n <= 99; ++n) {
        std::string boundary = "gc0p4Jq0M2Yt08jU534c" + std::to_string(n);
        if (message_.text.find(boundary) == std::string::npos) return boundary;
    }
    return std::nullopt;
}

std::string MailComposer::Check() const {
    if (HasLineBreak(message_.to)) return "The recipient address may not hold a line break.";
    if (HasLineBreak(message_.from)) return "The reply-to address may not hold a line break.";
    if (HasLineBreak(message_.subject)) return "The subject may not hold a line break.";
    for (const std::string& path : message_.attachments)
        if (HasLineBreak(BaseName(path))) return "The attached file's name may not hold a line break.";
    if (!message_.attachments.empty() && !Boundary()) return "The message text holds every boundary mark.";
    return {};
}

std::string MailComposer::Head(std::time_t now) const {
    std::string head = "MIME-Version: 1.0\r\n";
    head += "From: " + EncodeAddressList(message_.from) + "\r\n";
    head += "To: " + EncodeAddressList(message_.to) + "\r\n";
    head += "Subject: " + EncodeHeaderWord(message_.subject) + "\r\n";
    head += "Date: " + MailDate(now) + "\r\n";
    head += std::string("X-Mailer: Sonvela ") + kMakerWebPage + "\r\n";
    if (!message_.attachments.empty()) {
        std::string boundary = Boundary().value_or("");
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary + "\r\n";
    }
    std::string text = CrLfLines(message_.text);
    if (IsAscii(text) && !HasLongLine(text)) {
        head += "Content-Type: text/plain\r\n\r\n";
    } else {
        head += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
        text = QuotedPrintable(text);
    }
    return head + DoubleLeadingDots(text);
}

std::string MailComposer::AttachmentHead(const std::string& path) const {
    std::string name = BaseName(path);
    return "\r\n--" + Boundary().value_or("") + "\r\nContent-Type: " + AttachmentType(path) + "; " +
           NameParameter("name", name) + "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; " +
           NameParameter("filename", name) + "\r\n\r\n";
}

std::string MailComposer::Tail() const {
    if (message_.attachments.empty()) return {};
    return "--" + Boundary().value_or("") + "--\r\n";
}

}  // namespace sv
