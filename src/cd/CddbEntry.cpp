#include "cd/CddbEntry.h"

#include "platform/Settings.h"

#include <cstring>

namespace sv {

namespace {

bool StartsWith(const std::string& line, const char* key) { return line.compare(0, std::strlen(key), key) == 0; }

// The text after the first "="; empty when there is none.
std::string ValueOf(const std::string& line) {
    std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string NextWord(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::size_t start = pos;
    while (pos < text.size() && text[pos] != ' ') ++pos;
    return text.substr(start, pos - start);
}

std::string Capped(std::string text) {
    if (text.size() > kCdTextChars) text.resize(kCdTextChars);
    return text;
}

}  // namespace

int CddbReplyCode(const std::string& line) {
    if (line.size() < 3) return -1;
    for (int i = 0; i < 3; ++i)
        if (line[i] < '0' || line[i] > '9') return -1;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::optional<CddbMatch> ParseCddbMatch(const std::string& text) {
    std::size_t pos = 0;
    CddbMatch match;
    match.category = Capped(NextWord(text, pos));
    match.discId = Capped(NextWord(text, pos));
    if (match.category.empty() || match.discId.empty()) return std::nullopt;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    match.title = Capped(text.substr(pos));
    return match;
}

std::string CleanCddbAlbumTitle(const std::string& text) {
    std::string clean;
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7F || std::strchr("<>\"*./\\:?|", c)) continue;
        clean.push_back(static_cast<char>(c));
        if (clean.size() == kCdTextChars) break;
    }
    return clean;
}

int CddbEntryParser::TrackIndex(const std::string& line, std::size_t keyLength) const {
    std::size_t pos = keyLength;
    if (pos >= line.size() || line[pos] < '0' || line[pos] > '9') return -1;
    long index = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        index = index * 10 + (line[pos] - '0');
        if (index > kMaxCdTracks) return -1;
        ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') return -1;
    return index < disc_.TrackCount() ? static_cast<int>(index) : -1;
}

void CddbEntryParser::Feed(const std::string& line) {
    if (StartsWith(line, "DTITLE=")) {
        AppendCapped(discTitle_, ValueOf(line));
    } else if (StartsWith(line, "TTITLE")) {
        int index = TrackIndex(line, 6);
        if (index < 0) return;
        CdTrackRecord& track = disc_.tracks[static_cast<std::size_t>(index)];
        if (!titled_[static_cast<std::size_t>(index)]) {
            track.title.clear();
            titled_[static_cast<std::size_t>(index)] = true;
        }
        track.number = index + 1;
        AppendCapped(track.title, ValueOf(line));
    } else if (StartsWith(line, "EXTD=")) {
        if (!extendedSeen_) disc_.extended.clear();
        extendedSeen_ = true;
        AppendCapped(disc_.extended, ValueOf(line));
        std::size_t year = line.find("YEAR");
        if (year != std::string::npos && year + 6 < line.size()) disc_.year = ParseIntLenient(line.substr(year + 6));
    } else if (StartsWith(line, "EXTT")) {
        int index = TrackIndex(line, 4);
        if (index >= 0) AppendCapped(disc_.tracks[static_cast<std::size_t>(index)].extended, ValueOf(line));
    }
}

void CddbEntryParser::Finish() {
    std::size_t split = discTitle_.find(" / ");
    if (split == std::string::npos) {
        disc_.albumTitle = discTitle_;
        return;
    }
    disc_.artist = discTitle_.substr(0, split);
    disc_.albumTitle = CleanCddbAlbumTitle(discTitle_.substr(split + 3));
}

}  // namespace sv
