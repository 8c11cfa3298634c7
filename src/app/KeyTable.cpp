#include "app/KeyTable.h"

#include "app/KeyCodes.h"
#include "app/MenuTree.h"
#include "core/CommandIds.h"

namespace sv {

KeyTable KeyTable::BuiltIn() {
    KeyTable table;
    for (const MenuNode* item : AllCommandItems()) {
        // Alt+F4 stays with the window manager, which closes the frame through the same path.
        if (item->shortcut.empty() || item->id == kCmdQuit) continue;
        if (std::uint32_t code = ParseShortcut(item->shortcut)) table.byKey_[code] = item->id;
    }
    // Keypad forms of the zoom keys.
    table.byKey_[kKeyCtrl | kVkOemPlus] = kCmdZoomIn;
    table.byKey_[kKeyCtrl | kVkOemMinus] = kCmdZoomOut;
    return table;
}

int KeyTable::CommandFor(std::uint32_t code) const {
    auto it = byKey_.find(code);
    return it == byKey_.end() ? 0 : it->second;
}

std::vector<std::uint32_t> KeyTable::KeysOf(int command) const {
    std::vector<std::uint32_t> keys;
    for (const auto& [code, id] : byKey_)
        if (id == command) keys.push_back(code);
    return keys;
}

void KeyTable::SetKeys(int command, const std::vector<std::uint32_t>& codes) {
    for (auto it = byKey_.begin(); it != byKey_.end();) {
        if (it->second == command)
            it = byKey_.erase(it);
        else
            ++it;
    }
    for (std::uint32_t code : codes) byKey_[code] = command;
}

}  // namespace sv
