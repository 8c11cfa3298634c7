#include "siblings/ToneGenerator.h"

#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "siblings/SiblingCommandLine.h"

namespace sv {

int RunToneGenerator(Workspace& ws, const SiblingOptions& options) {
    std::string command;
    if (!ReadMachineSiblingValue(ws.settings(), "Sinetta", "RunSinetta", command)) {
        if (ws.host().MessageBox(kToneMissingText, kToneMissingCaption, MsgIcon::Question, MsgButtons::YesNoCancel) ==
            MsgAnswer::Yes) {
            const std::string address = MakerPageAddress("sinetta/index");
            if (options.openPage) options.openPage(address);
            else OpenInBrowser(ws.host(), address);
        }
        return kTaskDone;
    }
    const std::vector<std::string> argv = SplitCommandLine(command);
    FunctionTask task("Sonvela", [&](LProgressTask& t) {
        return StartAndWait(t, argv, "Sinetta Generator", "Veuillez fermer Sinetta Generator", "pour poursuivre...",
                            options.waitLimitMs);
    });
    RunTask(ws.host(), task);
    return task.Result() == kTaskFailed ? kTaskFailed : kTaskDone;
}

}  // namespace sv
