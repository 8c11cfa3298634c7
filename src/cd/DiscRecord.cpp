#include "cd/DiscRecord.h"

#include <cstdio>

namespace sv {

void CdDiscRecord::Clear() {
    const std::uint8_t drive = driveIndex;
    const bool cddb = useCddb;
    *this = CdDiscRecord();
    driveIndex = drive;
    useCddb = cddb;
}

std::string DefaultTrackTitle(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "Track %.2d", number);
    return text;
}

void AppendCapped(std::string& field, const std::string& text) {
    if (field.size() >= kCdTextChars) return;
    field.append(text, 0, kCdTextChars - field.size());
}

}  // namespace sv
