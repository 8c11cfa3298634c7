#pragma once
// LCodedFileReader: interleaved samples of one byte coding (SampleCoding.h) from a span of a
// file, for the headerless, AU and AIFF files. The span is clamped to what the file holds, so
// a header that claims more than is there gives the frames that are there.
#include "core/AudioReader.h"
#include "formats/BinaryFile.h"
#include "formats/SampleCoding.h"

#include <cstdint>
#include <vector>

namespace sv {

class LCodedFileReader : public LAudioReader {
public:
    // dataBytes < 0: up to the end of the file.
    LCodedFileReader(BinaryFile file, const SampleCoding& coding, std::uint8_t channelCount, std::int32_t rate,
                     std::int64_t dataStart, std::int64_t dataBytes);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frameCount_; }
    void Seek(std::int32_t position) override { position_ = position; }

private:
    BinaryFile file_;
    SampleCoding coding_;
    int frameSize_;
    std::int64_t dataStart_;
    std::int32_t frameCount_ = 0;
    std::int32_t position_ = 0;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sv
