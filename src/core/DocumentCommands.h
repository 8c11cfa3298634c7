#pragma once
// The File and Window commands on whole documents: new document, close, close all, and the
// question asked before the program ends.
#include <cstdint>

namespace sv {

class CommandRegistry;
class LAudioDocument;
class Workspace;

// Command 1001. Creates nothing when the format dialog is cancelled.
void NewDocumentCommand(Workspace& ws);
// The format dialog of the options ("Régler les Paramètres par Défaut"): stores the defaults.
bool DefaultFormatDialog(Workspace& ws);
// Document close: false when the user cancelled (or the save failed) and the document stays.
bool CloseDocument(Workspace& ws, LAudioDocument& doc);
// Command 5040: closes each document in turn; false when a prompt was cancelled.
bool CloseAllDocuments(Workspace& ws);
// Before the program ends: true when every document may go.
bool QueryClose(Workspace& ws);

void RegisterDocumentCommands(CommandRegistry& registry);

}  // namespace sv
