#include "core/UndoRing.h"

#include "core/AudioDocument.h"

namespace sv {

namespace {

constexpr std::size_t kMaxUndoName = 259;

LUndoSlot& Slot(LAudioDocument& doc, int delta) {
    return doc.undoRing[static_cast<std::size_t>(((doc.undoIndex + delta) % kUndoSlots + kUndoSlots) % kUndoSlots)];
}

const LUndoSlot& Slot(const LAudioDocument& doc, int delta) {
    return doc.undoRing[static_cast<std::size_t>(((doc.undoIndex + delta) % kUndoSlots + kUndoSlots) % kUndoSlots)];
}

void Clear(LUndoSlot& slot) {
    slot.name.clear();
    slot.sound.Free();
}

void StepBack(LAudioDocument& doc) { doc.undoIndex = (doc.undoIndex + kUndoSlots - 1) % kUndoSlots; }

void Restore(LAudioDocument& doc, const LUndoSlot& slot) {
    doc.sound = slot.sound;
    doc.modified = slot.modified;
    doc.selectionStart = slot.selectionStart;
    doc.selectionEnd = slot.selectionEnd;
    doc.cursor = slot.cursor;
    doc.viewStart = slot.viewStart;
    doc.viewEnd = slot.viewEnd;
}

void Save(LUndoSlot& slot, const LAudioDocument& doc) {
    slot.sound = doc.sound;
    slot.modified = doc.modified;
    slot.selectionStart = doc.selectionStart;
    slot.selectionEnd = doc.selectionEnd;
    slot.cursor = doc.cursor;
    slot.viewStart = doc.viewStart;
    slot.viewEnd = doc.viewEnd;
}

}  // namespace

void UndoPush(LAudioDocument& doc, const std::string& name) {
    doc.undoIndex = (doc.undoIndex + 1) % kUndoSlots;
    LUndoSlot& slot = Slot(doc, 0);
    Save(slot, doc);
    slot.name = name.substr(0, kMaxUndoName);
    Clear(Slot(doc, 1));
    Clear(Slot(doc, 2));
}

bool Undo(LAudioDocument& doc) {
    if (!CanUndo(doc)) return false;
    if (Slot(doc, 1).name.empty()) {
        UndoPush(doc, "Redo");
        StepBack(doc);
    }
    Restore(doc, Slot(doc, 0));
    StepBack(doc);
    return true;
}

bool Redo(LAudioDocument& doc) {
    if (!CanRedo(doc)) return false;
    Restore(doc, Slot(doc, 2));
    doc.undoIndex = (doc.undoIndex + 1) % kUndoSlots;
    return true;
}

bool CanUndo(const LAudioDocument& doc) { return !Slot(doc, 0).name.empty(); }

bool CanRedo(const LAudioDocument& doc) { return !Slot(doc, 2).name.empty(); }

const std::string& UndoName(const LAudioDocument& doc) { return Slot(doc, 0).name; }

const std::string& RedoName(const LAudioDocument& doc) { return Slot(doc, 1).name; }

std::string UndoMenuText(const LAudioDocument& doc) { return "Annuler " + UndoName(doc) + "\tCtrl+Z"; }

std::string RedoMenuText(const LAudioDocument& doc) { return "Rétablir " + RedoName(doc) + "\tCtrl+Y"; }

}  // namespace sv
