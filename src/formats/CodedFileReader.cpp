#include "formats/CodedFileReader.h"

#include "formats/FixedFrameRead.h"

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
    ReadFixedFrames(file_, dataStart_, frameSize_, frameCount_, channels, position_, buffer_.data(), dst, frames,
                    [this](const std::uint8_t* bytes, std::size_t samples, std::int32_t* out) {
                        DecodeSamples(coding_, bytes, samples, out);
                    });
}

}  // namespace sv
