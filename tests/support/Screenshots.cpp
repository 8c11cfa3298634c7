#include "support/Screenshots.h"

#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <cstdlib>

namespace sv::test {

std::string ScreenshotPath(const std::string& name) {
    const char* dir = std::getenv("SONVELA_SCREENSHOT_DIR");
    static TempFolder fallback;
    std::string folder = dir && *dir ? dir : fallback.path();
    EnsureFolder(folder);
    return JoinPath(folder, name);
}

}  // namespace sv::test
