#pragma once
// Copying all open files to CD (1012 "Audio", 1018 "Données"): the files' paths, in the
// document list's order, go in a private list file (one per line, CR LF) that the CD burning
// program reads; the file is deleted once the program has been waited for. Documents that are
// modified or were never saved are offered for saving first, since the burner reads the disk;
// those still unsaved are left out and named.
#include "siblings/SiblingLauncher.h"

#include <string>
#include <vector>

namespace sv {

class LAudioDocument;
class Settings;
class Workspace;

enum class BurnType { Audio, Data };

extern const SiblingProgram kBurnProgram;

constexpr const char kSaveBeforeBurnText[] =
    "Vous devez sauvegarder tous les fichiers de démarrage avant d'enregistrer sur CD.";
constexpr const char kSaveBeforeBurnCaption[] = "Enregistrement des fichiers exigé";

// The list file's content.
std::string BurnListText(const std::vector<std::string>& paths);

// The hand-over: 0 done, 1 abandoned by the user, 2 failed (after a message).
int CopyOpenFilesToCd(Workspace& ws, BurnType type, const SiblingOptions& options);

// The shipped adapter "sonvela-burn" beside the running program.
std::string ShippedBurnerPath();
// Names the shipped adapter as the burning program when neither scope names one and it
// exists; true when it did.
bool RegisterShippedBurner(Settings& settings, const std::string& adapter = ShippedBurnerPath());

}  // namespace sv
