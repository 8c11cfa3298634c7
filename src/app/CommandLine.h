#pragma once
// The command line's walk: file arguments and the switches that act on the frame and the
// active document. Pure logic over a set of actions, so that start-up and later hand-overs
// share it.
#include <functional>
#include <string>
#include <vector>

namespace sv {

struct CommandLineActions {
    // Opens a file into a window (or activates the one showing it); true when shown.
    std::function<bool(const std::string& path, bool* askRaw, bool* showErrors)> openFile;
    // Adds a project's documents and regions to those open; true when loaded.
    std::function<bool(const std::string& path)> openProject;
    // Save and Save As without dialog of the active document; true when saved or when there
    // is no active document.
    std::function<bool()> save;
    std::function<bool(const std::string& path)> saveAs;
    std::function<void()> close;
    // Ends the program as if its window were closed; false when that was refused.
    std::function<bool()> exit;
    std::function<void()> minimize;
    std::function<void()> maximize;
    std::function<void()> restore;
    // Gives the frame a client area of width x height pixels.
    std::function<void(int width, int height)> resizeClient;
    // "-batch": runs the batch script at path, or opens the batch converter when path is empty.
    std::function<void(const std::string& path)> batch;
};

struct CommandLineResult {
    bool handled = false;        // something was shown or arranged (the splash is not wanted)
    bool failed = false;         // an open or a save failed
    bool exitRequested = false;  // "-exit" ended the program
};

// Walks args (the program path not included) left to right; switches are compared without
// regard to case:
//   -block, -install      nothing here
//   -runedit              counts as handled
//   -save, -saveas PATH   the active document; "-saveas" without its argument does nothing
//   -close, -exit         "-exit" ends the walk
//   -minimize, -maximize, -restore, -window W H   the frame (W and H positive integers)
//   -batch [SCRIPT]       hands the next argument (empty when none) to the batch converter and
//                         ends the walk (a batch with its script first on the line runs
//                         without windows before this walk, see app/HeadlessBatch.h)
//   -list LISTFILE        opens each line of LISTFILE and ends the walk; an argument that is
//                         missing, begins with "-" or cannot be read is passed over
//   anything else         a file: ".svp" loads the project, another extension opens the file,
//                         no extension is ignored
// Only the frame switches, "-runedit" and opened files (not those of a list) count as handled.
// A run of files reports only its first failure and asks raw settings once.
CommandLineResult ProcessCommandLine(const std::vector<std::string>& args, const CommandLineActions& actions);

// The lines of a "-list" file, relative ones joined to the list's folder; false when it
// cannot be read.
bool ReadListFile(const std::string& path, std::vector<std::string>* files);

}  // namespace sv
