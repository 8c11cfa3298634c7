#pragma once
// Starts a desktop helper (xdg-open, xdg-email) from an argument vector, never a shell. The
// helper is given a while to finish so that its exit status can be judged; one that is still
// running then (a mail client holding the composer open) is left to run and reaped on its own.
#include <string>
#include <vector>

namespace sv {

enum class LaunchResult { Started, NotFound, Failed };

LaunchResult LaunchDesktopProgram(const std::vector<std::string>& argv, int judgeMs = 5000);

}  // namespace sv
