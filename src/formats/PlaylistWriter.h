#pragma once
// LPlaylistWriter: the writer of the ".m3u", ".pls", ".wpl" and ".rss" files. The sound goes
// through the MP3 encoder into a file beside the target (its name with ".mp3"); once the
// encoder has ended well, the MP3 takes its name and the target receives its playlist text.
// The target is opened when the writer is made, so that a folder one cannot write to fails the
// save at once instead of leaving a playlist silently missing.
#include "core/AudioWriter.h"
#include "formats/PlaylistText.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>

namespace sv {

class LProgressTask;
class Settings;

std::string PlaylistMp3Path(const std::string& target);

class LPlaylistWriter : public LAudioWriter {
public:
    // path is where the text goes; target the name the file has once saved (the same unless the
    // save writes a stand-in first), which gives the title and the MP3's name.
    LPlaylistWriter(PlaylistKind kind, const std::string& path, const std::string& target, std::int32_t rate,
                    std::uint8_t channels, const Settings* settings, LProgressTask* task);
    ~LPlaylistWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    void Truncate(std::int32_t frame) override;

protected:
    bool DoFinish() override;

private:
    void Discard();

    PlaylistKind kind_;
    std::string path_;
    std::string target_;
    std::string root_;
    std::string mp3Path_;
    std::string mp3Partial_;  // what the encoder writes until it has ended well
    UniqueFd text_;
    bool createdPath_ = false;
    Ref<LAudioWriter> mp3_;
};

// The writer for kind; an LErrorWriter saying why when the MP3 encoder is missing or the target
// cannot be created.
Ref<LAudioWriter> CreatePlaylistWriter(PlaylistKind kind, const std::string& path, std::int32_t rate,
                                       std::uint8_t channels, const Settings* settings, LProgressTask* task = nullptr,
                                       const std::string& target = {});

}  // namespace sv
