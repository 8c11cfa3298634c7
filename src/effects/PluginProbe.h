#pragma once
// Trying a plug-in where its crash cannot hurt: the work runs in a forked child that reports
// a text back through a pipe. A child that crashes, hangs past the time budget or reports
// nothing makes the probe fail; the editor goes on.
#include <functional>
#include <optional>
#include <string>

namespace sv {

// The text work returned in the child; nothing (with the reason in *why) when the child
// crashed, timed out or the work gave nothing (an empty optional from it).
std::optional<std::string> ProbeInChild(const std::function<std::optional<std::string>()>& work, int timeoutMs,
                                        std::string* why);

}  // namespace sv
