#pragma once
// LAudioDocument: one edited sound with its editing state. Documents are counted: the frame's
// list and the document's window each hold one reference.
#include "core/AudioData.h"
#include "core/Bookmark.h"
#include "core/RefCounted.h"
#include "core/TagSet.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sv {

struct LUndoSlot {
    LAudioData sound;
    std::uint8_t modified = 0;
    std::int32_t selectionStart = 0;
    std::int32_t selectionEnd = 0;
    std::int32_t cursor = 0;
    std::int32_t viewStart = 0;
    std::int32_t viewEnd = 0;
    std::string name;  // empty marks an unused slot
};

constexpr int kUndoSlots = 8;

class LAudioDocument : public RefCounted {
public:
    static Ref<LAudioDocument> CreateEmpty(std::int32_t sampleRate, std::uint8_t channels, const std::string& title);
    // A modified document sharing the blocks of sound.
    static Ref<LAudioDocument> CreateFromSound(const LAudioData& sound, const std::string& title);

    bool HasSelection() const { return selectionStart < selectionEnd; }
    // Stores the smaller of a and b as the start.
    void SetSelection(std::int32_t a, std::int32_t b, std::int32_t cursorFrame);
    // 0 to the length; the cursor stays.
    void SelectAll();
    // A start below 0 becomes 0 and an end beyond the length becomes the length.
    void SetView(std::int32_t start, std::int32_t end);
    std::int32_t Length() const { return sound.Length(); }
    // The path without its folder part.
    std::string Title() const;

    LAudioData sound;
    std::uint8_t modified = 0;
    std::int32_t selectionStart = 0;
    std::int32_t selectionEnd = 0;
    std::int32_t cursor = 0;
    std::int32_t viewStart = 0;
    std::int32_t viewEnd = 0;
    std::unique_ptr<LTagSet> tags;
    std::int32_t undoIndex = 0;
    std::array<LUndoSlot, kUndoSlots> undoRing;
    std::string path;
    std::uint8_t verticalZoom = 0;
    std::int32_t displayMode = 0;
    std::int32_t firstMark = 0;
    std::int32_t secondMark = 0;
    std::vector<LBookmark> bookmarks;
    // The bookmark companion file this document read or wrote: the only one its saves delete.
    std::string companionFile;

protected:
    ~LAudioDocument() override;
};

// "Sans Titre %d" for the smallest n from 1 to 19 not used by an open document; 1 when all are.
std::string NextUntitledTitle(const std::vector<std::string>& openTitles);

}  // namespace sv
