#pragma once
// Components: the coder programs found through the settings. Each is named by a short name;
// its path is the value "Path" of the section "Components/<name>", read from the machine scope
// first, then the user's. The project ships adapters for every component beside the editor
// (in "components/" next to the binary), which call Debian's coders; they are registered in
// the user scope at start unless an installer or the user named other programs.
#include <string>
#include <vector>

namespace sv {

class Host;
class Settings;

// The section that holds name's path.
std::string ComponentSection(const std::string& name);

// False when the component is named in neither scope (or settings is null).
bool ComponentPath(const Settings* settings, const std::string& name, std::string& path);

// 0 when the component and every Debian program its shipped adapter calls are present;
// otherwise 2 after a message (when host is set) that names what is missing and the Debian
// package providing it. Nothing is ever downloaded or installed from here.
int EnsureComponent(Host* host, const Settings* settings, const std::string& name);
// The message EnsureComponent would show; empty when the component is present.
std::string MissingComponentText(const Settings* settings, const std::string& name);

// The folder of the shipped adapters: "components" beside the running program.
std::string ShippedComponentsFolder();

// Writes the shipped adapter's path for every component that neither scope names, or whose
// named program no longer exists. The count registered.
int RegisterShippedComponents(Settings& settings, const std::string& folder = ShippedComponentsFolder());

struct ComponentNeeds {
    const char* name;
    std::vector<const char*> programs;  // what the shipped adapter runs
    const char* package;                // the Debian package(s) providing them
};
// Every component with what its adapter needs; null for an unknown name.
const ComponentNeeds* FindComponentNeeds(const std::string& name);

}  // namespace sv
