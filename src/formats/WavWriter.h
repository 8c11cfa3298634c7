#pragma once
// Writing WAV files. LWavWriter writes PCM behind the fixed 46-byte header, whose sizes stay
// 0xFFFFFFFF (meaning "to the end of the file" for our reader) until Finish() rewrites them.
// CreateWavWriter picks LWavWriter for PCM and LAcmWavWriter for any other format.
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::int64_t kPcmWavHeaderBytes = 46;

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

protected:
    bool DoFinish() override;

private:
    bool WriteHeader(std::uint32_t dataBytes, std::uint32_t riffBytes);

    std::string path_;
    BinaryFile file_;
    int width_;
    int blockAlign_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sv
