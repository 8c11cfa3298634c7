#pragma once
// Writing WAV files. LWavWriter writes PCM behind the fixed 46-byte header, whose sizes stay
// 0xFFFFFFFF (meaning "to the end of the file" for our reader) until Finish() rewrites them.
// Data beyond what a RIFF size can hold makes the file RF64: "RF64", a "ds64" chunk with the
// 64-bit sizes, then the same fmt and data chunks. A writer told the coming size (Reserve)
// keeps room for the ds64 chunk in a "JUNK" chunk from the start; one that only learns it at
// the end moves the data up to make the room.
// CreateWavWriter picks LWavWriter for PCM and LAcmWavWriter for any other format.
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::int64_t kPcmWavHeaderBytes = 46;
// The 46 bytes and a 36-byte chunk that holds the ds64 sizes (a "JUNK" one until needed).
constexpr std::int64_t kRf64WavHeaderBytes = 82;

// Data bytes above which a WAV file is written as RF64: what a RIFF size can hold, less room
// for the header and the tag chunks. Tests lower it to try the switch on small files.
std::int64_t Rf64Threshold();
void SetRf64Threshold(std::int64_t dataBytes);

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
    // Moves the data up by the ds64 room, last piece first, for a file that grew past the
    // threshold without a reservation.
    bool MakeRoomForDs64(std::int64_t dataBytes);

    std::string path_;
    BinaryFile file_;
    int width_;
    int blockAlign_;
    std::int64_t headerBytes_ = kPcmWavHeaderBytes;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sv
