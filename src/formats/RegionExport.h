#pragma once
// Regions to files: "Enregistrer Zone..." for one region and "Exporter Zone(s) vers le
// Répertoire" (the export dialog "Exporter les Zones") for several, through the save table.
#include <cstddef>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class Workspace;

// Asks for a file name and saves the region's sound there; true when saved.
bool SaveRegionCommand(Workspace& ws, std::size_t index);
// The export dialog: folder ("ExportRegionFolder") and save format ("ExportRegionFormat", an
// index into the save filters); a missing folder is refused. When asked, the format's own
// settings dialog follows. True when accepted.
bool ExportRegionsDialog(Workspace& ws);
// Saves each region of indices, in list order, as "<folder>/<clean name>.<extension>" with the
// stored folder and format; stops at the first name that cannot be used, a file the user does
// not want replaced, or a failed save. The count of files written.
std::size_t ExportRegions(Workspace& ws, const std::vector<std::size_t>& indices);

}  // namespace sv
