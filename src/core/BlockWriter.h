#pragma once
// LBlockWriter fills a new block: samples go to "%d.aud", a peak summary (the largest and the
// negated smallest sample of each channel per 256 frames, shifted right by 11 and capped at
// 255) to "%d.grf". Finishing hands the target sound one segment over the whole block.
//
// When no block number is free, or a block file cannot be created or written (a full disk),
// the writer fails: its error flag and text say why, its block is given up and the target is
// left exactly as it was, so the operation that needed the block fails instead of silently
// producing silence. The target must outlive the writer's Finish().
#include "core/AudioData.h"
#include "core/AudioWriter.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <vector>

namespace sv {

class LBlockWriter : public LAudioWriter {
public:
    static Ref<LBlockWriter> Create(BlockStore& store, LAudioData& target, std::int32_t sampleRate,
                                    std::uint8_t channelCount);
    ~LBlockWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    // Sets the disk space of a long sound aside before it is written: the filesystem then
    // maps each page to a block already there instead of reserving one as it comes.
    void Reserve(std::int64_t frames) override;
    void Truncate(std::int32_t frame) override;
    BlockNumber Block() const { return segment_.block; }

protected:
    bool DoFinish() override;

private:
    LBlockWriter(BlockStore& store, LAudioData& target, std::int32_t sampleRate, std::uint8_t channelCount);
    void AccumulatePeaks(const std::int32_t* src, std::int32_t frames);
    void FlushGroup();
    bool FlushSamples();
    bool FlushPeaks();
    bool FlushBuffers();
    void FailWithErrno(const char* what, int err);

    BlockStore& store_;
    LAudioData* target_;
    LSegment segment_;
    UniqueFd sampleFile_;
    UniqueFd peakFile_;
    std::uint32_t groupCount_ = 0;
    std::vector<std::int32_t> maxima_;
    std::vector<std::int32_t> minima_;
    std::int32_t bytesPerFrame_;
    std::vector<char> sampleBuffer_;
    std::vector<std::uint8_t> peakBuffer_;
    bool ownsBlock_ = false;
    std::int64_t reservedBytes_ = 0;
};

// Peak byte of a running maximum (or negated minimum): shifted right by 11, capped at 255.
std::uint8_t PeakByte(std::int32_t magnitude);

}  // namespace sv
