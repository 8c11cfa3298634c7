#pragma once
// One batch command applied to the whole of a working document, through the same dialog-free
// entries the menu commands use after their dialogs. Its tasks run under the workspace's Host,
// which in a batch shows them inside the batch's own progress dialog.
#include "batch/BatchRows.h"

#include <string>

namespace sv {

class LAudioDocument;
class Workspace;

// Runs entry (its settings or the stored defaults, checked against the dialogs' limits) over
// all of doc: 0 done, 1 cancelled, 2 failed with the reason in error. No undo step is opened.
int RunBatchRow(Workspace& ws, LAudioDocument& doc, const LBatchEntry& entry, std::string& error);

// Rows 10, 11, 15 and 19, which run the dynamics effects (BatchDynamicsRows.cpp).
int RunDynamicsBatchRow(Workspace& ws, LAudioDocument& doc, std::uint32_t row, const BatchParams& params,
                        std::string& error);

}  // namespace sv
