#pragma once
// LAcmWavReader: a compressed WAV file decoded to 16-bit PCM through the codec layer. It reads
// the data chunk in pieces, decodes whole blocks into an 8192-frame buffer and hands those
// out; a seek restarts the decoder at a block boundary a little before the target and decodes
// forward. Without a codec for the file's format it carries error code 5.
#include "core/AudioReader.h"
#include "formats/AcmStream.h"
#include "formats/BinaryFile.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sv {

class LAcmWavReader : public LAudioReader {
public:
    // file stands at the start of the data chunk of dataBytes bytes (as far as the file holds
    // it); factFrames is the true frame count of a "fact" chunk, -1 without one. The padding of
    // the last block beyond that count is not part of the sound.
    LAcmWavReader(BinaryFile file, const WAVEFORMATEX& format, std::int64_t dataBytes, std::int64_t factFrames = -1);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    // The fact chunk's count; without one, exact once the end has been decoded and before that
    // what the data chunk's whole blocks hold.
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    const WAVEFORMATEX& Format() const { return format_; }

private:
    // Decodes the next buffer; false when the data is exhausted.
    bool Fill();
    // Hands out up to frames decoded frames as internal samples (dst may be null to discard).
    std::int32_t TakeDecoded(std::int32_t* dst, std::int32_t frames);

    BinaryFile file_;
    WAVEFORMATEX format_;
    std::unique_ptr<AcmStream> stream_;
    std::int64_t dataStart_ = 0;
    std::int64_t dataSize_ = 0;
    std::int64_t fileOffset_ = 0;  // data bytes read so far
    std::vector<std::uint8_t> source_;
    std::size_t sourceFill_ = 0;
    std::vector<std::uint8_t> decoded_;
    std::int32_t decodedFrames_ = 0;
    std::int32_t decodedIndex_ = 0;
    std::int32_t position_ = 0;
    std::int64_t nextFrame_ = 0;   // the frame the decoder hands out next
    std::int64_t skipFrames_ = 0;  // decoded frames to drop after a seek
    std::int64_t finalLength_ = -1;
    std::int64_t factFrames_ = -1;
    bool exhausted_ = false;
    bool restart_ = false;
};

}  // namespace sv
