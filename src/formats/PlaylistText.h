#pragma once
// The text files of the playlist formats: the one-entry ".m3u", ".pls" and ".wpl" playlists and
// the ".rss" podcast feed that point at the MP3 file saved beside them.
#include <cstdint>
#include <string>

namespace sv {

enum class PlaylistKind { M3U, PLS, WPL, RSS };

// The kind of an extension (lower case, with its dot); false for any other extension.
bool PlaylistKindOf(const std::string& extension, PlaylistKind& kind);

struct PlaylistEntry {
    std::string title;    // the target's name without folder and extension
    std::string root;     // the root address as stored
    std::string mp3Name;  // the MP3 file's name without folder
    std::int64_t seconds = 0;
    std::int64_t mp3Bytes = 0;
};

// The root address with its closing "/" (none added to an empty root).
std::string RootWithSlash(const std::string& root);
// Where the entry points: the root with its "/", then the MP3 name. Under a root the name is
// percent-encoded, being part of a web address; alone it stays the relative file name.
std::string PlaylistAddress(const std::string& root, const std::string& mp3Name);

// "&", "<", ">", quotes escaped for XML text and attributes.
std::string XmlEscape(const std::string& text);
// Every byte outside the unreserved set of web addresses as %XX.
std::string PercentEncode(const std::string& text);

// The file's whole content, CR LF line ends.
std::string PlaylistText(PlaylistKind kind, const PlaylistEntry& entry);

}  // namespace sv
