#pragma once
// Where the main window opens: the "MainWindow" section (X, Y, Width, Height, Maximized),
// read at start and written at exit. Plain C++ over Settings; the frame applies it.
#include "platform/Settings.h"

namespace sv {

struct WindowRect {
    int x = 160;
    int y = 80;
    int width = 740;
    int height = 627;
};

struct WindowPlacement {
    WindowRect rect;  // the restored rectangle, also when maximised
    bool maximized = true;
};

enum class WindowShowState { Normal, Maximized, Minimized };

WindowPlacement LoadMainWindowRect(const Settings& settings);

// Maximised writes only "Maximized" = "1"; minimised writes nothing; otherwise "Maximized" =
// "0" and the rectangle, its right edge first pulled back to workAreaRight when beyond it.
void SaveMainWindowRect(Settings& settings, WindowShowState state, const WindowRect& rect, int workAreaRight);

}  // namespace sv
