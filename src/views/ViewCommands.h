#pragma once
// The document's view arithmetic (zooms, display modes, what a re-attached view shows) and the
// commands 5001-5005, 5007, 5008 and 5013 that drive it. Plain C++: the document window only
// shows what these leave in the document.
#include "core/AudioDocument.h"

#include <cstdint>

namespace sv {

class CommandRegistry;

constexpr std::int32_t kMinZoomFrames = 100;

// Start raised to 0, end lowered to the length.
void SetVisibleRange(LAudioDocument& doc, std::int32_t start, std::int32_t end);
// Half the visible length (at least 100 frames) centred on the cursor.
void ZoomIn(LAudioDocument& doc);
// Twice the visible length (at most the sound's), starting a quarter of it earlier.
void ZoomOut(LAudioDocument& doc);
void ZoomToSelection(LAudioDocument& doc);
void ZoomMaximum(LAudioDocument& doc);
void ToggleVerticalZoom(LAudioDocument& doc);
void SetDisplayMode(LAudioDocument& doc, int mode);

// What the main view shows after an edit: the visible range brought inside the sound, or one
// second (sample-rate frames) of empty view for an empty sound. Returns (start, length).
struct FrameRange {
    std::int32_t start = 0;
    std::int32_t length = 0;
};
FrameRange MainViewRange(LAudioDocument& doc);
// The overview: the whole sound, or one second when it is empty.
FrameRange OverviewRange(const LAudioDocument& doc);

// Registers 5001-5005, 5007, 5008 and 5013 on the active document; each ends with the
// workspace's DocumentChanged, which the document window answers by showing the new range.
void RegisterViewCommands(CommandRegistry& registry);

}  // namespace sv
