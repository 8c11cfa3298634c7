#include "app/RecentFiles.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace sv {

namespace {

const char* const kSection = "Recent";

std::string PathName(int slot) { return "RecentFile " + std::to_string(slot); }
std::string DateName(int slot) { return "RecentFileDate" + std::to_string(slot); }

std::int64_t ReadDate(const Settings& settings, int slot, std::int64_t def) {
    std::string text = settings.ReadUserSetting(kSection, DateName(slot), "");
    if (text.empty()) return def;
    errno = 0;
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    return errno == ERANGE ? def : static_cast<std::int64_t>(v);
}

// Counts characters, not bytes, so that a name in UTF-8 is never cut inside a character.
std::size_t CharCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string FirstChars(const std::string& s, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count) return s.substr(0, i);
            ++seen;
        }
    }
    return s;
}

}  // namespace

int AddRecentFile(Settings& settings, const std::string& path, std::int64_t now) {
    if (path.empty()) return 0;
    int chosen = 0;
    int empty = 0;
    int oldest = 0;
    std::int64_t oldestDate = 0;
    // The whole list is searched before an empty slot is taken: a slot emptied earlier must
    // not give a listed file a second entry.
    for (int n = 1; n <= kRecentSlots; ++n) {
        std::string listed = settings.ReadUserSetting(kSection, PathName(n), "");
        // Exact comparison: names that differ only in case are different files here.
        if (listed == path) {
            chosen = n;
            break;
        }
        if (listed.empty()) {
            if (empty == 0) empty = n;
            continue;
        }
        std::int64_t date = ReadDate(settings, n, now);
        if (oldest == 0 || date < oldestDate) {
            oldest = n;
            oldestDate = date;
        }
    }
    if (chosen == 0) {
        chosen = empty != 0 ? empty : oldest;
        settings.WriteUserSetting(kSection, PathName(chosen), path);
    }
    settings.WriteUserSetting(kSection, DateName(chosen), std::to_string(now));
    return chosen;
}

std::vector<RecentEntry> RecentFilesByDate(const Settings& settings) {
    std::vector<RecentEntry> entries;
    for (int n = 1; n <= kRecentSlots; ++n) {
        std::string path = settings.ReadUserSetting(kSection, PathName(n), "");
        if (!path.empty()) entries.push_back({n, path, ReadDate(settings, n, 0)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RecentEntry& a, const RecentEntry& b) { return a.date < b.date; });
    return entries;
}

std::string RecentPath(const Settings& settings, int slot) {
    if (slot < 1 || slot > kRecentSlots) return {};
    return settings.ReadUserSetting(kSection, PathName(slot), "");
}

std::string RecentLabel(int position, const std::string& path) {
    std::string shown = path;
    if (CharCount(path) > 24) shown = FirstChars(path, 3) + ".../" + FileNamePart(path);
    return "&" + std::to_string(position) + "." + shown;
}

}  // namespace sv
