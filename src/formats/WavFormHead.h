#pragma once
// The opening of the WAV files we write, before their fmt chunk: "RIFF" <size> "WAVE", or, for
// data beyond what a RIFF size can hold, "RF64" 0xFFFFFFFF "WAVE" and a "ds64" chunk with the
// 64-bit RIFF size, data size and frame count (the 32-bit sizes then say 0xFFFFFFFF). A writer
// told that its data will be that large keeps the ds64 chunk's room from the start as a "JUNK"
// chunk; one that learns it only at the end moves its data up to make the room.
#include "formats/BinaryFile.h"

#include <cstdint>
#include <vector>

namespace sv {

// "ds64", its size and 28 bytes: RIFF size, data size, frame count, an empty table.
constexpr std::int64_t kDs64ChunkBytes = 36;

// Data bytes above which a file is written as RF64: what a RIFF size can hold, less room for
// the header and the tag chunks. Tests lower it to try the switch on small files.
std::int64_t Rf64Threshold();
void SetRf64Threshold(std::int64_t dataBytes);

struct WavFormSizes {
    std::int64_t riffBytes = -1;  // -1 while the file is open
    std::int64_t dataBytes = -1;
    std::int64_t frames = 0;
};

bool IsRf64(const WavFormSizes& sizes);
// 12 bytes, or 48 with room for the ds64 chunk (which an RF64 file needs).
std::vector<std::uint8_t> WavFormHead(bool room, const WavFormSizes& sizes);
// A 32-bit size field: 0xFFFFFFFF while open or in an RF64 file.
std::uint32_t SizeField(std::int64_t bytes, bool rf64);
// Moves count bytes at from up by shift bytes, last piece first.
bool MoveUp(BinaryFile& file, std::int64_t from, std::int64_t count, std::int64_t shift);

}  // namespace sv
