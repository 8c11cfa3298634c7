#pragma once
// "Plugiciels VST..." (4020) and "Effets DirectX..." (4019, the LV2 effects here): pick a
// plug-in, set it up, preview it and run it over the selection with the undo names
// "VST Effects" / "DirectX Effects" and the progress titles of the plug-in hosts.
#include "core/DialogSpec.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class VstPlugin;
class Workspace;

// "Settings" "VSTFolder" (default empty): where the VST 2 plug-ins are looked for. When it is
// empty the system's folders (/usr/lib/vst, /usr/local/lib/vst, ~/.vst) are listed.
extern const char* const kVstFolderKey;

// Opens the plug-in's own editor window (opcode 14) and returns once it is closed; set by the
// GUI. Without it the settings dialog offers no editor button.
extern std::function<void(Workspace&, VstPlugin&)> gOpenVstEditor;

// The folders listed when "VSTFolder" is empty.
std::vector<std::string> DefaultVstFolders();

struct Lv2PluginInfo;
// The controls dialog of an LV2 plug-in, one field per control input made from its range
// (a check box for a toggle), and the values read back from it.
DialogSpec Lv2ControlsDialog(const Lv2PluginInfo& info, const std::map<std::string, float>& values);
std::map<std::string, float> Lv2ControlValues(const Lv2PluginInfo& info, const DialogSpec& s);

void VstCommand(Workspace& ws);  // 4020
void Lv2Command(Workspace& ws);  // 4019

void RegisterPluginCommands(CommandRegistry& registry);

}  // namespace sv
