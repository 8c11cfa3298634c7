#pragma once
// Walking the chunks of a RIFF/WAVE file: the form header (stepping over leading blocks laid
// out as chunks), chunk headers, and skipping a chunk with its pad byte. RF64 files (the form
// of WAV files beyond 4 GiB) carry their true RIFF and data sizes in a "ds64" chunk, first
// after the form header; their own 32-bit size fields then hold 0xFFFFFFFF.
#include "formats/BinaryFile.h"

#include <cstdint>

namespace sv {

struct ChunkHeader {
    char id[4] = {};
    std::uint32_t size = 0;
    bool Is(const char* fourCc) const;
};

// Reads 12-byte headers until "RIFF" (or "RF64") <size> "WAVE", skipping other blocks by their
// even-rounded size. False when none is found; the file then stands just after the header.
bool FindWaveHeader(BinaryFile& file, bool* rf64 = nullptr);

// The 64-bit sizes of an RF64 file; -1 where the file gives none.
struct Ds64 {
    std::int64_t riffSize = -1;
    std::int64_t dataSize = -1;
    std::int64_t sampleCount = -1;
};
// Reads a "ds64" body of size bytes at the current position and leaves the file after it.
bool ReadDs64(BinaryFile& file, std::uint32_t size, Ds64& out);
// The body size of a chunk: an RF64 data chunk whose own size says 0xFFFFFFFF takes the ds64 one.
std::int64_t BodySize(const ChunkHeader& header, const Ds64& ds64);
// False at the end of the file (a short header).
bool ReadChunkHeader(BinaryFile& file, ChunkHeader& out);
// Skips size bytes plus the pad byte of an odd size. False for a size that does not fit in a
// signed 32-bit count (a corrupt header) or a failed seek.
bool SkipChunk(BinaryFile& file, std::uint32_t size);
// The same for a body size from BodySize (any non-negative size).
bool SkipBody(BinaryFile& file, std::int64_t size);

}  // namespace sv
