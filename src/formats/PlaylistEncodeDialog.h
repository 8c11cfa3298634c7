#pragma once
// LPlaylistEncodeDlg: the root address under which the MP3 of a playlist or feed is published
// ("RootURL" in "RSSEncode"), one field of up to 259 characters.
#include "core/DialogSpec.h"
#include "formats/PlaylistText.h"

namespace sv {

class Host;
class Settings;

constexpr const char kRssEncodeSection[] = "RSSEncode";
constexpr const char kRootUrlValue[] = "RootURL";
constexpr std::size_t kRootUrlMaxLength = 259;

DialogSpec PlaylistEncodeDialog(PlaylistKind kind, const std::string& rootUrl);
// Shows the dialog with the stored address and stores the accepted one; true on OK.
bool ShowPlaylistEncodeDialog(Host& host, Settings* settings, PlaylistKind kind);

}  // namespace sv
