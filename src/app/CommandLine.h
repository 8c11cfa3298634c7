#pragma once
// The command line's walk: file arguments and the switches that act on the active document.
// Pure logic over a set of actions, so that start-up and later hand-overs share it.
#include <functional>
#include <string>
#include <vector>

namespace sv {

struct CommandLineActions {
    // Opens a file into a window (or activates the one showing it); true when shown.
    std::function<bool(const std::string& path, bool* askRaw, bool* showErrors)> openFile;
    // Save and Save As without dialog of the active document; true when saved or when there
    // is no active document.
    std::function<bool()> save;
    std::function<bool(const std::string& path)> saveAs;
    std::function<void()> close;
    // Ends the program as if its window were closed; false when that was refused.
    std::function<bool()> exit;
    // Opens the batch converter's wizard.
    std::function<void()> batch;
};

struct CommandLineResult {
    bool handled = false;        // a file argument was processed (the splash is not wanted)
    bool failed = false;         // an open or a save failed
    bool exitRequested = false;  // "-exit" ended the program
};

// Walks args (the program path not included) left to right. Switches are compared without
// regard to case; "-saveas" takes the next argument (a missing one does nothing); "-exit"
// ends the walk. Other arguments are files: one with an extension is opened, one without is
// ignored, and a project (".svp") is left to the project reader. A run of files reports only
// its first failure and asks raw settings once. "-batch" opens the batch converter and ends the
// walk (a batch with its script, first on the line, runs without windows before this walk).
CommandLineResult ProcessCommandLine(const std::vector<std::string>& args, const CommandLineActions& actions);

}  // namespace sv
