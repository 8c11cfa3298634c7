#pragma once
// One codec of the compressed-WAV codec layer: converts whole blocks of a stored format to
// and from 16-bit PCM. A block is blockBytes coded bytes holding blockFrames frames; simple
// formats (float, G.711) have one frame per block.
#include <cstdint>

namespace sv {

class AudioCodec {
public:
    AudioCodec(int channelCount, int bytesPerBlock, int framesPerBlock)
        : channels(channelCount), blockBytes(bytesPerBlock), blockFrames(framesPerBlock) {}
    virtual ~AudioCodec() = default;
    AudioCodec(const AudioCodec&) = delete;
    AudioCodec& operator=(const AudioCodec&) = delete;

    // Forgets the state carried from block to block (before a seek).
    virtual void Restart() {}
    // blocks * blockBytes bytes into blocks * blockFrames * channels samples.
    virtual void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) = 0;
    virtual void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) = 0;

    const int channels;
    const int blockBytes;
    const int blockFrames;
};

inline std::int16_t ClampInt16(std::int32_t v) {
    return static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

}  // namespace sv
