#include "formats/WavFormHead.h"

#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace sv {

namespace {

// The 82-byte PCM header with a ds64 chunk, and a fmt chunk of up to 64 KiB, under 4 GiB.
std::int64_t g_rf64Threshold = 0xFFFFFFFFLL - 128 * 1024;

}  // namespace

std::int64_t Rf64Threshold() { return g_rf64Threshold; }
void SetRf64Threshold(std::int64_t dataBytes) { g_rf64Threshold = std::max<std::int64_t>(0, dataBytes); }

bool IsRf64(const WavFormSizes& sizes) { return sizes.dataBytes > g_rf64Threshold; }

std::uint32_t SizeField(std::int64_t bytes, bool rf64) {
    return bytes < 0 || rf64 || bytes > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(bytes);
}

std::vector<std::uint8_t> WavFormHead(bool room, const WavFormSizes& sizes) {
    const bool rf64 = room && IsRf64(sizes);
    std::vector<std::uint8_t> h(room ? 12 + kDs64ChunkBytes : 12, 0);
    std::memcpy(&h[0], rf64 ? "RF64" : "RIFF", 4);
    PutLe32(&h[4], SizeField(sizes.riffBytes, rf64));
    std::memcpy(&h[8], "WAVE", 4);
    if (room) {
        std::memcpy(&h[12], rf64 ? "ds64" : "JUNK", 4);
        PutLe32(&h[16], static_cast<std::uint32_t>(kDs64ChunkBytes - 8));
        if (rf64) {
            PutLe64(&h[20], static_cast<std::uint64_t>(sizes.riffBytes));
            PutLe64(&h[28], static_cast<std::uint64_t>(sizes.dataBytes));
            PutLe64(&h[36], static_cast<std::uint64_t>(sizes.frames));
        }
    }
    return h;
}

bool MoveUp(BinaryFile& file, std::int64_t from, std::int64_t count, std::int64_t shift) {
    std::vector<std::uint8_t> piece(1 << 20);
    for (std::int64_t end = count; end > 0;) {
        const std::int64_t n = std::min<std::int64_t>(end, static_cast<std::int64_t>(piece.size()));
        const std::int64_t at = from + end - n;
        if (file.ReadAt(at, piece.data(), static_cast<std::size_t>(n)) != n) return false;
        if (!file.Seek(at + shift) || !file.Write(piece.data(), static_cast<std::size_t>(n))) return false;
        end -= n;
    }
    return true;
}

}  // namespace sv
