#include "core/CommandRegistry.h"

#include "core/Workspace.h"

namespace sv {

bool CommandRegistry::Enabled(int id, const Workspace& ws) const {
    auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    return !it->second.enabled || it->second.enabled(ws);
}

bool CommandRegistry::Checkable(int id) const {
    auto it = entries_.find(id);
    return it != entries_.end() && it->second.checked != nullptr;
}

bool CommandRegistry::Checked(int id, const Workspace& ws) const {
    auto it = entries_.find(id);
    return it != entries_.end() && it->second.checked && it->second.checked(ws);
}

std::string CommandRegistry::Text(int id, const Workspace& ws) const {
    auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.text) return {};
    return it->second.text(ws);
}

bool CommandRegistry::Run(int id, Workspace& ws) const {
    auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.run) return false;
    if (it->second.enabled && !it->second.enabled(ws)) return false;
    it->second.run(ws);
    return true;
}

bool HasActiveDocument(const Workspace& ws) { return ws.Active() != nullptr; }

bool ActiveHasSelection(const Workspace& ws) { return ws.Active() && ws.Active()->HasSelection(); }

}  // namespace sv
