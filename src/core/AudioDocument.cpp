#include "core/AudioDocument.h"

#include "platform/Paths.h"

#include <algorithm>

namespace sv {

Ref<LAudioDocument> LAudioDocument::CreateEmpty(std::int32_t sampleRate, std::uint8_t channels,
                                                const std::string& title) {
    Ref<LAudioDocument> doc(new LAudioDocument());
    doc->sound.sampleRate = sampleRate;
    doc->sound.channels = channels;
    doc->path = title;
    return doc;
}

Ref<LAudioDocument> LAudioDocument::CreateFromSound(const LAudioData& sound, const std::string& title) {
    Ref<LAudioDocument> doc(new LAudioDocument());
    doc->sound = sound;
    doc->path = title;
    doc->modified = 1;
    return doc;
}

LAudioDocument::~LAudioDocument() {
    // Release order of the original design: bookmarks, undo slots from last to first, tags, sound.
    bookmarks.clear();
    for (int i = kUndoSlots - 1; i >= 0; --i) undoRing[static_cast<std::size_t>(i)].sound.Free();
    tags.reset();
    sound.Free();
}

void LAudioDocument::SetSelection(std::int32_t a, std::int32_t b, std::int32_t cursorFrame) {
    selectionStart = std::min(a, b);
    selectionEnd = std::max(a, b);
    cursor = cursorFrame;
}

void LAudioDocument::SelectAll() {
    selectionStart = 0;
    selectionEnd = Length();
}

void LAudioDocument::SetView(std::int32_t start, std::int32_t end) {
    std::int32_t len = Length();
    viewStart = std::max<std::int32_t>(start, 0);
    viewEnd = std::min(end, len);
}

std::string LAudioDocument::Title() const { return FileNamePart(path); }

std::string NextUntitledTitle(const std::vector<std::string>& openTitles) {
    for (int n = 1; n <= 19; ++n) {
        std::string candidate = "Sans Titre " + std::to_string(n);
        if (std::find(openTitles.begin(), openTitles.end(), candidate) == openTitles.end()) return candidate;
    }
    return "Sans Titre 1";
}

}  // namespace sv
