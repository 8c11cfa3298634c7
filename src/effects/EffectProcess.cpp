#include "effects/EffectProcess.h"

#include "effects/EffectCommand.h"

namespace sv {

int RunEffectProcess(Workspace& ws, LEffectProcess& process) {
    if (!process.task) return kTaskFailed;
    return RunEditTask(ws, *process.task, process.undoName);
}

}  // namespace sv
