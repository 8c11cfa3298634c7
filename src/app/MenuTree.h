#pragma once
// The main menu as data: every command with its French text and built-in shortcut. The frame
// builds its Qt menus from this table; plain C++ so that it can be checked without a display.
#include <string>
#include <vector>

namespace sv {

struct MenuNode {
    int id = 0;            // 0 for a submenu or a separator
    std::string text;      // empty with id 0: a separator
    std::string shortcut;  // "Ctrl+X", "F9", shown after a tab; served by the key table
    std::vector<MenuNode> children;

    bool IsSeparator() const { return id == 0 && text.empty(); }
    bool IsSubmenu() const { return id == 0 && !text.empty(); }
};

// Top-level menus in order: Fichier, Edition, Contrôle, Ambiances, Affichage, Outils,
// Signets, Fenêtre, Aide.
const std::vector<MenuNode>& MainMenu();

// Every command item of the tree, depth first.
std::vector<const MenuNode*> AllCommandItems();
const MenuNode* FindMenuItem(int id);

}  // namespace sv
