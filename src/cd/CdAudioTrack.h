#pragma once
// One region as a track of CD audio: its sound converted to 44100 Hz stereo, then silence up
// to a whole number of sectors (588 frames) and at least the 4 s the standard asks of a track.
// It hands out internal samples (for a WAV file) or 16-bit little-endian sectors (for the
// drive), a piece at a time, so that a track of any length costs one buffer.
#include "cd/DiscRecord.h"
#include "core/AudioData.h"
#include "core/AudioReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::int32_t kCdRate = 44100;
constexpr int kCdBytesPerSector = kCdSectorBytes;

struct CdBurnTrack {
    LAudioData sound;
    std::string name;
};

class CdAudioTrack {
public:
    explicit CdAudioTrack(const LAudioData& sound);

    // The sound's own frames at 44100 Hz, and the track's, padding included.
    std::int32_t SoundFrames() const { return soundFrames_; }
    std::int32_t Sectors() const { return sectors_; }
    std::int32_t Frames() const { return sectors_ * kCdFramesPerSector; }
    std::int32_t Position() const { return position_; }

    // The next frames (at most kMaxFramesPerCall, not past the end) as internal stereo samples.
    void ReadFrames(std::int32_t* dst, std::int32_t frames);
    // The next count sectors as CD audio bytes, samples beyond 16 bits clipped.
    void ReadSectors(std::uint8_t* dst, std::int32_t count);

private:
    Ref<LAudioReader> reader_;
    std::int32_t soundFrames_ = 0;
    std::int32_t sectors_ = 0;
    std::int32_t position_ = 0;
    std::vector<std::int32_t> samples_;
};

// The sectors a track of this sound takes.
std::int32_t CdTrackSectors(const LAudioData& sound);

}  // namespace sv
