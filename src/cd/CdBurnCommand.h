#pragma once
// "Copier Zone(s) vers le CD..." of the region list: the name check, the dialog
// "LCDAudioBurnDlg", then the burn of the chosen regions (at most 99, one track each, in list
// order) under the progress dialog "Burn Audio CD", by our own writer or the system's
// burning program.
#include "cd/OwnCdWriter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace sv {

class CdDriveSource;
class Workspace;

// The burn's surroundings, which tests replace: the burning program and the drive waits.
struct CdBurnSetup {
    std::string program;  // empty: DefaultBurnProgram()
    CdWriterTiming timing;
};

// 0 burnt, 1 stopped before the burn (a refused name or count, the dialog cancelled) or
// cancelled during it, 2 failed.
int CopyRegionsToCd(Workspace& ws, const std::vector<std::size_t>& indices, CdDriveSource& drives,
                    const CdBurnSetup& setup = {});

}  // namespace sv
