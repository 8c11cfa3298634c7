#pragma once
// The programs outside the editor that it uses (coders, CD burner, tone program, speech
// engine, plug-ins): which are installed, and the Debian package of each that is missing.
// Also the texts of the Help menu's list (6020) and of the About box (9090).
#include <functional>
#include <string>
#include <vector>

namespace sv {

struct RelatedProgram {
    std::string role;       // what the editor does with it, as the user reads it
    std::string program;    // the command looked up in PATH
    std::string package;    // the Debian package that brings it; empty when none does
    bool installed = false;
};

// Each program of the list, looked up through found (ProgramAvailable by default).
std::vector<RelatedProgram> FindRelatedPrograms(std::function<bool(const std::string&)> found = nullptr);

// LV2 plug-in bundles (folders ending in ".lv2") in $LV2_PATH or the usual folders.
int CountLv2Bundles();

// "Programmes associés" text: the installed ones, then the missing ones with their packages
// and the apt command that installs them all.
std::string RelatedProgramsText(const std::vector<RelatedProgram>& programs, int lv2Bundles);

// The About box: name, version, and the components found.
std::string AboutText(const std::string& version, const std::vector<std::string>& libraries,
                      const std::vector<RelatedProgram>& programs);

}  // namespace sv
