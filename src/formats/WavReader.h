#pragma once
// Reading WAV files (RIFF and RF64): OpenWavReader walks the chunks and hands back an LWavReader for PCM
// (also PCM inside WAVE_FORMAT_EXTENSIBLE), an LAcmWavReader for any other format, or an
// LErrorReader (3 corrupt, 4 cannot open). Readers stream from the file; nothing is held in
// memory beyond one 8192-frame conversion buffer.
#include "core/AudioReader.h"
#include "formats/BinaryFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

Ref<LAudioReader> OpenWavReader(const std::string& path);

class LWavReader : public LAudioReader {
public:
    // file stands at dataStart; dataBytes is the byte count of the data chunk, as far as the
    // file holds it.
    LWavReader(BinaryFile file, int width, std::uint8_t channelCount, std::int32_t rate, std::int64_t dataBytes);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frameCount_; }
    void Seek(std::int32_t position) override { position_ = position; }

    int Width() const { return width_; }

private:
    BinaryFile file_;
    int width_;
    int frameSize_;
    std::int64_t dataStart_;
    std::int32_t frameCount_ = 0;
    std::int32_t position_ = 0;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sv
