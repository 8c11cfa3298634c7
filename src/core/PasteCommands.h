#pragma once
// Putting a sound into the active document: paste (replacing the selection, or inserting at
// its start when there is none) and insertion at a position, converting the sound to the
// document's rate and channels first. A conversion that cannot be done leaves the document
// and its selection as they were and says why.
#include <cstdint>
#include <string>

namespace sv {

class LAudioData;
class LProgressTask;
class Workspace;

// Empty when source can go into a document of rate and channels (same format, or a
// converter is installed); otherwise the message that refuses it.
std::string ConversionRefusal(const Workspace& ws, const LAudioData& source, std::int32_t rate,
                              std::uint8_t channels);
// Brings sound to rate and channels under a running task; 0 done, 1 cancelled, 2 failed
// (the reason then shown through the task).
int ConvertForDocument(Workspace& ws, LProgressTask& task, LAudioData& sound, std::int32_t rate,
                       std::uint8_t channels);

// The whole Paste command with source as what is pasted: undo step "Coller", task "Coller",
// the pasted stretch selected. True when pasted.
bool PasteSound(Workspace& ws, const LAudioData& source);
// Inserts source at position under the task "Insérer Fichier", after an undo step named
// undoName. True when inserted.
bool InsertSound(Workspace& ws, const LAudioData& source, std::int32_t position, const std::string& undoName);

// Tells the desktop's clipboard, when there is one, that WAV data of the document clipboard
// is available.
void AnnounceToSystemClipboard(Workspace& ws);

}  // namespace sv
