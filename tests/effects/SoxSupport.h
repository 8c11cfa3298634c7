#pragma once
// Plain 16-bit PCM WAV files written and read by the sox cross-checks themselves, so that a
// comparison depends on nothing of ours.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sv::test {

// The 44-byte header of a plain WAV file (format 1 PCM, 3 float), written here so the checks
// depend on nothing of ours.
inline void WriteWavHeader(std::ostream& f, std::uint16_t format, int channels, int rate, int bits, std::uint32_t bytes) {
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) f.put(static_cast<char>(v >> (8 * i))); };
    auto u16 = [&](std::uint16_t v) { f.put(static_cast<char>(v)); f.put(static_cast<char>(v >> 8)); };
    const int align = channels * bits / 8;
    f.write("RIFF", 4); u32(36 + bytes); f.write("WAVEfmt ", 8); u32(16); u16(format);
    u16(static_cast<std::uint16_t>(channels)); u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * align)); u16(static_cast<std::uint16_t>(align)); u16(static_cast<std::uint16_t>(bits));
    f.write("data", 4); u32(bytes);
}

// A plain 16-bit PCM WAV file.
inline void WriteWav16(const std::string& path, const std::vector<std::int16_t>& samples, int channels, int rate) {
    std::ofstream f(path, std::ios::binary);
    WriteWavHeader(f, 1, channels, rate, 16, static_cast<std::uint32_t>(samples.size() * 2));
    for (std::int16_t s : samples) {
        f.put(static_cast<char>(s));
        f.put(static_cast<char>(static_cast<std::uint16_t>(s) >> 8));
    }
}

inline std::vector<std::int16_t> ReadWav16(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(all[at]) | static_cast<unsigned char>(all[at + 1]) << 8 |
                                          static_cast<unsigned char>(all[at + 2]) << 16 | static_cast<unsigned char>(all[at + 3]) << 24);
    };
    std::vector<std::int16_t> out;
    for (std::size_t at = 12; at + 8 <= all.size();) {
        const std::uint32_t size = u32(at + 4);
        if (std::string(&all[at], 4) == "data") {
            for (std::size_t i = at + 8; i + 1 < all.size() && i < at + 8 + size; i += 2)
                out.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(all[i]) | static_cast<unsigned char>(all[i + 1]) << 8));
            break;
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

inline bool HaveSox() { return std::system("sox --version > /dev/null 2>&1") == 0; }

}  // namespace sv::test
