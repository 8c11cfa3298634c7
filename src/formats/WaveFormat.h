#pragma once
// WAVEFORMATEX: the wave format record that a WAV file's "fmt " chunk and WavCodec.wff store,
// with its cbSize extra bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

enum WaveFormatTag : std::uint16_t {
    kWaveFormatPcm = 1,
    kWaveFormatMsAdpcm = 2,
    kWaveFormatIeeeFloat = 3,
    kWaveFormatAlaw = 6,
    kWaveFormatMulaw = 7,
    kWaveFormatImaAdpcm = 0x11,
    kWaveFormatGsm610 = 0x31,
    kWaveFormatExtensible = 0xFFFE,
};

struct WAVEFORMATEX {
    std::uint16_t formatTag = kWaveFormatPcm;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 44100;
    std::uint32_t avgBytesPerSec = 88200;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::vector<std::uint8_t> extra;  // cbSize bytes

    std::uint16_t CbSize() const { return static_cast<std::uint16_t>(extra.size()); }
    // The 18 + cbSize bytes as stored.
    std::vector<std::uint8_t> Serialize() const;
    // From size stored bytes (at least 16); fewer than 18 means cbSize 0. Extra bytes that the
    // record claims but size does not hold are taken as far as they go.
    static bool Parse(const std::uint8_t* bytes, std::size_t size, WAVEFORMATEX& out);
    bool operator==(const WAVEFORMATEX& o) const;
    bool operator!=(const WAVEFORMATEX& o) const { return !(*this == o); }
};

// PCM with the given container width in bits (8, 16, 24 or 32).
WAVEFORMATEX MakePcmFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits);

// For WAVE_FORMAT_EXTENSIBLE: the sub-format's own tag (the first two bytes of its GUID, the
// rest being the standard suffix), or 0 when the record carries no recognisable sub-format.
std::uint16_t ExtensibleSubFormat(const WAVEFORMATEX& format);
// The 22 extra bytes of an extensible record for a sub-format tag.
std::vector<std::uint8_t> MakeExtensibleExtra(std::uint16_t validBits, std::uint32_t channelMask, std::uint16_t subTag);

// A short description for the format chooser: "PCM 16 bits, 44100 Hz, Stéréo".
std::string DescribeFormat(const WAVEFORMATEX& format);

}  // namespace sv
