#pragma once
// The launcher of the maker's separate programs. Each program's command is the value of its
// settings section "<program key>/Settings", read from the machine scope first, then the
// user's. The program is started from an argument vector (never a shell) and waited for under
// the progress dialog, which keeps the window responsive and whose Cancel stops the wait (the
// program runs on). Nothing is ever downloaded or installed from here.
#include <functional>
#include <string>
#include <vector>

namespace sv {

class ChildProcess;
class Host;
class LProgressTask;
class Settings;

constexpr int kSiblingWaitLimitMs = 3600000;

struct SiblingProgram {
    std::string programKey;    // "Burnvale"
    std::string commandValue;  // "CopyCD"
    std::string displayName;   // "Burnvale"
    std::string helpPage;      // "burn/index", on the maker's site
};

struct SiblingOptions {
    // Registers a program shipped with the editor when none is named; true when it did.
    std::function<bool(Settings&)> install;
    // Shows a page of the maker's site (xdg-open by default).
    std::function<void(const std::string& address)> openPage;
    int waitLimitMs = kSiblingWaitLimitMs;
};

std::string SiblingSection(const std::string& programKey);
// The stored command; false when neither scope holds one.
bool ReadSiblingCommand(const Settings& settings, const SiblingProgram& program, std::string& command);
// Only the machine's value (the tone generator is looked up there alone).
bool ReadMachineSiblingValue(const Settings& settings, const std::string& programKey, const std::string& value,
                             std::string& command);

// The maker's page for a help page name.
std::string MakerPageAddress(const std::string& helpPage);
// Opens the address in the desktop's browser, without waiting for it.
void OpenInBrowser(Host& host, const std::string& address);

// Runs the program's command with arguments in place of its "%s" and waits for it under a
// progress dialog titled "Run <display name>": 0 once it ended well (or the wait was given
// up), 2 when it is not named (after the download question), cannot start or fails.
int RunSiblingProgram(Host& host, Settings& settings, const SiblingProgram& program,
                      const std::vector<std::string>& arguments, const SiblingOptions& options = {});

// Starts argv and waits for it under task with the two texts: 0 ended with status 0 or the
// wait given up (limit or Cancel), 2 when it could not start or failed (after task.Error).
int StartAndWait(LProgressTask& task, const std::vector<std::string>& argv, const std::string& name,
                 const std::string& line0, const std::string& line1, int waitLimitMs);

}  // namespace sv
