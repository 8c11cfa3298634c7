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
    std::int64_t dataStart = 0;  // first frame header (after an ID3v2 block)
    std::int64_t dataEnd = 0;    // end of the audio data (before an ID3v1 block)
    std::int32_t sampleRate = 0;
    std::uint8_t channels = 0;
    std::int32_t samplesPerFrame = 0;
    std::int64_t frames = 0;     // samples per channel
    bool counted = false;        // from a Xing or VBRI frame count rather than an estimate
};

// Examines the first frames of bytes[0, size) of a file of fileSize bytes; false when no valid
// Layer III frame header is found.
bool ExamineMp3(const std::uint8_t* bytes, std::size_t size, std::int64_t fileSize, Mp3Layout& layout);

Ref<LAudioReader> OpenMp3Reader(const std::string& path);

}  // namespace sv
