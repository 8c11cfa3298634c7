#include "app/HeadlessBatch.h"

#include "app/QtSettingsScope.h"
#include "batch/BatchCommandLine.h"
#include "core/BlockStore.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <csignal>
#include <cstdio>

namespace sv {

bool RunHeadlessBatch(const std::vector<std::string>& args, const std::string& startDir, int* status) {
    const auto cl = ParseBatchCommandLine(args, startDir);
    if (!cl) return false;
    // A coder program that dies mid-file is that file's failure, not the batch's end.
    std::signal(SIGPIPE, SIG_IGN);
    QtSettingsScope user(QtSettingsScope::Scope::User);
    QtSettingsScope machine(QtSettingsScope::Scope::Machine);
    Settings settings(user, &machine);
    EnsureFolder(UserDataHome());
    EnsureFolder(ProductDataFolder());
    BlockStore blocks(ChooseWorkingFolder(settings));
    if (!blocks.Usable()) {
        std::fprintf(stderr, "Le dossier de travail \"%s\" ne peut pas être créé.\n", blocks.WorkingFolder().c_str());
        *status = kBatchNotRun;
        return true;
    }
    *status = RunBatchCommandLine(*cl, settings, blocks, stdout, stderr);
    return true;
}

}  // namespace sv
