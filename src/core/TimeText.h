#pragma once
// Frames and milliseconds, and the "h:mm:ss.hh" time text shown and typed in dialogs.
#include <cstdint>
#include <string>

namespace sv {

// False (ms untouched) for a rate of 0 or less. Results beyond int32 saturate.
bool FramesToMs(std::int32_t frames, std::int32_t rate, std::int32_t& ms);
std::int32_t FramesToMs(std::int32_t frames, std::int32_t rate);
std::int32_t MsToFrames(std::int32_t ms, std::int32_t rate);

// 3,602,345 ms -> "1:00:02.35" (hundredths rounded by adding 5 ms); negative times get a "-".
std::string FormatTimeText(std::int32_t ms);
// Lenient reader of what a user types: "1:00:02.35" -> 3,602,350, "90" -> 90,000.
// Characters other than digits, ':', '.' and '-' are ignored.
std::int32_t ParseTimeText(const std::string& text);

}  // namespace sv
