#include "formats/RiffWalk.h"

#include "formats/ByteOrder.h"

#include <cstring>

namespace sv {

bool ChunkHeader::Is(const char* fourCc) const { return std::memcmp(id, fourCc, 4) == 0; }

bool FindWaveHeader(BinaryFile& file) {
    std::uint8_t head[12];
    if (file.Read(head, 12) != 12) return false;
    while (!(IsFourCc(head, "RIFF") && IsFourCc(head + 8, "WAVE"))) {
        std::uint64_t size = GetLe32(head + 4);
        size = (size + 1) & ~std::uint64_t(1);
        if (size <= 4) return false;
        if (!file.Skip(static_cast<std::int64_t>(size - 4))) return false;
        if (file.Read(head, 12) != 12) return false;
    }
    return true;
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
