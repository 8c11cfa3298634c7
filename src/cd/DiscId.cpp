#include "cd/DiscId.h"

#include <cstdio>

namespace sv {

namespace {

std::int64_t WholeSeconds(std::int32_t address) {
    return (static_cast<std::int64_t>(address) + kCddbSectorOffset) / kCdSectorsPerSecond;
}

int DigitSum(std::int64_t n) {
    if (n < 0) n = -n;
    int sum = 0;
    for (; n > 0; n /= 10) sum += static_cast<int>(n % 10);
    return sum;
}

}  // namespace

std::uint32_t CddbDiscId(const CdDiscRecord& disc) {
    if (disc.tracks.empty()) return 0;
    std::int64_t sum = 0;
    for (const CdTrackRecord& track : disc.tracks) sum += DigitSum(WholeSeconds(track.start));
    const std::int64_t length = WholeSeconds(disc.leadOut) - WholeSeconds(disc.tracks.front().start);
    return (static_cast<std::uint32_t>(sum % 255) << 24) | ((static_cast<std::uint32_t>(length) & 0xFFFF) << 8) |
           (static_cast<std::uint32_t>(disc.tracks.size()) & 0xFF);
}

std::string CddbDiscIdText(const CdDiscRecord& disc) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", CddbDiscId(disc));
    return text;
}

std::string CddbQueryLine(const CdDiscRecord& disc) {
    std::string line = "cddb query " + CddbDiscIdText(disc) + " " + std::to_string(disc.tracks.size()) + " ";
    for (const CdTrackRecord& track : disc.tracks)
        line += std::to_string(static_cast<std::int64_t>(track.start) + kCddbSectorOffset) + " ";
    line += std::to_string(WholeSeconds(disc.leadOut)) + "\n";
    return line;
}

}  // namespace sv
