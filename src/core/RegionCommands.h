#pragma once
// Adding regions (8004), what the region list (8000) does with its lines, and joining regions
// into a new document (8005). Saving and exporting regions go through the file dispatch
// (formats/RegionExport.h).
#include <cstddef>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class LAudioDocument;
class Workspace;

// Command 8004 "Ajouter Zone" on the active document's selection.
void AddRegionCommand(Workspace& ws);
// "%s@%s-%s": the document title and the time texts of the selection's start and end.
std::string DefaultRegionName(const LAudioDocument& doc);

// Double click: the open document of the region's title becomes active with the region's
// stretch selected; played when "PlayRegion" is set.
void GoToRegion(Workspace& ws, std::size_t index);
// "Jouer la Zone": the region's own sound, from its start.
void PlayRegion(Workspace& ws, std::size_t index);
// "Renommer Zone": false after a refusal (an empty name, or one another region has).
bool RenameRegion(Workspace& ws, std::size_t index, const std::string& name);
// A line dragged to another place.
void MoveRegion(Workspace& ws, std::size_t from, std::size_t to);
// "Copier Zone vers Nouveau Dossier".
void CopyRegionToNewDocument(Workspace& ws, std::size_t index);
// "Supprimer Zone(s)" and "Supprimer toutes les Zones", each after a Yes.
void DeleteRegions(Workspace& ws, const std::vector<std::size_t>& indices);
void DeleteAllRegions(Workspace& ws);

// The options of the join dialog ("Option d'Assemblage"): stores AutoGap and AutoGapTime.
bool JoinOptionsDialog(Workspace& ws);
// Joins the regions in the given order into a new modified document, with AutoGapTime ms of
// silence between them when AutoGap is set; a region of another rate or channel count is
// converted to the first one's. 0 done, 1 cancelled, 2 failed (no document then).
int JoinRegions(Workspace& ws, const std::vector<std::size_t>& order);

void RegisterRegionCommands(CommandRegistry& registry);

}  // namespace sv
