#include "formats/SampleConvert.h"

#include "core/TargetClones.h"

namespace sv {

// The 16-bit rows of every WAV open and save run here: their loops get an AVX2 build too.
SV_CLONES void PcmToInternal(const std::uint8_t* src, int width, std::size_t count, std::int32_t* dst) {
    switch (width) {
    case 1:
        for (std::size_t i = 0; i < count; ++i) dst[i] = (static_cast<std::int32_t>(src[i]) - 128) * 4096;
        break;
    case 2:
        for (std::size_t i = 0; i < count; ++i, src += 2) {
            auto s = static_cast<std::int16_t>(static_cast<std::uint16_t>(src[0] | (src[1] << 8)));
            dst[i] = static_cast<std::int32_t>(s) * 16;
        }
        break;
    case 3:
        for (std::size_t i = 0; i < count; ++i, src += 3) {
            std::uint32_t u = static_cast<std::uint32_t>(src[0]) | (static_cast<std::uint32_t>(src[1]) << 8) |
                              (static_cast<std::uint32_t>(src[2]) << 16);
            std::int32_t s = static_cast<std::int32_t>(u << 8) >> 8;  // sign-extend 24 bits
            dst[i] = s >> 4;
        }
        break;
    default:
        for (std::size_t i = 0; i < count; ++i, src += 4) {
            std::uint32_t u = static_cast<std::uint32_t>(src[0]) | (static_cast<std::uint32_t>(src[1]) << 8) |
                              (static_cast<std::uint32_t>(src[2]) << 16) | (static_cast<std::uint32_t>(src[3]) << 24);
            auto s = static_cast<std::int64_t>(static_cast<std::int32_t>(u));
            dst[i] = static_cast<std::int32_t>((s + 0x800) >> 12);
        }
        break;
    }
}

SV_CLONES void InternalToPcm(const std::int32_t* src, int width, std::size_t count, std::uint8_t* dst) {
    switch (width) {
    case 1:
        for (std::size_t i = 0; i < count; ++i)
            dst[i] = static_cast<std::uint8_t>(((static_cast<std::int64_t>(src[i]) + 0x800) >> 12) + 128);
        break;
    case 2:
        for (std::size_t i = 0; i < count; ++i, dst += 2) {
            auto v = static_cast<std::uint32_t>((static_cast<std::int64_t>(src[i]) + 8) >> 4);
            dst[0] = static_cast<std::uint8_t>(v);
            dst[1] = static_cast<std::uint8_t>(v >> 8);
        }
        break;
    case 3:
        for (std::size_t i = 0; i < count; ++i, dst += 3) {
            std::uint32_t v = static_cast<std::uint32_t>(src[i]) * 16u;
            dst[0] = static_cast<std::uint8_t>(v);
            dst[1] = static_cast<std::uint8_t>(v >> 8);
            dst[2] = static_cast<std::uint8_t>(v >> 16);
        }
        break;
    default:
        for (std::size_t i = 0; i < count; ++i, dst += 4) {
            std::uint32_t v = static_cast<std::uint32_t>(src[i]) * 4096u;
            dst[0] = static_cast<std::uint8_t>(v);
            dst[1] = static_cast<std::uint8_t>(v >> 8);
            dst[2] = static_cast<std::uint8_t>(v >> 16);
            dst[3] = static_cast<std::uint8_t>(v >> 24);
        }
        break;
    }
}

}  // namespace sv
