#pragma once
// LLoopReader: plays a range of its inner reader over and over (play with "PlayRepeat" on).
// The range is given in milliseconds of the inner reader's rate. The first pass runs from where
// the inner reader stands to the range's end; every later pass plays at least 256 frames, so a
// tiny range still makes a sound and never spins. Its end is never reached.
#include "effects/Filter.h"

namespace sv {

class LLoopReader : public LFilter {
public:
    LLoopReader(Ref<LAudioReader> inner, std::int32_t startMs, std::int32_t endMs);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    std::int32_t LoopStart() const { return start_; }
    std::int32_t LoopEnd() const { return end_; }

private:
    std::int32_t start_;
    std::int32_t end_;
    bool wrapped_ = false;
};

// LRangeReader: its inner reader ending at a frame (a reader of a selection, in the document's
// own frames).
class LRangeReader : public LFilter {
public:
    LRangeReader(Ref<LAudioReader> inner, std::int32_t end) : LFilter(std::move(inner)), end_(end) {}
    std::int32_t Length() const override;

private:
    std::int32_t end_;
};

}  // namespace sv
