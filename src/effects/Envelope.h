#pragma once
// The envelope operation: multiplies the selection by a gain that follows a curve, linearly
// from point to point (also the fades). The new samples go into a new block that replaces the
// selection; optionally everything after the selection is then deleted (fade out and trim).
#include "effects/Curve.h"
#include "effects/DocumentTask.h"

namespace sv {

// Gain in 24-bit fixed point of a curve level: level * 131,072 (128 is unity).
constexpr std::int32_t LevelGain(std::uint8_t level) { return static_cast<std::int32_t>(level) * 131072; }
// Frame of curve position p across a selection of n frames (255 is n).
std::int32_t CurvePointFrame(std::int32_t n, std::uint8_t p);

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
