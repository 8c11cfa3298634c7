#pragma once
// Key codes as the shortcut file stores them: the low 16 bits a virtual-key code of the
// original desktop platform, and modifier bits. Plain C++: the Qt mapping is in QtKeys.h.
#include <cstdint>
#include <string>

namespace sv {

constexpr std::uint32_t kKeyAlt = 0x10000;
constexpr std::uint32_t kKeyCtrl = 0x20000;
constexpr std::uint32_t kKeyShift = 0x40000;

// Virtual-key codes used by the built-in shortcuts.
enum VirtualKey : std::uint32_t {
    kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B, kVkSpace = 0x20,
    kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
    kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E,
    kVkNumpad0 = 0x60, kVkMultiply = 0x6A, kVkAdd = 0x6B, kVkSubtract = 0x6D, kVkDecimal = 0x6E,
    kVkDivide = 0x6F, kVkF1 = 0x70, kVkF24 = 0x87,
    kVkOemPlus = 0xBB, kVkOemComma = 0xBC, kVkOemMinus = 0xBD, kVkOemPeriod = 0xBE,
};

// "Ctrl+Shift+S" -> code; the French key names of the menus are understood ("Suppr", "Début",
// "Fin", "Echap", "Plus", "Moins"). 0 when the text names no key.
std::uint32_t ParseShortcut(const std::string& text);
// The name of the key alone ("S", "F9", "Suppr").
std::string KeyName(std::uint32_t code);
// "Ctrl+", "Alt+", "Shift+" (those that apply, in that order) and the key's name.
std::string ShortcutText(std::uint32_t code);

}  // namespace sv
