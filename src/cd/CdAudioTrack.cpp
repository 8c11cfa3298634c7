#include "cd/CdAudioTrack.h"

#include "cd/MmcCommands.h"
#include "core/BlockReader.h"
#include "formats/ConversionChain.h"

#include <algorithm>

namespace sv {

namespace {

std::int32_t FramesAtCdRate(const LAudioData& sound) {
    if (sound.sampleRate <= 0) return 0;
    const std::int64_t frames = static_cast<std::int64_t>(sound.Length()) * kCdRate / sound.sampleRate;
    return static_cast<std::int32_t>(std::min<std::int64_t>(frames, INT32_MAX - kCdFramesPerSector));
}

std::int32_t SectorsFor(std::int32_t frames) {
    const std::int32_t sectors = (frames + kCdFramesPerSector - 1) / kCdFramesPerSector;
    return std::max(sectors, kCdMinTrackSectors);
}

std::int16_t ClipTo16(std::int32_t x) {
    const std::int64_t v = (static_cast<std::int64_t>(x) + 8) >> 4;
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, INT16_MIN, INT16_MAX));
}

}  // namespace

std::int32_t CdTrackSectors(const LAudioData& sound) { return SectorsFor(FramesAtCdRate(sound)); }

CdAudioTrack::CdAudioTrack(const LAudioData& sound)
    : reader_(ConvertReader(LBlockReader::Create(sound), kCdRate, 2)),
      soundFrames_(FramesAtCdRate(sound)),
      sectors_(SectorsFor(soundFrames_)) {
    // The converter knows its own length; what lies beyond is silence anyway.
    soundFrames_ = std::min(soundFrames_, reader_->Length());
}

void CdAudioTrack::ReadFrames(std::int32_t* dst, std::int32_t frames) {
    frames = std::clamp(frames, 0, std::min(kMaxFramesPerCall, Frames() - position_));
    const std::int32_t real = std::clamp(soundFrames_ - position_, 0, frames);
    if (real > 0) reader_->Read(dst, real);
    std::fill(dst + static_cast<std::size_t>(real) * 2, dst + static_cast<std::size_t>(frames) * 2, 0);
    position_ += frames;
}

void CdAudioTrack::ReadSectors(std::uint8_t* dst, std::int32_t count) {
    std::int32_t frames = count * kCdFramesPerSector;
    while (frames > 0) {
        const std::int32_t piece = std::min({frames, kMaxFramesPerCall, Frames() - position_});
        if (piece <= 0) break;
        samples_.resize(static_cast<std::size_t>(piece) * 2);
        ReadFrames(samples_.data(), piece);
        for (std::int32_t i = 0; i < piece * 2; ++i) {
            const auto v = static_cast<std::uint16_t>(ClipTo16(samples_[static_cast<std::size_t>(i)]));
            *dst++ = static_cast<std::uint8_t>(v);
            *dst++ = static_cast<std::uint8_t>(v >> 8);
        }
        frames -= piece;
    }
    std::fill(dst, dst + static_cast<std::size_t>(frames) * 4, 0);
}

}  // namespace sv
