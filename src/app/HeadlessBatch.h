#pragma once
// The process entry's batch run: the settings files and the working folder of the editor,
// but no window and no display.
#include <string>
#include <vector>

namespace sv {

// Runs "-batch SCRIPT FILES... [-dest DIR] [-format EXT]" when args ask for it and sets
// *status to the exit status; false when args are not such a run.
bool RunHeadlessBatch(const std::vector<std::string>& args, const std::string& startDir, int* status);

}  // namespace sv
