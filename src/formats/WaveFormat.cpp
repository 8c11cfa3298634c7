#include "formats/WaveFormat.h"

#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace sv {

namespace {
// KSDATAFORMAT_SUBTYPE_* GUIDs share this suffix after their first four bytes.
const std::uint8_t kGuidSuffix[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
}

std::vector<std::uint8_t> WAVEFORMATEX::Serialize() const {
    std::vector<std::uint8_t> out(18 + extra.size());
    PutLe16(&out[0], formatTag);
    PutLe16(&out[2], channels);
    PutLe32(&out[4], samplesPerSec);
    PutLe32(&out[8], avgBytesPerSec);
    PutLe16(&out[12], blockAlign);
    PutLe16(&out[14], bitsPerSample);
    PutLe16(&out[16], CbSize());
    std::copy(extra.begin(), extra.end(), out.begin() + 18);
    return out;
}

bool WAVEFORMATEX::Parse(const std::uint8_t* bytes, std::size_t size, WAVEFORMATEX& out) {
    if (size < 16) return false;
    out.formatTag = GetLe16(bytes);
    out.channels = GetLe16(bytes + 2);
    out.samplesPerSec = GetLe32(bytes + 4);
    out.avgBytesPerSec = GetLe32(bytes + 8);
    out.blockAlign = GetLe16(bytes + 12);
    out.bitsPerSample = GetLe16(bytes + 14);
    out.extra.clear();
    if (size >= 18) {
        std::size_t cb = std::min<std::size_t>(GetLe16(bytes + 16), size - 18);
        out.extra.assign(bytes + 18, bytes + 18 + cb);
    }
    return true;
}

bool WAVEFORMATEX::operator==(const WAVEFORMATEX& o) const {
    return formatTag == o.formatTag && channels == o.channels && samplesPerSec == o.samplesPerSec &&
           avgBytesPerSec == o.avgBytesPerSec && blockAlign == o.blockAlign && bitsPerSample == o.bitsPerSample &&
           extra == o.extra;
}

WAVEFORMATEX MakePcmFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    WAVEFORMATEX f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<std::uint16_t>((bits + 7) / 8 * channels);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

std::uint16_t ExtensibleSubFormat(const WAVEFORMATEX& format) {
    if (format.formatTag != kWaveFormatExtensible || format.extra.size() < 22) return 0;
    const std::uint8_t* guid = format.extra.data() + 6;
    if (std::memcmp(guid + 4, kGuidSuffix, sizeof kGuidSuffix) != 0 || guid[2] != 0 || guid[3] != 0) return 0;
    return GetLe16(guid);
}

std::vector<std::uint8_t> MakeExtensibleExtra(std::uint16_t validBits, std::uint32_t channelMask, std::uint16_t subTag) {
    std::vector<std::uint8_t> e(22, 0);
    PutLe16(&e[0], validBits);
    PutLe32(&e[2], channelMask);
    PutLe16(&e[6], subTag);
    std::memcpy(&e[10], kGuidSuffix, sizeof kGuidSuffix);
    return e;
}

std::string DescribeFormat(const WAVEFORMATEX& f) {
    std::string name;
    switch (f.formatTag) {
    case kWaveFormatPcm: name = "PCM " + std::to_string(f.bitsPerSample) + " bits"; break;
    case kWaveFormatIeeeFloat: name = "IEEE Float " + std::to_string(f.bitsPerSample) + " bits"; break;
    case kWaveFormatAlaw: name = "CCITT A-Law"; break;
    case kWaveFormatMulaw: name = "CCITT u-Law"; break;
    case kWaveFormatImaAdpcm: name = "IMA ADPCM"; break;
    case kWaveFormatMsAdpcm: name = "Microsoft ADPCM"; break;
    case kWaveFormatGsm610: name = "GSM 6.10"; break;
    case kWaveFormatExtensible: name = "Extensible " + std::to_string(f.bitsPerSample) + " bits"; break;
    default: name = "Format " + std::to_string(f.formatTag); break;
    }
    std::string ch = f.channels == 1 ? "Mono" : f.channels == 2 ? "Stéréo" : std::to_string(f.channels) + " canaux";
    return name + ", " + std::to_string(f.samplesPerSec) + " Hz, " + ch;
}

}  // namespace sv
