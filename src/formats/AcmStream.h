#pragma once
// The compressed-WAV codec layer: conversion streams between a stored WAVEFORMATEX and 16-bit
// PCM of the same rate and channel count, in whole blocks, with the calls the WAV reader,
// writer and format chooser rely on (open with or without the non-real-time flag, query,
// size queries, convert with the block-align, start and end flags).
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace sv {

enum AcmOpenFlags : unsigned {
    kAcmOpenNonRealTime = 1,
    kAcmOpenQuery = 2,
};

enum AcmConvertFlags : unsigned {
    kAcmConvertBlockAlign = 1,
    kAcmConvertStart = 2,
    kAcmConvertEnd = 4,
};

// The codec for a stored format, or null when the layer has none (or the record's
// parameters are inconsistent).
std::unique_ptr<AudioCodec> CreateCodec(const WAVEFORMATEX& coded);

class AcmStream {
public:
    // Null when no codec converts between the two formats; one side must be 16-bit PCM with
    // the other side's rate and channels.
    static std::unique_ptr<AcmStream> Open(const WAVEFORMATEX& source, const WAVEFORMATEX& destination,
                                           unsigned flags);
    // Whether Open would succeed, without keeping a stream.
    static bool Query(const WAVEFORMATEX& source, const WAVEFORMATEX& destination, unsigned flags);

    bool Decoding() const { return decoding_; }
    std::size_t SourceBlockBytes() const;
    std::size_t DestinationBlockBytes() const;
    int FramesPerBlock() const { return codec_->blockFrames; }
    // Source bytes needed to fill dstBytes of output (at least one block).
    std::size_t SourceSizeFor(std::size_t dstBytes) const;
    // Output bytes that srcBytes of input can produce, including a padded last block.
    std::size_t DestinationSizeFor(std::size_t srcBytes) const;

    struct Result {
        std::size_t sourceUsed = 0;
        std::size_t destinationUsed = 0;
    };
    // Converts as many whole blocks as both buffers allow. kAcmConvertStart forgets the state
    // carried between blocks; kAcmConvertEnd also converts a last partial block (padded with
    // silence when encoding, dropped when decoding).
    Result Convert(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dst, std::size_t dstLen,
                   unsigned flags);

private:
    AcmStream(std::unique_ptr<AudioCodec> codec, bool decoding) : codec_(std::move(codec)), decoding_(decoding) {}
    std::size_t PcmBlockBytes() const;

    std::unique_ptr<AudioCodec> codec_;
    bool decoding_;
    std::vector<std::int16_t> scratch_;
    std::vector<std::uint8_t> padded_;
};

}  // namespace sv
