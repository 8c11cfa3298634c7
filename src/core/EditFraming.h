#pragma once
// The frame of every changing command on the active document: stop playback, open an undo
// step, do the work (on the segment list, or under the progress dialog), close the edit.
#include <cstdint>
#include <string>

namespace sv {

class Workspace;

// Stops the player before anything changes what it might be reading.
void StopPlayback(Workspace& ws);
// Pushes an undo step named name, marks the document modified and refreshes the menus.
// False (and nothing done) without an active document.
bool BeginEdit(Workspace& ws, const std::string& name);
// Checks the free space of the working folder, then moves the cursor, redraws and, when
// "AutoPlaybackAfterEffects" is set, plays from newCursor - preroll.
void EndEdit(Workspace& ws, std::int32_t newCursor, std::int32_t prerollFrames);
// Frame counts of a document are signed 32-bit: no edit may make it longer than this.
constexpr std::int64_t kMaxDocumentFrames = 2147483647;
// The refusal of an edit whose result would not fit.
std::string DocumentTooLongText();

// Selects the whole sound (and shows it) when the active document has no selection.
void SelectAllIfNone(Workspace& ws);

}  // namespace sv
