#include "formats/PlaylistText.h"

#include <cstdio>

namespace sv {

namespace {

// A line break in a file name would start a new playlist line; XML forbids most controls.
std::string OneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return out;
}

std::string Xml(const std::string& text) { return XmlEscape(OneLine(text)); }

}  // namespace

bool PlaylistKindOf(const std::string& extension, PlaylistKind& kind) {
    if (extension == ".m3u") kind = PlaylistKind::M3U;
    else if (extension == ".pls") kind = PlaylistKind::PLS;
    else if (extension == ".wpl") kind = PlaylistKind::WPL;
    else if (extension == ".rss") kind = PlaylistKind::RSS;
    else return false;
    return true;
}

std::string RootWithSlash(const std::string& root) {
    if (root.empty() || root.back() == '/') return root;
    return root + "/";
}

std::string PlaylistAddress(const std::string& root, const std::string& mp3Name) {
    if (root.empty()) return mp3Name;
    return RootWithSlash(root) + PercentEncode(mp3Name);
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string PercentEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string PlaylistText(PlaylistKind kind, const PlaylistEntry& e) {
    const std::string title = OneLine(e.title);
    const std::string seconds = std::to_string(e.seconds);
    switch (kind) {
    case PlaylistKind::M3U:
        return "#EXTM3U\r\n#EXTINF:" + seconds + "," + title + "\r\n" + OneLine(PlaylistAddress(e.root, e.mp3Name)) +
               "\r\n";
    case PlaylistKind::PLS:
        return "[playlist]\r\nFile1=" + OneLine(PlaylistAddress(e.root, e.mp3Name)) + "\r\nTitle1=" + title +
               "\r\nLength1=" + seconds + "\r\nNumberOfEntries=1\r\nVersion=2\r\n";
    case PlaylistKind::WPL:
        return "<?wpl version=\"1.0\"?>\r\n<smil>\r\n    <head>\r\n        <title>" + Xml(e.title) +
               "</title>\r\n    </head>\r\n    <body>\r\n        <seq>\r\n            <media src=\"" +
               Xml(PlaylistAddress(e.root, e.mp3Name)) +
               "\"/>\r\n        </seq>\r\n    </body>\r\n</smil>\r\n";
    case PlaylistKind::RSS: {
        // The enclosure is always a web address, so its name is encoded even without a root.
        const std::string t = Xml(e.title);
        return "<?xml version=\"1.0\" ?>\r\n<rss version=\"2.0\">\r\n  <channel>\r\n      <title>" + t +
               "</title>\r\n      <description>" + t + "</description>\r\n      <link>" + Xml(e.root) +
               "</link>\r\n      <item>\r\n         <title>" + t + "</title>\r\n         <description>" + t +
               "</description>\r\n         <enclosure url=\"" + Xml(RootWithSlash(e.root)) +
               Xml(PercentEncode(e.mp3Name)) + "\" length=\"" + std::to_string(e.mp3Bytes) +
               "\" type=\"audio/mpeg\" />\r\n      </item>\r\n  </channel>\r\n</rss>\r\n";
    }
    }
    return {};
}

}  // namespace sv
