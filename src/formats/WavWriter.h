#pragma once
// Writing WAV files. LWavWriter writes PCM behind the fixed 46-byte header, whose sizes stay
// 0xFFFFFFFF (meaning "to the end of the file" for our reader) until Finish() rewrites them.
// Data beyond what a RIFF size can hold makes the file RF64 (WavFormHead.h), the ds64 chunk
// taking 36 bytes between the form header and the fmt chunk.
// CreateWavWriter picks LWavWriter for PCM and LAcmWavWriter for any other format.
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"
#include "formats/WavFormHead.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::int64_t kPcmWavHeaderBytes = 46;
// The 46 bytes and the room for the ds64 sizes.
constexpr std::int64_t kRf64WavHeaderBytes = kPcmWavHeaderBytes + kDs64ChunkBytes;

Ref<LAudioWriter> CreateWavWriter(const std::string& path, const WAVEFORMATEX& format);
// The PCM writer of a fixed format (44100 Hz, 2 channels, 2 bytes for audio CD work, say).
Ref<LAudioWriter> CreatePcmWavWriter(const std::string& path, std::int32_t rate, std::uint8_t channels,
                                     int bytesPerSample);

class LWavWriter : public LAudioWriter {
public:
    LWavWriter(const std::string& path, std::int32_t rate, std::uint8_t channelCount, int bytesPerSample);
    ~LWavWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    void Truncate(std::int32_t frame) override;
    void Reserve(std::int64_t frames) override;

protected:
    bool DoFinish() override;

private:
    // The header for dataBytes of data; -1 while open (sizes 0xFFFFFFFF).
    bool WriteHeader(std::int64_t dataBytes);

    std::string path_;
    BinaryFile file_;
    int width_;
    int blockAlign_;
    std::int64_t headerBytes_ = kPcmWavHeaderBytes;
};

}  // namespace sv
