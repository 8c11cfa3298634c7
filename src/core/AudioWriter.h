#pragma once
// LAudioWriter: the counted sink of internal samples that every file writer and the block
// writer implement.
//
// Contract, for every writer:
// - Write(src, n) takes n interleaved frames, 0 <= n <= kMaxFramesPerCall, in the internal
//   format of AudioReader.h.
// - Truncate(p) moves the write position to frame p; later writes overwrite from there.
// - Finish() completes the file (headers, last partial blocks); it runs once, and the last
//   release calls it when the holder has not. Its result, like the error flag, says whether
//   everything written reached its destination; errorText then says why not.
// - A writer is used by one thread at a time (the window thread, or the recorder's thread).
#include "core/AudioReader.h"
#include "core/RefCounted.h"

#include <cstdint>
#include <string>

namespace sv {

class LAudioWriter : public RefCounted {
public:
    virtual void Write(const std::int32_t* src, std::int32_t frames) = 0;
    virtual void Truncate(std::int32_t frame) = 0;
    // Told before the first Write how many frames are coming, a writer whose layout depends on
    // the final size (a WAV file beyond 4 GiB) can choose it at once. Nothing by default.
    virtual void Reserve(std::int64_t frames) { (void)frames; }
    // Idempotent; true when the output is complete and without error.
    bool Finish();

    std::int32_t framesWritten = 0;
    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;
    bool error = false;
    std::string errorText;
    // The internal samples the output holds as they are; PumpSamples limits what lies outside.
    std::int32_t lowestSample = kLowest16;
    std::int32_t highestSample = kFullScale16;

protected:
    ~LAudioWriter() override = default;
    // Each concrete writer's destructor calls Finish() itself, while its own state still exists.
    virtual bool DoFinish() = 0;
    void Fail(const std::string& why);

private:
    bool finished_ = false;
};

// Stands in for a writer that could not be made: it takes every frame and keeps nothing.
class LErrorWriter : public LAudioWriter {
public:
    explicit LErrorWriter(std::string why);
    ~LErrorWriter() override { Finish(); }
    void Write(const std::int32_t* src, std::int32_t frames) override;
    void Truncate(std::int32_t frame) override { framesWritten = frame; }

protected:
    bool DoFinish() override { return false; }
};

}  // namespace sv
