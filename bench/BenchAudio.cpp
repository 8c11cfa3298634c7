#include "BenchAudio.h"

#include "Bench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sv::bench {

namespace {

void PutLe(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string WavHeader(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                      std::uint32_t frames) {
    const std::uint32_t align = channels * bits / 8u;
    std::string h = "RIFF";
    PutLe(h, 36 + frames * align, 4);
    h += "WAVEfmt ";
    PutLe(h, 16, 4);
    PutLe(h, format, 2);
    PutLe(h, channels, 2);
    PutLe(h, rate, 4);
    PutLe(h, rate * align, 4);
    PutLe(h, align, 2);
    PutLe(h, bits, 2);
    h += "data";
    PutLe(h, frames * align, 4);
    return h;
}

std::string WriteTableWav(const std::string& path, const std::vector<std::int16_t>& table, std::int32_t rate,
                          std::int32_t frames) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    const std::string header = WavHeader(1, 2, static_cast<std::uint32_t>(rate), 16, static_cast<std::uint32_t>(frames));
    std::fwrite(header.data(), 1, header.size(), f);
    const std::int32_t tableFrames = static_cast<std::int32_t>(table.size() / 2);
    for (std::int32_t done = 0; done < frames; done += tableFrames)
        std::fwrite(table.data(), sizeof(std::int16_t) * 2, static_cast<std::size_t>(std::min(tableFrames, frames - done)), f);
    std::fclose(f);
    return path;
}

TableReader::TableReader(const std::vector<std::int16_t>& table, std::int32_t rate, std::int32_t frames)
    : table_(table), frames_(frames) {
    channels = 2;
    sampleRate = rate;
}

void TableReader::Read(std::int32_t* dst, std::int32_t frames) {
    const std::int32_t tableFrames = static_cast<std::int32_t>(table_.size() / 2);
    for (std::int32_t i = 0; i < frames; ++i, ++position_) {
        const bool inside = position_ >= 0 && position_ < frames_;
        const std::size_t at = inside ? 2 * static_cast<std::size_t>(position_ % tableFrames) : 0;
        dst[2 * i] = inside ? table_[at] * 16 : 0;
        dst[2 * i + 1] = inside ? table_[at + 1] * 16 : 0;
    }
}

double TimedCommand(const std::string& command, double* childCpu) {
    const double c0 = ChildCpuSeconds();
    const double t0 = NowSeconds();
    const int rc = std::system(command.c_str());
    const double wall = NowSeconds() - t0;
    if (childCpu) *childCpu = ChildCpuSeconds() - c0;
    return rc == 0 ? wall : -1.0;
}

}  // namespace sv::bench
