#pragma once
// Where GUI tests write their screenshots for a person to look at: the folder the build gives
// (SONVELA_SCREENSHOT_DIR), else a folder of this run's own.
#include <string>

namespace sv::test {

std::string ScreenshotPath(const std::string& name);

}  // namespace sv::test
