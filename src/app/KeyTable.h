#pragma once
// The shortcut table the frame's key pre-translation serves: key codes to command ids. It
// starts from the built-in shortcuts of the menus; a user-defined table replaces entries.
#include <cstdint>
#include <map>
#include <vector>

namespace sv {

class KeyTable {
public:
    // The shortcuts written beside the menu items.
    static KeyTable BuiltIn();

    // 0 when no command has this key.
    int CommandFor(std::uint32_t code) const;
    std::vector<std::uint32_t> KeysOf(int command) const;
    // Replaces the keys of a command; a key taken by another command moves to this one.
    void SetKeys(int command, const std::vector<std::uint32_t>& codes);
    const std::map<std::uint32_t, int>& Entries() const { return byKey_; }

private:
    std::map<std::uint32_t, int> byKey_;
};

}  // namespace sv
