#pragma once
// The byte codings of the headerless, AU and AIFF files: G.711 and PCM of 1 to 4 bytes in
// either byte order, each sample on its own bytes. Internal samples as everywhere (a 16-bit
// value s is s * 16); encoding does not clip.
#include <cstddef>
#include <cstdint>

namespace sv {

struct SampleCoding {
    enum class Kind : std::uint8_t { Mulaw, Alaw, Pcm };
    Kind kind = Kind::Pcm;
    int width = 2;             // bytes per sample
    bool bigEndian = false;
    bool unsigned8 = false;    // 8-bit PCM centred on 128

    static SampleCoding Mulaw() { return {Kind::Mulaw, 1, false, false}; }
    static SampleCoding Alaw() { return {Kind::Alaw, 1, false, false}; }
    static SampleCoding Pcm(int width, bool bigEndian, bool unsigned8 = false) {
        return {Kind::Pcm, width, bigEndian, unsigned8};
    }
};

void DecodeSamples(const SampleCoding& coding, const std::uint8_t* src, std::size_t count, std::int32_t* dst);
void EncodeSamples(const SampleCoding& coding, const std::int32_t* src, std::size_t count, std::uint8_t* dst);

}  // namespace sv
