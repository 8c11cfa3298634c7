#pragma once
// The tone generator (7002): a separate program whose complete command line is the machine's
// value "RunSinetta" of "Sinetta/Settings" (the user's scope is not consulted). The editor
// waits for it under the progress dialog.
#include "siblings/SiblingLauncher.h"

namespace sv {

class Workspace;

constexpr const char kToneMissingText[] =
    "Le plugiciel gratuit Sinetta Generator est nécessaire à la création d'ambiances. Voulez vous le télécharger "
    "maintenant?";
constexpr const char kToneMissingCaption[] = "Sinetta Generator est Exigé";

// 0 when the program ran (or is not installed, after the question), 2 when it could not start
// or failed.
int RunToneGenerator(Workspace& ws, const SiblingOptions& options);

}  // namespace sv
