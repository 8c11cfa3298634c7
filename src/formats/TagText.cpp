#include "formats/TagText.h"

namespace sv {

std::string TextUpToZero(const char* bytes, std::size_t max) {
    std::size_t n = 0;
    while (n < max && bytes[n] != 0) ++n;
    return std::string(bytes, n);
}

namespace {

bool IsValidUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (more < 0) return false;
        for (int k = 1; k <= more; ++k) {
            if (i + static_cast<std::size_t>(k) >= s.size()) return false;
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

// Without a last UTF-8 sequence that lacks its continuation bytes.
std::string DropCutSequence(const std::string& s) {
    std::size_t lead = s.size();
    for (int back = 0; back < 4 && lead > 0; ++back) {
        auto c = static_cast<unsigned char>(s[--lead]);
        if ((c & 0xC0) != 0x80) {
            std::size_t need = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
            return s.size() - lead < need ? s.substr(0, lead) : s;
        }
    }
    return s;
}

}  // namespace

std::string TagFieldText(const char* bytes, std::size_t size, std::size_t max) {
    std::string text = TextUpToZero(bytes, size);
    if (IsValidUtf8(text)) return CutUtf8(text, max);
    // Only a full field can have been cut; and a lone high byte after plain ASCII is more likely
    // a Latin-1 letter ("café") than the start of a cut character.
    if (text.size() == size) {
        std::string whole = DropCutSequence(text);
        bool multibyte = false;
        for (char c : whole) multibyte = multibyte || (static_cast<unsigned char>(c) & 0x80);
        if (whole.size() < text.size() && multibyte && IsValidUtf8(whole)) return CutUtf8(whole, max);
    }
    return CutUtf8(ToUtf8(text), max);
}

std::string ToUtf8(const std::string& bytes) {
    if (IsValidUtf8(bytes)) return bytes;
    std::string out;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace sv
