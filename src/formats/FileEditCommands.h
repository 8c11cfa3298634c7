#pragma once
// The Edit commands that read or write sound files: mix a file (2008), insert a file at the
// start, the cursor or the end (2018 to 2020), save the selection (2028), and paste or paste
// mix from the desktop's clipboard (2025, 2026), whose WAV data passes through files in the
// working folder. Also the rendering of the document clipboard as WAV bytes for the desktop.
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class Host;
class LAudioData;
class LProgressTask;
class Settings;
class Workspace;

// Loads a sound file of any format the open table serves into sound (rate and channels of the
// file) under a running task; 0 done, 1 cancelled, 2 failed (the reason shown by the open
// table's message, or through the task).
int LoadSoundFile(LProgressTask& task, Workspace& ws, const std::string& path, LAudioData& sound);
// Runs LoadSoundFile under the task "Chargement du Fichier Source Audio"; true when loaded.
bool LoadSoundFileTask(Workspace& ws, const std::string& path, LAudioData& sound);
// Writes sound to path through the save table (WAV in the stored save format); 0 done,
// 1 cancelled, 2 failed. A cancelled or failed save leaves an existing file as it was. The
// settings name the coder programs and hold the formats' options; null: their defaults.
int SaveSoundFile(LProgressTask& task, Host& host, const LAudioData& sound, const std::string& path,
                  Settings* settings = nullptr);

// The document clipboard as the bytes of a WAV file, written through "_clipboard.wav" in the
// working folder (deleted afterwards) under the task "Sauvegarde dans le presse-papiers".
// Empty when it could not be made.
std::vector<std::uint8_t> RenderClipboardWave(Workspace& ws);
// The desktop clipboard's WAV data as a sound, read through "clipboard.wav" in the working
// folder. False when the clipboard holds no WAV data or it could not be read.
bool ReadSystemClipboard(Workspace& ws, LAudioData& sound);

void MixFileCommand(Workspace& ws);
// position: 0 the start, 1 the cursor, 2 the end.
void InsertFileCommand(Workspace& ws, int position);
void SaveSelectionCommand(Workspace& ws);
void PasteSystemCommand(Workspace& ws);
void PasteMixSystemCommand(Workspace& ws);

void RegisterFileEditCommands(CommandRegistry& registry);

}  // namespace sv
