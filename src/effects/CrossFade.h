#pragma once
// Cross fade: joins the sound before the selection to the sound after it, fading the one out
// and the other in, and removes the selection.
#include "effects/DocumentTask.h"

namespace sv {

// The frame arithmetic of one cross fade; figures in 64 bits so that no duration overflows.
struct CrossFadePlan {
    std::int64_t gap = 0, fadeIn = 0, fadeOut = 0;  // G, Fi, Fo in frames
    std::int64_t outgoingStart = 0;                 // A: document frame of output frame 0
    std::int64_t lead = 0;                          // D = S - A
    std::int64_t full = 0;                          // P = D + G: incoming at full level
    std::int64_t length = 0;                        // T: mixed frames
    std::int64_t incomingStart = 0;                 // E - P: incoming frame of output frame 0
    // Frame positions the document can hold: the result fits the int32 frame counts.
    bool Fits() const;
    // Gains in 24-bit fixed point of output frame i.
    std::int32_t OutgoingGain(std::int64_t i) const;
    std::int32_t IncomingGain(std::int64_t i) const;
};

// rate R, selection [S, E), durations in ms (a negative fade counts as 0).
CrossFadePlan PlanCrossFade(std::int32_t rate, std::int32_t start, std::int32_t end, std::int32_t gapMs,
                            std::int32_t fadeInMs, std::int32_t fadeOutMs);

class LCrossFadeTask : public LDocumentTask {
public:
    LCrossFadeTask(LAudioDocument& doc, BlockStore& store, std::int32_t gapMs, std::int32_t fadeInMs,
                   std::int32_t fadeOutMs);

protected:
    int Work() override;

private:
    std::int32_t gapMs_, fadeInMs_, fadeOutMs_;
};

}  // namespace sv
