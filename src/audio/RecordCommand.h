#pragma once
// Command 3001 "Enregistrer" (F5): records into the active document (a new one when none is
// open) through the recorder dialog. The take replaces the selection under an undo step named
// "Record" and is selected, the cursor at its start; "Enregistrer Suivant" puts the take in
// place and opens the recorder again right after it.
#include "audio/RecordTarget.h"

#include <functional>

namespace sv {

class CommandRegistry;
class Workspace;

// Shows the recorder dialog modally for owner: 0 discards, 1 keeps, kRecordNext keeps and
// records the next take.
using RecorderDialogRunner = std::function<int(Workspace&, LRecordOwner&)>;

void RecordCommand(Workspace& ws, const RecorderDialogRunner& runDialog);
void RegisterRecordCommand(CommandRegistry& registry, RecorderDialogRunner runDialog);

}  // namespace sv
