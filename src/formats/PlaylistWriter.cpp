#include "formats/PlaylistWriter.h"

#include "formats/CoderCommandLines.h"
#include "formats/Components.h"
#include "formats/EncoderSettings.h"
#include "formats/PipeWriter.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {

namespace {

constexpr char kMp3Component[] = "mp3el";

std::string WithoutExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string FolderWithSlash(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A fresh hidden name beside mp3Path for the encoder's output; empty when the folder refuses.
std::string ReservePartialName(const std::string& mp3Path, int* err) {
    std::string name = FileNamePart(mp3Path);
    name = name.substr(0, name.size() - 4);
    std::string pattern = FolderWithSlash(mp3Path) + "." + name + ".sonvela-XXXXXX.mp3";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemps(buffer.data(), 4);
    if (fd < 0) {
        *err = errno;
        return {};
    }
    ::close(fd);
    return buffer.data();
}

// A published file keeps the mode of the one it replaces, or gets the usual one.
void GiveUsualMode(const std::string& replaced, const std::string& path) {
    struct stat st {};
    if (::stat(replaced.c_str(), &st) == 0) {
        ::chmod(path.c_str(), st.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(path.c_str(), 0666 & ~mask);
}

std::string CannotCreateText(const std::string& path, int err) {
    return "Le fichier \"" + path + "\" n'a pas pu être créé : " + std::strerror(err) + ".";
}

}  // namespace

std::string PlaylistMp3Path(const std::string& target) { return WithoutExtension(target) + ".mp3"; }

LPlaylistWriter::LPlaylistWriter(PlaylistKind kind, const std::string& path, const std::string& target,
                                 std::int32_t rate, std::uint8_t channelCount, const Settings* settings,
                                 LProgressTask* task)
    : kind_(kind), path_(path), target_(target.empty() ? path : target), mp3Path_(PlaylistMp3Path(target_)) {
    sampleRate = rate;
    channels = channelCount;
    if (settings) root_ = settings->ReadSetting("RSSEncode", "RootURL");

    createdPath_ = !FileExists(path_);
    text_ = UniqueFd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!text_.valid()) {
        createdPath_ = false;
        Fail(CannotCreateText(path_, errno));
        return;
    }
    std::string encoder;
    if (!ComponentPath(settings, kMp3Component, encoder)) {
        Fail(MissingComponentText(settings, kMp3Component));
        return;
    }
    int err = 0;
    mp3Partial_ = ReservePartialName(mp3Path_, &err);
    if (mp3Partial_.empty()) {
        Fail(CannotCreateText(mp3Path_, err));
        return;
    }
    const std::uint8_t mp3Channels = std::clamp<std::uint8_t>(channelCount, 1, 2);
    EncoderCommand c = Mp3Command(encoder, mp3Partial_, rate, mp3Channels, Mp3EncoderSettings::Load(settings));
    mp3_ = MakeRef<LPipeWriter>(c.argv, mp3Partial_, c.rate, c.channels, task);
    sampleRate = mp3_->sampleRate;
    channels = mp3_->channels;
    if (mp3_->error) Fail(mp3_->errorText);
}

LPlaylistWriter::~LPlaylistWriter() {
    Finish();
    Discard();
}

void LPlaylistWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (error || frames <= 0) return;
    mp3_->Write(src, frames);
    if (mp3_->error) {
        Fail(mp3_->errorText);
        return;
    }
    framesWritten += frames;
}

void LPlaylistWriter::Truncate(std::int32_t frame) {
    if (error) return;
    mp3_->Truncate(frame);
    if (mp3_->error) Fail(mp3_->errorText);
    else framesWritten = frame;
}

// What a failed save leaves: nothing of its own, the files it would have replaced untouched.
void LPlaylistWriter::Discard() {
    if (!error) return;
    mp3_ = nullptr;  // ends an encoder still running
    if (!mp3Partial_.empty()) RemoveFile(mp3Partial_);
    mp3Partial_.clear();
    text_.Reset();
    if (createdPath_) RemoveFile(path_);
    createdPath_ = false;
}

bool LPlaylistWriter::DoFinish() {
    if (error) return false;
    // The encoder's end and status come first: a feed must not point at a file that failed.
    if (!mp3_->Finish()) {
        Fail(mp3_->errorText);
        return false;
    }
    mp3_ = nullptr;
    GiveUsualMode(mp3Path_, mp3Partial_);
    if (std::rename(mp3Partial_.c_str(), mp3Path_.c_str()) != 0) {
        Fail(CannotCreateText(mp3Path_, errno));
        return false;
    }
    mp3Partial_.clear();

    PlaylistEntry entry;
    entry.title = FileNamePart(WithoutExtension(target_));
    entry.root = root_;
    entry.mp3Name = FileNamePart(mp3Path_);
    entry.seconds = sampleRate > 0 ? framesWritten / sampleRate : 0;
    entry.mp3Bytes = FileSize(mp3Path_);
    const std::string text = PlaylistText(kind_, entry);
    if (::ftruncate(text_.get(), 0) != 0 || !WriteAll(text_.get(), text.data(), text.size()) ||
        ::fsync(text_.get()) != 0 || !text_.Reset()) {
        Fail(CannotCreateText(path_, errno));
        return false;
    }
    createdPath_ = false;
    return true;
}

Ref<LAudioWriter> CreatePlaylistWriter(PlaylistKind kind, const std::string& path, std::int32_t rate,
                                       std::uint8_t channels, const Settings* settings, LProgressTask* task,
                                       const std::string& target) {
    Ref<LPlaylistWriter> writer = MakeRef<LPlaylistWriter>(kind, path, target, rate, channels, settings, task);
    if (!writer->error) return writer;
    return MakeRef<LErrorWriter>(writer->errorText);
}

}  // namespace sv
