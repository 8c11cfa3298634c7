#pragma once
// The project commands of the File menu: open (1013), close (1014), save (1015), save as (1016),
// and the question asked before the current project is left.
#include <string>

namespace sv {

class CommandRegistry;
class Workspace;

// Saves every open document and region to path under the progress dialog ("Enregistrement du
// Projet"): 0, 1 or 2.
int SaveProject(Workspace& ws, const std::string& path);
// Adds the documents and regions of path to those open, under the progress dialog ("Chargement
// du Projet"); the project path becomes path on success. 0, 1 or 2.
int LoadProject(Workspace& ws, const std::string& path);
// "Enregistrer les Modifications apportées à votre projet en cours?" when there is anything to
// save: false when the user cancelled or the save did not happen.
bool AskSaveCurrentProject(Workspace& ws);

void OpenProjectCommand(Workspace& ws);
void CloseProjectCommand(Workspace& ws);
void SaveProjectCommand(Workspace& ws);
// True when saved.
bool SaveProjectAsCommand(Workspace& ws);

void RegisterProjectCommands(CommandRegistry& registry);

}  // namespace sv
