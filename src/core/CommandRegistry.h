#pragma once
// Maps command identifiers (the main menu's) to the operations that serve them. Each
// subsystem registers its commands; an identifier nobody registered is shown disabled.
#include <functional>
#include <map>
#include <string>

namespace sv {

class Workspace;

struct CommandEntry {
    std::function<void(Workspace&)> run;
    // Null means always enabled.
    std::function<bool(const Workspace&)> enabled;
    // Null means not a checkable item.
    std::function<bool(const Workspace&)> checked;
    // Null keeps the menu's own text; otherwise the item's current text ("Annuler Couper\tCtrl+Z").
    std::function<std::string(const Workspace&)> text;
};

class CommandRegistry {
public:
    void Register(int id, CommandEntry entry) { entries_[id] = std::move(entry); }
    bool Has(int id) const { return entries_.count(id) != 0; }
    bool Enabled(int id, const Workspace& ws) const;
    bool Checkable(int id) const;
    bool Checked(int id, const Workspace& ws) const;
    // Empty when the item keeps its menu text.
    std::string Text(int id, const Workspace& ws) const;
    // False when no operation serves id.
    bool Run(int id, Workspace& ws) const;

private:
    std::map<int, CommandEntry> entries_;
};

// Predicates shared by many commands.
bool HasActiveDocument(const Workspace& ws);
bool ActiveHasSelection(const Workspace& ws);

}  // namespace sv
