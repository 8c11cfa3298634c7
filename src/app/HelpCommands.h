#pragma once
// The Help menu: the user guide (6000), the related programs (6020), the About box (9090).
#include <functional>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;

struct HelpServices {
    std::string version;                 // the program's version
    std::vector<std::string> libraries;  // components linked in, with their versions
    // Starts a program detached (xdg-open); false when it cannot be started.
    std::function<bool(const std::vector<std::string>& argv)> launch;
    // The guide's page, empty when it was not shipped.
    std::function<std::string()> guidePath;
    // The related programs as found now.
    std::function<bool(const std::string& program)> programFound;
};

// The shipped guide: beside the program (../share/sonvela/guide/index.html), else under
// /usr/local/share or /usr/share; empty when none exists.
std::string FindUserGuide(const std::string& programPath);

void RegisterHelpCommands(CommandRegistry& registry, HelpServices services);

}  // namespace sv
