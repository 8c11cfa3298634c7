#pragma once
// The VST 2 plug-in's own editor (opcode 14) in a window of ours: the plug-in draws into a
// native X11 window that it is handed. Other platforms (Wayland, offscreen) cannot embed a
// foreign window, and the user is told so; the parameter list stays available there.
namespace sv {

class VstPlugin;
class Workspace;

// Shows the editor modally until the user closes it.
void OpenVstEditorWindow(Workspace& ws, VstPlugin& plugin);
// Makes the settings dialog offer the editor.
void InstallVstEditorWindow();

}  // namespace sv
