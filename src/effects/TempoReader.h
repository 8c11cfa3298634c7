#pragma once
// LTempoReader: plays a reader slower or faster without changing its pitch (the player's slow
// and fast play, ratios 0.5 and 1.5). It streams through a time stretch but speaks in the
// frames of its source: Position() is the source frame being heard, Length() the source's
// length and Seek() takes a source frame, so the player's cursor, loops and go-to commands
// work unchanged. It starts where the source stood when it was wrapped.
#include "effects/Filter.h"

#include <cstdint>

namespace sv {

class LTimeStretch;

class LTempoReader : public LFilter {
public:
    // ratio: source frames per frame played (0.5 plays at half speed). A ratio of 0 or less,
    // or exactly 1, plays the source as it is.
    static Ref<LTempoReader> Create(Ref<LAudioReader> source, double ratio);

    std::int32_t Position() const override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

protected:
    ~LTempoReader() override = default;

private:
    LTempoReader(Ref<LAudioReader> source, Ref<LAudioReader> stretched);

    Ref<LAudioReader> source_;
    LTimeStretch* stretch_ = nullptr;  // input_, when the tempo changes
    // The source frame of the last seek and the stretch's frame it became, so that Position()
    // gives back exactly what was sought.
    std::int32_t seekTarget_ = 0;
    std::int64_t outAtSeek_ = 0;
};

}  // namespace sv
