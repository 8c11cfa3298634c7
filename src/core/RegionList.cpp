#include "core/RegionList.h"

#include "core/AudioDocument.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"

namespace sv {

LRegion& RegionList::Add(const LAudioDocument& doc, const std::string& name) {
    LRegion region;
    region.sound = LAudioData(doc.sound.sampleRate, doc.sound.channels);
    CopyRange(region.sound, doc.sound, doc.selectionStart, doc.selectionEnd);
    region.name = name;
    region.title = doc.Title();
    region.startMs = FramesToMs(doc.selectionStart, doc.sound.sampleRate);
    region.endMs = FramesToMs(doc.selectionEnd, doc.sound.sampleRate);
    regions_.push_back(std::move(region));
    return regions_.back();
}

int RegionList::Find(const std::string& name) const {
    for (std::size_t i = 0; i < regions_.size(); ++i)
        if (regions_[i].name == name) return static_cast<int>(i);
    return -1;
}

void RegionList::Remove(std::size_t index) {
    if (index < regions_.size()) regions_.erase(regions_.begin() + static_cast<std::ptrdiff_t>(index));
}

void RegionList::Move(std::size_t from, std::size_t to) {
    if (from >= regions_.size() || to >= regions_.size() || from == to) return;
    LRegion moving = std::move(regions_[from]);
    regions_.erase(regions_.begin() + static_cast<std::ptrdiff_t>(from));
    regions_.insert(regions_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
}

}  // namespace sv
