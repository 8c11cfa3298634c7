#pragma once
// A sound as a rate, a channel count and a list of segments pointing into shared blocks.
// Copying a sound copies its segment list and adds one block reference per segment; no
// sample is copied. The segment-list operations that edits are built from live in SegmentOps.h.
#include "core/BlockStore.h"

#include <cstdint>
#include <vector>

namespace sv {

struct LSegment {
    BlockNumber block = kSilentBlock;
    std::int32_t frames = 0;
    std::int32_t gain = kUnityGain;
    std::int32_t offset = 0;
};

class LAudioData {
public:
    LAudioData() = default;
    LAudioData(std::int32_t rate, std::uint8_t channelCount) : sampleRate(rate), channels(channelCount) {}
    LAudioData(const LAudioData& other);
    LAudioData& operator=(const LAudioData& other);
    LAudioData(LAudioData&& other) noexcept;
    LAudioData& operator=(LAudioData&& other) noexcept;
    ~LAudioData() { Free(); }

    // Releases every block of the list; rate and channels stay.
    void Free();
    // Sum of the segments' frames, saturated to the int32 range.
    std::int32_t Length() const;
    bool Empty() const { return segments_.empty(); }

    const std::vector<LSegment>& Segments() const { return segments_; }
    BlockStore* Store() const { return store_; }

    // Releases the blocks of list[from, to) in one taking of the store's lock.
    static void ReleaseList(BlockStore* store, const std::vector<LSegment>& list, std::size_t from, std::size_t to);

    // Appends a copy of seg (adding a reference to its block, which lives in store).
    void AppendSegment(const LSegment& seg, BlockStore* store);

    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;

private:
    friend struct SegmentListAccess;
    void AddReferences() const;

    std::vector<LSegment> segments_;
    BlockStore* store_ = nullptr;  // the store of every non-silent segment here
};

}  // namespace sv
