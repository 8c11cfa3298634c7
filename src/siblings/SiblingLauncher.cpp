#include "siblings/SiblingLauncher.h"

#include "core/Host.h"
#include "core/ProgressTask.h"
#include "formats/CoderProcess.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"
#include "platform/Settings.h"
#include "siblings/SiblingCommandLine.h"

#include <chrono>
#include <cstring>

namespace sv {

namespace {

bool NonEmpty(const std::optional<std::string>& v) { return v && !v->empty(); }

}  // namespace

std::string SiblingSection(const std::string& programKey) { return programKey + "/Settings"; }

bool ReadMachineSiblingValue(const Settings& settings, const std::string& programKey, const std::string& value,
                             std::string& command) {
    SettingsScope* machine = settings.MachineScope();
    if (!machine) return false;
    std::optional<std::string> v = machine->Get(SiblingSection(programKey), value);
    if (!NonEmpty(v)) return false;
    command = *v;
    return true;
}

bool ReadSiblingCommand(const Settings& settings, const SiblingProgram& program, std::string& command) {
    if (ReadMachineSiblingValue(settings, program.programKey, program.commandValue, command)) return true;
    std::optional<std::string> v = settings.UserScope().Get(SiblingSection(program.programKey), program.commandValue);
    if (!NonEmpty(v)) return false;
    command = *v;
    return true;
}

std::string MakerPageAddress(const std::string& helpPage) {
    return "https://www.quillon-acoustics.com/" + helpPage;
}

void OpenInBrowser(Host& host, const std::string& address) {
    if (!ProgramAvailable("xdg-open")) {
        host.MessageBox("Le programme \"xdg-open\" est introuvable : installez le paquet Debian \"xdg-utils\" "
                        "(sudo apt-get install xdg-utils), ou ouvrez " + address + ".",
                        "Sonvela", MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    ChildProcess browser;
    if (!browser.Start({"xdg-open", address})) return;
    // xdg-open usually hands over at once; a browser it runs itself is left to the user.
    if (!browser.Wait(2000)) browser.Detach();
}

int StartAndWait(LProgressTask& task, const std::vector<std::string>& argv, const std::string& name,
                 const std::string& line0, const std::string& line1, int waitLimitMs) {
    task.SetText(0, line0);
    task.SetText(1, line1);
    PrivateTempFile log = PrivateTempFile::Create("program", ".log");
    ChildProcess child;
    int err = 0;
    if (argv.empty() || !child.Start(argv, log.Path(), &err)) {
        task.Error("Le programme \"" + (argv.empty() ? name : argv[0]) + "\" n'a pas pu être démarré" +
                   (err ? std::string(" : ") + std::strerror(err) : std::string()) + ".");
        return kTaskFailed;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitLimitMs);
    while (!child.Wait(50)) {
        // Giving up the wait leaves the program running: ending a burn half-way spoils the disc.
        if (task.Pump() || std::chrono::steady_clock::now() >= until) {
            child.Detach();
            return kTaskDone;
        }
    }
    if (child.ExitCode() != 0) {
        task.Error(CoderFailureText(argv[0], child.ExitCode(), log.Path()));
        return kTaskFailed;
    }
    return kTaskDone;
}

int RunSiblingProgram(Host& host, Settings& settings, const SiblingProgram& program,
                      const std::vector<std::string>& arguments, const SiblingOptions& options) {
    std::string command;
    bool named = ReadSiblingCommand(settings, program, command);
    if (!named && options.install && options.install(settings)) named = ReadSiblingCommand(settings, program, command);
    if (!named) {
        MsgAnswer a = host.MessageBox("The free plugin \"" + program.displayName +
                                          "\" program is required. Do you want to download it now?",
                                      "Download Required", MsgIcon::Question, MsgButtons::YesNoCancel);
        if (a == MsgAnswer::Yes) {
            const std::string address = MakerPageAddress(program.helpPage);
            if (options.openPage) options.openPage(address);
            else OpenInBrowser(host, address);
        }
        return kTaskFailed;
    }
    const std::vector<std::string> argv = FormatSiblingCommand(command, arguments);
    FunctionTask task("Run " + program.displayName, [&](LProgressTask& t) {
        return StartAndWait(t, argv, program.displayName, "Please wait for " + program.displayName,
                            "to close to continue...", options.waitLimitMs);
    });
    RunTask(host, task);
    return task.Result() == kTaskFailed ? kTaskFailed : kTaskDone;
}

}  // namespace sv
