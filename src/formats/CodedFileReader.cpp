#include "formats/CodedFileReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

LCodedFileReader::LCodedFileReader(BinaryFile file, const SampleCoding& coding, std::uint8_t channelCount,
                                   std::int32_t rate, std::int64_t dataStart, std::int64_t dataBytes)
    : file_(std::move(file)), coding_(coding), dataStart_(dataStart) {
    sampleRate = rate;
    channels = channelCount;
    fullScale = kFullScale16;
    frameSize_ = coding_.width * std::max<int>(channels, 1);
    const std::int64_t held = std::max<std::int64_t>(0, file_.Size() - dataStart_);
    const std::int64_t bytes = dataBytes < 0 ? held : std::min(dataBytes, held);
    frameCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(bytes / frameSize_, INT_MAX));
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(frameSize_));
}

void LCodedFileReader::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t width = channels;
    while (frames > 0) {
        const std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        const std::int64_t start = position_;
        const std::int64_t end = start + piece;
        position_ = static_cast<std::int32_t>(std::min<std::int64_t>(end, INT_MAX));
        std::memset(dst, 0, static_cast<std::size_t>(piece) * width * sizeof(std::int32_t));
        const std::int64_t from = std::max<std::int64_t>(start, 0);
        const std::int64_t to = std::min<std::int64_t>(end, frameCount_);
        if (to > from) {
            const auto n = static_cast<std::size_t>(to - from);
            long got = file_.ReadAt(dataStart_ + from * frameSize_, buffer_.data(), n * static_cast<std::size_t>(frameSize_));
            const std::size_t whole = got > 0 ? static_cast<std::size_t>(got) / static_cast<std::size_t>(frameSize_) : 0;
            DecodeSamples(coding_, buffer_.data(), whole * width, dst + static_cast<std::size_t>(from - start) * width);
        }
        dst += static_cast<std::size_t>(piece) * width;
        frames -= piece;
    }
}

}  // namespace sv
