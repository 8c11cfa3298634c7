#pragma once
// The eight-slot undo ring of a document. Slot i (the document's undo index) holds the state
// before the last action, slot i+1 the state an undo left behind, and a named slot i+2 means a
// redo is possible. A slot keeps a segment list, never samples, so a step costs one list copy.
#include <string>

namespace sv {

class LAudioDocument;

// Saves the present state under name; any redo chain dies.
void UndoPush(LAudioDocument& doc, const std::string& name);
// False (nothing changed) when there is nothing to undo or redo.
bool Undo(LAudioDocument& doc);
bool Redo(LAudioDocument& doc);
bool CanUndo(const LAudioDocument& doc);
bool CanRedo(const LAudioDocument& doc);
const std::string& UndoName(const LAudioDocument& doc);
const std::string& RedoName(const LAudioDocument& doc);
// "Annuler %s\tCtrl+Z" and "Rétablir %s\tCtrl+Y".
std::string UndoMenuText(const LAudioDocument& doc);
std::string RedoMenuText(const LAudioDocument& doc);

}  // namespace sv
