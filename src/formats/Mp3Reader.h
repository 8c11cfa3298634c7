#pragma once
// The MPEG audio Layer III reader (".mp3"): MPEG-1, 2 and 2.5 decoded by libmpg123 with gapless
// trimming off, so that a file is its frames times 1152 (MPEG-1) or 576 samples long. The length
// comes from a "Xing"/"Info" or "VBRI" frame count when the first frame has one, otherwise from
// the data size and the average frame size of the first 8 frames. Samples are delivered at
// 16-bit full scale. Error codes: 4 the file cannot be opened, 3 no valid frame header.
#include "core/AudioReader.h"

#include <cstdint>
#include <string>

namespace sv {

struct Mp3Layout {
    std::int64_t dataStart = 0;  // first frame header (after ID3v2 tags)
    std::int64_t dataEnd = 0;    // end of the audio data (before APEv2 and ID3v1 tags)
    std::int32_t sampleRate = 0;
    std::uint8_t channels = 0;
    std::int32_t samplesPerFrame = 0;
    std::int64_t frames = 0;     // samples per channel
    bool counted = false;        // from a Xing or VBRI frame count rather than an estimate
};

// Examines the first frames of bytes[0, size) of a file of fileSize bytes; false when no valid
// Layer III frame header is found. ID3v2 tags at the start are skipped; APEv2 and ID3v1 tags at
// the end only when bytes holds the whole file.
bool ExamineMp3(const std::uint8_t* bytes, std::size_t size, std::int64_t fileSize, Mp3Layout& layout);
// The same for bytes read from file offset offset, the audio ending at end.
bool ExamineMp3Region(const std::uint8_t* bytes, std::size_t size, std::int64_t offset, std::int64_t end,
                      Mp3Layout& layout);

// The size of an ID3v2 tag starting at head (header, synchsafe body size, footer when flagged),
// 0 when head holds none.
std::int64_t Id3v2TagBytes(const std::uint8_t* head, std::size_t size);
// The bytes of an APEv2 tag and an ID3v1 block ending tail (the last size bytes of a file), at
// most room of them.
std::int64_t TrailingTagBytes(const std::uint8_t* tail, std::size_t size, std::int64_t room);

Ref<LAudioReader> OpenMp3Reader(const std::string& path);

}  // namespace sv
