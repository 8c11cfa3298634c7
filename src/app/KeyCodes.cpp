#include "app/KeyCodes.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace sv {

namespace {

const std::vector<std::pair<std::uint32_t, const char*>>& Names() {
    static const std::vector<std::pair<std::uint32_t, const char*>> names = {
        {kVkBack, "Retour Arrière"}, {kVkTab, "Tab"}, {kVkReturn, "Entrée"}, {kVkEscape, "Echap"},
        {kVkSpace, "Espace"}, {kVkPrior, "Pg.Préc"}, {kVkNext, "Pg.Suiv"}, {kVkEnd, "Fin"}, {kVkHome, "Début"},
        {kVkLeft, "Gauche"}, {kVkUp, "Haut"}, {kVkRight, "Droite"}, {kVkDown, "Bas"}, {kVkInsert, "Inser"},
        {kVkDelete, "Suppr"}, {kVkMultiply, "Num *"}, {kVkAdd, "Plus"}, {kVkSubtract, "Moins"},
        {kVkDecimal, "Num ."}, {kVkDivide, "Num /"}, {kVkOemPlus, "="}, {kVkOemComma, ","},
        {kVkOemMinus, "-"}, {kVkOemPeriod, "."},
    };
    return names;
}

}  // namespace

std::string KeyName(std::uint32_t code) {
    std::uint32_t vk = code & 0xFFFF;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= kVkF1 && vk <= kVkF24) return "F" + std::to_string(vk - kVkF1 + 1);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return "Num " + std::to_string(vk - kVkNumpad0);
    for (const auto& [k, name] : Names())
        if (k == vk) return name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "Touche %u", static_cast<unsigned>(vk));
    return buf;
}

std::string ShortcutText(std::uint32_t code) {
    std::string text;
    if (code & kKeyCtrl) text += "Ctrl+";
    if (code & kKeyAlt) text += "Alt+";
    if (code & kKeyShift) text += "Shift+";
    return text + KeyName(code);
}

std::uint32_t ParseShortcut(const std::string& text) {
    std::uint32_t mods = 0;
    std::string rest = text;
    for (;;) {
        if (rest.rfind("Ctrl+", 0) == 0) {
            mods |= kKeyCtrl;
            rest = rest.substr(5);
        } else if (rest.rfind("Alt+", 0) == 0) {
            mods |= kKeyAlt;
            rest = rest.substr(4);
        } else if (rest.rfind("Shift+", 0) == 0) {
            mods |= kKeyShift;
            rest = rest.substr(6);
        } else {
            break;
        }
    }
    if (rest.empty()) return 0;
    if (rest.size() == 1) {
        char c = rest[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return mods | static_cast<std::uint32_t>(c);
    }
    if (rest[0] == 'F' && rest.size() >= 2 && rest.size() <= 3 &&
        rest.find_first_not_of("0123456789", 1) == std::string::npos) {
        int n = std::atoi(rest.c_str() + 1);
        if (n >= 1 && n <= 24) return mods | (kVkF1 + static_cast<std::uint32_t>(n) - 1);
        return 0;
    }
    for (const auto& [k, name] : Names())
        if (rest == name) return mods | k;
    return 0;
}

}  // namespace sv
