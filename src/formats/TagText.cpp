#include "formats/TagText.h"

namespace sv {

std::string TextUpToZero(const char* bytes, std::size_t max) {
    std::size_t n = 0;
    while (n < max && bytes[n] != 0) ++n;
    return std::string(bytes, n);
}

std::string CutUtf8(const std::string& text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
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

}  // namespace

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
