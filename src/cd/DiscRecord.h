#pragma once
// What the import dialog knows of the disc in the chosen drive: the table of contents and
// what the CDDB lookup added. Text fields hold at most 259 bytes, the size of their fields in
// the stored form.
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::size_t kCdTextChars = 259;
constexpr int kMaxCdTracks = 99;
constexpr int kCdFramesPerSector = 588;
constexpr int kCdSectorBytes = 2352;
constexpr int kCdSectorsPerSecond = 75;
// The two-second pregap CDDB counts in front of the first sector.
constexpr int kCddbSectorOffset = 150;

struct CdTrackRecord {
    std::int32_t duration = 0;  // whole seconds
    std::string title;          // "Track %.2d" until CDDB names it
    std::int32_t number = 0;    // 1-based, set when a TTITLE line names this track
    std::int32_t start = 0;     // first sector
    std::int32_t end = 0;       // first sector of the next track or of the lead-out
    std::string extended;       // EXTT
    bool data = false;          // a data track: listed, never ripped as audio
};

struct CddbMatch {
    std::string category;
    std::string discId;
    std::string title;
};

struct CdDiscRecord {
    std::uint8_t driveIndex = 0;
    bool useCddb = true;
    std::string albumTitle;
    std::string artist;
    std::string category;
    std::int32_t year = 0;
    std::string extended;  // EXTD
    std::vector<CdTrackRecord> tracks;
    std::int32_t leadOut = 0;
    // Every match of an inexact CDDB answer; the one read is named by category.
    std::vector<CddbMatch> matches;

    int TrackCount() const { return static_cast<int>(tracks.size()); }
    // Back to an empty record for the same drive and switch.
    void Clear();
};

// "Track %.2d".
std::string DefaultTrackTitle(int number);
// Appends text to field, keeping the field within 259 bytes.
void AppendCapped(std::string& field, const std::string& text);

}  // namespace sv
