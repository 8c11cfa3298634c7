// CDDB server replies: match lines and database entries, each line as the socket reader
// delivers it (at most 259 characters), against a disc of 0 to 99 tracks. Every field must
// stay within its 259 bytes and no index may reach past the tracks.
#include "cd/CddbEntry.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    sv::CdDiscRecord disc;
    disc.tracks.resize(data[0] % 100);
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) disc.tracks[i].title = sv::DefaultTrackTitle(static_cast<int>(i) + 1);
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    sv::CddbEntryParser parser(disc);
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, std::min<std::size_t>(end - pos, sv::kCdTextChars));
        sv::CddbReplyCode(line);
        if (auto match = sv::ParseCddbMatch(line)) {
            if (match->category.size() > sv::kCdTextChars || match->title.size() > sv::kCdTextChars) std::abort();
        }
        parser.Feed(line);
        pos = end + 1;
    }
    parser.Finish();
    auto tooLong = [](const std::string& s) { return s.size() > sv::kCdTextChars; };
    if (tooLong(disc.albumTitle) || tooLong(disc.artist) || tooLong(disc.extended)) std::abort();
    for (const sv::CdTrackRecord& t : disc.tracks)
        if (tooLong(t.title) || tooLong(t.extended) || t.number < 0 || t.number > static_cast<int>(disc.tracks.size()))
            std::abort();
    return 0;
}
