#pragma once
// The File commands on files: Open (1002), Save (1004), Save As (1005) and Edit Audio Tags
// (1019), the conversions of rate and channels (1006 to 1008, ConvertCommands), and the
// workspace services: saving a document that closes, converting a pasted sound.
#include "core/Host.h"

#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class LAudioDocument;
class Workspace;

// Opens each picked file into a new document.
void OpenFilesCommand(Workspace& ws);
// Saves doc under its path (Save As when it has none), then writes its tags; true when saved.
bool SaveDocument(Workspace& ws, LAudioDocument& doc);
// Asks for a name and a WAV format, saves, writes the tags; true when saved.
bool SaveDocumentAsCommand(Workspace& ws, LAudioDocument& doc);

// Saves doc under path as Save As would after its dialog (the command line's "-saveas").
bool SaveDocumentTo(Workspace& ws, LAudioDocument& doc, const std::string& path);
// Opens path into a new document window, reporting through showErrors; true when opened.
bool OpenFileIntoWindow(Workspace& ws, const std::string& path, bool* askRaw, bool* showErrors);

// The filter lists of the open and save dialogs, in their order.
std::vector<FileFilter> OpenFilters();
std::vector<FileFilter> SaveFilters();

void RegisterFormatCommands(CommandRegistry& registry);
// Sets ws.saveDocument (answering "Yes" when a document closes saves it) and ws.convertSound
// (pasting or inserting a sound of another rate or channel count converts it).
void InstallFormatServices(Workspace& ws);

}  // namespace sv
