#include "core/AudioData.h"

#include <cassert>
#include <climits>

namespace sv {

LAudioData::LAudioData(const LAudioData& other)
    : sampleRate(other.sampleRate), channels(other.channels), segments_(other.segments_), store_(other.store_) {
    AddReferences();
}

LAudioData& LAudioData::operator=(const LAudioData& other) {
    if (this == &other) return *this;
    // Take the new references before releasing the old ones: the two lists may share blocks.
    other.AddReferences();
    Free();
    sampleRate = other.sampleRate;
    channels = other.channels;
    segments_ = other.segments_;
    store_ = other.store_;
    return *this;
}

LAudioData::LAudioData(LAudioData&& other) noexcept
    : sampleRate(other.sampleRate), channels(other.channels), segments_(std::move(other.segments_)),
      store_(other.store_) {
    other.segments_.clear();
}

LAudioData& LAudioData::operator=(LAudioData&& other) noexcept {
    if (this == &other) return *this;
    Free();
    sampleRate = other.sampleRate;
    channels = other.channels;
    segments_ = std::move(other.segments_);
    store_ = other.store_;
    other.segments_.clear();
    return *this;
}

void LAudioData::AddReferences() const {
    if (!store_ || segments_.empty()) return;
    store_->AddReferences(&segments_[0].block, segments_.size(), sizeof(LSegment));
}

void LAudioData::ReleaseList(BlockStore* store, const std::vector<LSegment>& list, std::size_t from,
                             std::size_t to) {
    if (store && to > from) store->ReleaseMany(&list[from].block, to - from, sizeof(LSegment));
}

void LAudioData::Free() {
    ReleaseList(store_, segments_, 0, segments_.size());
    segments_.clear();
}

std::int32_t LAudioData::Length() const {
    std::int64_t total = 0;
    for (const LSegment& s : segments_) total += s.frames;
    if (total > INT_MAX) return INT_MAX;
    if (total < INT_MIN) return INT_MIN;
    return static_cast<std::int32_t>(total);
}

void LAudioData::AppendSegment(const LSegment& seg, BlockStore* store) {
    if (seg.block != kSilentBlock) {
        assert(store && (!store_ || store_ == store));
        store_ = store;
        store->AddReference(seg.block);
    }
    segments_.push_back(seg);
}

}  // namespace sv
