#pragma once
// "Réglages" on a batch command: the command's own parameter dialog, filled from the entry's
// settings bytes (or the stored defaults), and on OK the accepted values as new bytes.
#include "batch/BatchRows.h"

namespace sv {

class Workspace;

// True when the dialog was accepted and entry.settings now hold its values; false for Cancel
// and for the rows that have no settings.
bool EditBatchEntry(Workspace& ws, LBatchEntry& entry);

}  // namespace sv
