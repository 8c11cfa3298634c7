#pragma once
// Walking the chunks of a RIFF/WAVE file: the form header (stepping over leading blocks laid
// out as chunks), chunk headers, and skipping a chunk with its pad byte.
#include "formats/BinaryFile.h"

#include <cstdint>

namespace sv {

struct ChunkHeader {
    char id[4] = {};
    std::uint32_t size = 0;
    bool Is(const char* fourCc) const;
};

// Reads 12-byte headers until "RIFF" <size> "WAVE", skipping other blocks by their even-rounded
// size. False when none is found; the file then stands just after the header.
bool FindWaveHeader(BinaryFile& file);
// False at the end of the file (a short header).
bool ReadChunkHeader(BinaryFile& file, ChunkHeader& out);
// Skips size bytes plus the pad byte of an odd size. False for a size that does not fit in a
// signed 32-bit count (a corrupt header) or a failed seek.
bool SkipChunk(BinaryFile& file, std::uint32_t size);

}  // namespace sv
