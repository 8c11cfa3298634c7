#include "formats/RiffWalk.h"

#include "formats/ByteOrder.h"

#include <cstdint>
#include <cstring>

namespace sv {

bool ChunkHeader::Is(const char* fourCc) const { return std::memcmp(id, fourCc, 4) == 0; }

bool FindWaveHeader(BinaryFile& file, bool* rf64) {
    std::uint8_t head[12];
    if (file.Read(head, 12) != 12) return false;
    auto isForm = [&head] { return (IsFourCc(head, "RIFF") || IsFourCc(head, "RF64")) && IsFourCc(head + 8, "WAVE"); };
    while (!isForm()) {
        std::uint64_t size = GetLe32(head + 4);
        size = (size + 1) & ~std::uint64_t(1);
        if (size <= 4) return false;
        if (!file.Skip(static_cast<std::int64_t>(size - 4))) return false;
        if (file.Read(head, 12) != 12) return false;
    }
    if (rf64) *rf64 = IsFourCc(head, "RF64");
    return true;
}

bool ReadDs64(BinaryFile& file, std::uint32_t size, Ds64& out) {
    std::uint8_t body[24];
    if (size < 24 || file.Read(body, 24) != 24) return false;
    auto field = [](const std::uint8_t* p) {
        std::uint64_t v = GetLe64(p);
        return v > static_cast<std::uint64_t>(INT64_MAX / 2) ? std::int64_t(-1) : static_cast<std::int64_t>(v);
    };
    out.riffSize = field(body);
    out.dataSize = field(body + 8);
    out.sampleCount = field(body + 16);
    return SkipBody(file, static_cast<std::int64_t>(size) - 24);
}

std::int64_t BodySize(const ChunkHeader& header, const Ds64& ds64) {
    if (header.size == 0xFFFFFFFFu && header.Is("data") && ds64.dataSize >= 0) return ds64.dataSize;
    return header.size;
}

bool SkipBody(BinaryFile& file, std::int64_t size) {
    if (size < 0) return false;
    return file.Skip((size + 1) & ~std::int64_t(1));
}

bool ReadChunkHeader(BinaryFile& file, ChunkHeader& out) {
    std::uint8_t head[8];
    if (file.Read(head, 8) != 8) return false;
    std::memcpy(out.id, head, 4);
    out.size = GetLe32(head + 4);
    return true;
}

bool SkipChunk(BinaryFile& file, std::uint32_t size) {
    if (size > 0x7FFFFFFFu) return false;
    std::int64_t even = (static_cast<std::int64_t>(size) + 1) & ~std::int64_t(1);
    return file.Skip(even);
}

}  // namespace sv
