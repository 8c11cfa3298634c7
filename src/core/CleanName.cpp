#include "core/CleanName.h"

#include <cstring>

namespace sv {

std::string CleanName(const std::string& text) {
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7f || std::strchr("\"*./:<>?\\|", c) != nullptr) continue;
        out.push_back(c);
        if (out.size() == 259) break;
    }
    return out;
}

}  // namespace sv
