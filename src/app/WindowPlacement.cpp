#include "app/WindowPlacement.h"

#include <string>

namespace sv {

namespace {
const char* const kSection = "MainWindow";
}

WindowPlacement LoadMainWindowRect(const Settings& settings) {
    WindowPlacement p;
    const WindowRect def;
    p.rect.x = settings.ReadIntSetting(kSection, "X", def.x);
    p.rect.y = settings.ReadIntSetting(kSection, "Y", def.y);
    p.rect.width = settings.ReadIntSetting(kSection, "Width", def.width);
    p.rect.height = settings.ReadIntSetting(kSection, "Height", def.height);
    p.maximized = settings.ReadIntSetting(kSection, "Maximized", 1) != 0;
    // A hand-edited or clipped-away size would give a window nobody can see or grab.
    if (p.rect.width < 1 || p.rect.height < 1) {
        p.rect.width = def.width;
        p.rect.height = def.height;
    }
    return p;
}

void SaveMainWindowRect(Settings& settings, WindowShowState state, const WindowRect& rect, int workAreaRight) {
    if (state == WindowShowState::Minimized) return;
    if (state == WindowShowState::Maximized) {
        settings.WriteUserSetting(kSection, "Maximized", "1");
        return;
    }
    long long width = rect.width;
    if (rect.x + width > workAreaRight) width = static_cast<long long>(workAreaRight) - rect.x;
    settings.WriteUserSetting(kSection, "Maximized", "0");
    settings.WriteIntUserSetting(kSection, "X", rect.x);
    settings.WriteIntUserSetting(kSection, "Y", rect.y);
    settings.WriteUserSetting(kSection, "Width", std::to_string(width));
    settings.WriteIntUserSetting(kSection, "Height", rect.height);
}

}  // namespace sv
