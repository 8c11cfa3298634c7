#pragma once
// The frame's regions: named stretches, each with its own copy of the sound (sharing blocks),
// so that a region outlives later edits of its document and the document itself.
#include "core/AudioData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LAudioDocument;

struct LRegion {
    LAudioData sound;
    std::string name;
    std::string title;  // of the document it was taken from
    std::int32_t startMs = 0;
    std::int32_t endMs = 0;
};

class RegionList {
public:
    // A region over doc's selection, appended.
    LRegion& Add(const LAudioDocument& doc, const std::string& name);
    void Append(LRegion region) { regions_.push_back(std::move(region)); }
    // Index of the region called name, or -1.
    int Find(const std::string& name) const;
    void Remove(std::size_t index);
    // Moves the region at from so that it ends up at index to.
    void Move(std::size_t from, std::size_t to);
    // Releases every region's blocks.
    void Clear() { regions_.clear(); }

    std::size_t Count() const { return regions_.size(); }
    bool Empty() const { return regions_.empty(); }
    LRegion& operator[](std::size_t i) { return regions_[i]; }
    const LRegion& operator[](std::size_t i) const { return regions_[i]; }
    const std::vector<LRegion>& Items() const { return regions_; }

private:
    std::vector<LRegion> regions_;
};

}  // namespace sv
