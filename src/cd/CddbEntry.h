#pragma once
// The parts of a CDDB conversation that read the server's words: reply codes, match lines and
// the lines of a database entry. Every field is bounds-checked and held within 259 bytes;
// track-indexed lines name an existing track (0 <= index < track count) or are ignored.
#include "cd/DiscRecord.h"

#include <optional>
#include <string>

namespace sv {

// The leading three-digit code of a reply line; -1 when there is none.
int CddbReplyCode(const std::string& line);
// "<category> <discid> <title...>" (a match line, or a 200 reply after its code).
std::optional<CddbMatch> ParseCddbMatch(const std::string& text);
// The album title as a file name keeps it: without < > " * . / \ : ? |, without bytes below
// 0x20 or above 0x7F, at most 259 characters.
std::string CleanCddbAlbumTitle(const std::string& text);

// Applies the lines of one database entry to a disc record. Lines that repeat a key continue
// its text, as the format splits long values; DTITLE is split into artist and album at Finish.
class CddbEntryParser {
public:
    explicit CddbEntryParser(CdDiscRecord& disc) : disc_(disc), titled_(disc.tracks.size(), false) {}
    void Feed(const std::string& line);
    void Finish();

private:
    // The track index of "<key><digits>=", or -1 when the line does not name a track.
    int TrackIndex(const std::string& line, std::size_t keyLength) const;

    CdDiscRecord& disc_;
    std::vector<bool> titled_;
    std::string discTitle_;
    bool extendedSeen_ = false;
};

}  // namespace sv
