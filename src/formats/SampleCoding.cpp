#include "formats/SampleCoding.h"

#include "formats/G711.h"

namespace sv {

namespace {

std::int32_t PcmValue(const std::uint8_t* p, int width, bool bigEndian) {
    std::uint32_t u = 0;
    for (int i = 0; i < width; ++i) {
        const std::uint32_t byte = p[bigEndian ? i : width - 1 - i];
        u = (u << 8) | byte;
    }
    const int unused = 32 - 8 * width;
    return static_cast<std::int32_t>(u << unused) >> unused;  // sign-extended
}

// The same scaling as the WAV reader's, so every PCM source has the same internal values.
std::int32_t PcmToInternalValue(std::int32_t s, int width) {
    switch (width) {
    case 1: return s * 4096;
    case 2: return s * 16;
    case 3: return s >> 4;
    default: return static_cast<std::int32_t>((static_cast<std::int64_t>(s) + 0x800) >> 12);
    }
}

std::uint32_t InternalToPcmValue(std::int32_t x, int width) {
    switch (width) {
    case 1: return static_cast<std::uint32_t>((static_cast<std::int64_t>(x) + 0x800) >> 12);
    case 2: return static_cast<std::uint32_t>((static_cast<std::int64_t>(x) + 8) >> 4);
    case 3: return static_cast<std::uint32_t>(x) * 16u;
    default: return static_cast<std::uint32_t>(x) * 4096u;
    }
}

}  // namespace

void DecodeSamples(const SampleCoding& coding, const std::uint8_t* src, std::size_t count, std::int32_t* dst) {
    switch (coding.kind) {
    case SampleCoding::Kind::Mulaw:
        for (std::size_t i = 0; i < count; ++i) dst[i] = MulawByteToInternal(src[i]);
        return;
    case SampleCoding::Kind::Alaw:
        for (std::size_t i = 0; i < count; ++i) dst[i] = AlawByteToInternal(src[i]);
        return;
    case SampleCoding::Kind::Pcm: break;
    }
    const int w = coding.width;
    if (w == 1) {
        const int offset = coding.unsigned8 ? 128 : 0;
        for (std::size_t i = 0; i < count; ++i)
            dst[i] = ((coding.unsigned8 ? static_cast<int>(src[i]) : static_cast<std::int8_t>(src[i])) - offset) * 4096;
        return;
    }
    if (w == 2) {
        const int hi = coding.bigEndian ? 0 : 1;
        for (std::size_t i = 0; i < count; ++i, src += 2)
            dst[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((src[hi] << 8) | src[1 - hi])) * 16;
        return;
    }
    for (std::size_t i = 0; i < count; ++i, src += w) dst[i] = PcmToInternalValue(PcmValue(src, w, coding.bigEndian), w);
}

void EncodeSamples(const SampleCoding& coding, const std::int32_t* src, std::size_t count, std::uint8_t* dst) {
    switch (coding.kind) {
    case SampleCoding::Kind::Mulaw:
        for (std::size_t i = 0; i < count; ++i) dst[i] = InternalToMulawByte(src[i]);
        return;
    case SampleCoding::Kind::Alaw:
        for (std::size_t i = 0; i < count; ++i) dst[i] = InternalToAlawByte(src[i]);
        return;
    case SampleCoding::Kind::Pcm: break;
    }
    const int w = coding.width;
    for (std::size_t i = 0; i < count; ++i, dst += w) {
        std::uint32_t v = InternalToPcmValue(src[i], w);
        if (w == 1 && coding.unsigned8) v += 128;
        for (int b = 0; b < w; ++b) dst[coding.bigEndian ? w - 1 - b : b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
}

}  // namespace sv
