#pragma once
// The Edit menu (commands 2001 to 2034) on the active document, apart from those that read or
// write sound files, which the formats layer registers (RegisterFileEditCommands). Commands
// that only rearrange material change segment lists and write no sample.
#include <cstdint>

namespace sv {

class CommandRegistry;
class Workspace;

void UndoCommand(Workspace& ws);
void RedoCommand(Workspace& ws);
void CutCommand(Workspace& ws);
void CopyCommand(Workspace& ws);
void PasteCommand(Workspace& ws);
void PasteMixCommand(Workspace& ws);
void DeleteCommand(Workspace& ws);
void SelectAllCommand(Workspace& ws);
void SelectFromStartCommand(Workspace& ws);
void SelectToEndCommand(Workspace& ws);
void SelectSpanCommand(Workspace& ws);
void RepeatCommand(Workspace& ws);
void TrimToSelectionCommand(Workspace& ws);
void TrimStartCommand(Workspace& ws);
void TrimEndCommand(Workspace& ws);
void SilenceSelectionCommand(Workspace& ws);
// position: 0 the start, 1 the cursor, 2 the end.
void InsertSilenceCommand(Workspace& ws, int position);
void CopyToNewCommand(Workspace& ws);
void SplitAtCursorCommand(Workspace& ws);
void MarkFirstCommand(Workspace& ws);
void MarkSecondCommand(Workspace& ws);
void SelectMarksCommand(Workspace& ws);

// Paste and Paste Mix in the waveform's context menu: the document clipboard lasts at least
// one millisecond at its own rate.
bool DocumentClipboardPastable(const Workspace& ws);

void RegisterEditCommands(CommandRegistry& registry);

}  // namespace sv
