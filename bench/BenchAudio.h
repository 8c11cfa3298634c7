#pragma once
// Material the benchmarks share: canonical WAV headers for the files handed to sox, stereo
// 16-bit tables repeated to any length (as a reader and as a WAV file) and timed shell commands.
#include "core/AudioReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv::bench {

// The 44 bytes before the samples of a canonical WAV file: format 1 (PCM) or 3 (float).
std::string WavHeader(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                      std::uint32_t frames);

// A 16-bit stereo WAV file of frames frames, the interleaved table repeated; returns path (a
// file that could not be made is left for the command reading it to fail on).
std::string WriteTableWav(const std::string& path, const std::vector<std::int16_t>& table, std::int32_t rate,
                          std::int32_t frames);

// The same material as internal samples: the stereo table repeated for frames frames, zeros
// before and after. The table must outlive the reader.
class TableReader : public LAudioReader {
public:
    TableReader(const std::vector<std::int16_t>& table, std::int32_t rate, std::int32_t frames);
    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frames_; }
    void Seek(std::int32_t p) override { position_ = p; }

private:
    const std::vector<std::int16_t>& table_;
    std::int32_t frames_;
    std::int32_t position_ = 0;
};

// Runs a shell command: its wall seconds, or -1 when it failed; the CPU seconds of the child in
// childCpu.
double TimedCommand(const std::string& command, double* childCpu = nullptr);

}  // namespace sv::bench
