#pragma once
// The recent-files list kept in the "Recent" section: eleven slots, each a path
// ("RecentFile %d") and the time it was last used ("RecentFileDate%d", seconds since 1970).
// Plain C++ over Settings, so the rules are testable without a window.
#include "platform/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr int kRecentSlots = 11;

struct RecentEntry {
    int slot = 0;  // 1 to 11; its menu command is kCmdRecentFirst + slot - 1
    std::string path;
    std::int64_t date = 0;
};

// Records a use of path at time now: a listed path keeps its slot and gets the new date, a
// new one takes the first empty slot, else the slot used longest ago. Returns the slot.
int AddRecentFile(Settings& settings, const std::string& path, std::int64_t now);

// The non-empty slots, oldest first (slot order among equal dates), as the menu shows them.
std::vector<RecentEntry> RecentFilesByDate(const Settings& settings);

// The path in a slot; empty when the slot is empty or out of range.
std::string RecentPath(const Settings& settings, int slot);

// "&%d.%s": the position from 1 and the path, a path of more than 24 characters shortened
// to its first three characters, "...", "/" and the file name.
std::string RecentLabel(int position, const std::string& path);

}  // namespace sv
