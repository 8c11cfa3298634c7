// File names and the typed root address end up in the playlists and the feed: whatever their
// bytes, the XML files keep their own markup only and the playlists their own lines.
#include "formats/PlaylistText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::size_t Count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    sv::PlaylistEntry e;
    const std::size_t a = text.find('\0');
    const std::size_t b = a == std::string::npos ? a : text.find('\0', a + 1);
    e.title = text.substr(0, a);
    if (a != std::string::npos) e.root = text.substr(a + 1, b == std::string::npos ? b : b - a - 1);
    if (b != std::string::npos) e.mp3Name = text.substr(b + 1);
    e.seconds = static_cast<std::int64_t>(size) * 7;
    e.mp3Bytes = static_cast<std::int64_t>(size);

    const sv::PlaylistEntry empty;
    for (sv::PlaylistKind kind : {sv::PlaylistKind::WPL, sv::PlaylistKind::RSS}) {
        const std::string out = sv::PlaylistText(kind, e), bare = sv::PlaylistText(kind, empty);
        for (const char* mark : {"<", ">", "\"", "\r\n"})
            if (Count(out, mark) != Count(bare, mark)) std::abort();
    }
    for (sv::PlaylistKind kind : {sv::PlaylistKind::M3U, sv::PlaylistKind::PLS}) {
        const std::string out = sv::PlaylistText(kind, e);
        if (Count(out, "\n") != Count(sv::PlaylistText(kind, empty), "\n")) std::abort();
        if (Count(out, "\r") != Count(out, "\n")) std::abort();
    }
    return 0;
}
