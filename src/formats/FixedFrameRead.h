#pragma once
// The read of the readers whose frames all have one size in one stretch of a file (WAV, AIFF,
// AU, raw): frames outside [0, frameCount), and those a short read leaves out, come out as
// silence; the rest go through decode(bytes, samples, out).
#include "core/AudioReader.h"
#include "formats/BinaryFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

template <typename Decode>
void ReadFixedFrames(BinaryFile& file, std::int64_t dataStart, int frameSize, std::int32_t frameCount,
                     std::size_t channels, std::int32_t& position, std::uint8_t* buffer, std::int32_t* dst,
                     std::int32_t frames, const Decode& decode) {
    while (frames > 0) {
        const std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        std::int64_t start = position;
        const std::int64_t end = start + piece;
        position = static_cast<std::int32_t>(std::min<std::int64_t>(end, INT_MAX));
        std::int32_t lead = 0;
        if (end <= 0) {
            lead = piece;
        } else if (start < 0) {
            lead = static_cast<std::int32_t>(-start);
            start = 0;
        }
        std::memset(dst, 0, static_cast<std::size_t>(lead) * channels * sizeof(std::int32_t));
        const std::int32_t want = piece - lead;
        const std::int32_t avail = static_cast<std::int32_t>(std::clamp<std::int64_t>(frameCount - start, 0, want));
        std::int32_t got = 0;
        if (avail > 0) {
            const long bytes = file.ReadAt(dataStart + start * frameSize, buffer,
                                           static_cast<std::size_t>(avail) * static_cast<std::size_t>(frameSize));
            if (bytes > 0) got = static_cast<std::int32_t>(bytes / frameSize);
        }
        std::int32_t* out = dst + static_cast<std::size_t>(lead) * channels;
        decode(buffer, static_cast<std::size_t>(got) * channels, out);
        std::memset(out + static_cast<std::size_t>(got) * channels, 0,
                    static_cast<std::size_t>(want - got) * channels * sizeof(std::int32_t));
        dst += static_cast<std::size_t>(piece) * channels;
        frames -= piece;
    }
}

}  // namespace sv
