#include "formats/CoderProcess.h"

#include "core/ProgressTask.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <mutex>

namespace sv {

void IgnoreBrokenPipeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

int WaitUnderTask(LProgressTask* task, ChildProcess& child) {
    if (!task) {
        while (!child.Wait(500)) {
        }
        return kTaskDone;
    }
    double f = 0.97;
    while (!child.Wait(50)) {
        if (task->Pump()) {
            child.Kill();
            return kTaskCancelled;
        }
        task->SetProgress(1.0 - f);
        f *= 0.99;
    }
    return kTaskDone;
}

std::string LogTail(const std::string& logPath) {
    std::ifstream in(logPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    constexpr std::size_t kMax = 400;
    if (text.size() > kMax) text = "..." + text.substr(text.size() - kMax);
    return text;
}

std::string CoderFailureText(const std::string& program, int exitCode, const std::string& logPath) {
    std::string text = "Le programme \"" + FileNamePart(program) + "\" a échoué" +
                       (exitCode >= 0 ? " (code " + std::to_string(exitCode) + ")." : " (arrêté par un signal).");
    std::string tail = logPath.empty() ? std::string() : LogTail(logPath);
    if (!tail.empty()) text += "\n\n" + tail;
    return text;
}

int RunHidden(LProgressTask& task, const std::vector<std::string>& argv, const std::string& output, std::string* why) {
    auto fail = [&](const std::string& text) {
        RemoveFile(output);
        if (why) *why = text;
        return static_cast<int>(kTaskFailed);
    };
    if (argv.empty()) return fail("Aucun programme.");
    // A file left from an earlier decode must not pass for this one's output.
    RemoveFile(output);
    PrivateTempFile log = PrivateTempFile::Create("coder", ".log");
    ChildProcess child;
    int err = 0;
    if (!child.Start(argv, log.Path(), &err))
        return fail("Le programme \"" + argv[0] + "\" n'a pas pu être démarré.");
    if (WaitUnderTask(&task, child) == kTaskCancelled) {
        RemoveFile(output);
        return kTaskCancelled;
    }
    if (child.ExitCode() != 0) return fail(CoderFailureText(argv[0], child.ExitCode(), log.Path()));
    if (FileSize(output) <= 0) return fail("Le programme \"" + FileNamePart(argv[0]) + "\" n'a rien produit.");
    return kTaskDone;
}

}  // namespace sv
