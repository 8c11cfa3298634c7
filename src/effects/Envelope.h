#pragma once
// The envelope operation: multiplies the selection by a gain that follows a curve, linearly
// from point to point (also the fades). The new samples go into a new block that replaces the
// selection; optionally everything after the selection is then deleted (fade out and trim).
#include "effects/Curve.h"
#include "effects/DocumentTask.h"
#include "effects/Filter.h"

namespace sv {

// Gain in 24-bit fixed point of a curve level: level * 131,072 (128 is unity).
constexpr std::int32_t LevelGain(std::uint8_t level) { return static_cast<std::int32_t>(level) * 131072; }
// Frame of curve position p across a selection of n frames (255 is n).
std::int32_t CurvePointFrame(std::int32_t n, std::uint8_t p);

// The envelope as a filter over the frames [start, start + total) of its input; frames outside
// pass unchanged. Reads are cut at the curve's point frames; at the start of each piece the
// gain step is (target - gain) / (point frame - frame), so each point's level is reached at
// its frame. Points that share a frame (equal positions, or a selection shorter than 255
// frames) make the gain jump to the later level.
class LEnvelopeFilter : public LFilter {
public:
    LEnvelopeFilter(Ref<LAudioReader> input, LCurve curve, std::int32_t start, std::int32_t total);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;

private:
    // Finds the segment holding position_ and the gain there.
    void Locate();
    std::int32_t PointFrame(std::size_t i) const;

    LCurve curve_;
    std::int32_t start_, total_;
    std::int32_t position_ = 0;
    std::size_t segment_ = 0;  // the point that closes the current segment (curve size: past the last)
    std::int32_t gain_ = 0;
};

class LEnvelopeTask : public LDocumentTask {
public:
    LEnvelopeTask(LAudioDocument& doc, BlockStore& store, LCurve curve, bool trimAfter = false);

protected:
    int Work() override;

private:
    LCurve curve_;
    bool trimAfter_;
};

// The fixed two-point envelopes of the fades.
LCurve FadeInCurve();
LCurve FadeOutCurve();

}  // namespace sv
