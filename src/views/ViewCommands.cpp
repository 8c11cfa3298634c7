#include "views/ViewCommands.h"

#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Workspace.h"

#include <algorithm>

namespace sv {

void SetVisibleRange(LAudioDocument& doc, std::int32_t start, std::int32_t end) { doc.SetView(start, end); }

void ZoomIn(LAudioDocument& doc) {
    const std::int64_t length = static_cast<std::int64_t>(doc.viewEnd) - doc.viewStart;
    const std::int64_t n = std::max<std::int64_t>(length >> 1, kMinZoomFrames);
    const std::int64_t start = std::max<std::int64_t>(doc.cursor - n / 2, 0);
    SetVisibleRange(doc, static_cast<std::int32_t>(start),
                    static_cast<std::int32_t>(std::min<std::int64_t>(start + n, INT32_MAX)));
}

void ZoomOut(LAudioDocument& doc) {
    const std::int64_t length = static_cast<std::int64_t>(doc.viewEnd) - doc.viewStart;
    const std::int64_t n = std::min<std::int64_t>(2 * length, doc.Length());
    const std::int64_t start = std::max<std::int64_t>(doc.viewStart - static_cast<std::int64_t>(0.25 * n), 0);
    SetVisibleRange(doc, static_cast<std::int32_t>(start),
                    static_cast<std::int32_t>(std::min<std::int64_t>(start + n, INT32_MAX)));
}

void ZoomToSelection(LAudioDocument& doc) {
    if (doc.HasSelection()) SetVisibleRange(doc, doc.selectionStart, doc.selectionEnd);
}

void ZoomMaximum(LAudioDocument& doc) {
    if (!doc.sound.Empty()) SetVisibleRange(doc, 0, doc.Length());
}

void ToggleVerticalZoom(LAudioDocument& doc) { doc.verticalZoom = doc.verticalZoom ? 0 : 1; }

void SetDisplayMode(LAudioDocument& doc, int mode) { doc.displayMode = std::clamp(mode, 0, 2); }

FrameRange MainViewRange(LAudioDocument& doc) {
    const std::int32_t length = doc.Length();
    if (length <= 0) return {0, std::max(1, doc.sound.sampleRate)};
    if (doc.viewEnd > length) doc.viewEnd = length;
    if (doc.viewStart >= length || doc.viewStart < 0) doc.viewStart = 0;
    // A view that was never set (or that an edit emptied) shows the whole sound.
    if (doc.viewEnd <= doc.viewStart) {
        doc.viewStart = 0;
        doc.viewEnd = length;
    }
    return {doc.viewStart, doc.viewEnd - doc.viewStart};
}

FrameRange OverviewRange(const LAudioDocument& doc) {
    const std::int32_t length = doc.Length();
    if (length <= 0) return {0, std::max(1, doc.sound.sampleRate)};
    return {0, length};
}

namespace {

CommandEntry OnActive(void (*op)(LAudioDocument&)) {
    return {[op](Workspace& ws) {
                if (LAudioDocument* doc = ws.Active()) {
                    op(*doc);
                    ws.DocumentChanged(*doc);
                }
            },
            HasActiveDocument, nullptr, nullptr};
}

CommandEntry ModeCommand(int mode) {
    return {[mode](Workspace& ws) {
                if (LAudioDocument* doc = ws.Active()) {
                    SetDisplayMode(*doc, mode);
                    ws.DocumentChanged(*doc);
                }
            },
            HasActiveDocument,
            [mode](const Workspace& ws) { return ws.Active() && ws.Active()->displayMode == mode; }, nullptr};
}

}  // namespace

void RegisterViewCommands(CommandRegistry& registry) {
    registry.Register(kCmdZoomIn, OnActive(ZoomIn));
    registry.Register(kCmdZoomOut, OnActive(ZoomOut));
    registry.Register(kCmdZoomSelection, OnActive(ZoomToSelection));
    registry.Register(kCmdZoomFull, OnActive(ZoomMaximum));
    CommandEntry vertical = OnActive(ToggleVerticalZoom);
    vertical.checked = [](const Workspace& ws) { return ws.Active() && ws.Active()->verticalZoom != 0; };
    registry.Register(kCmdZoomVertical, vertical);
    registry.Register(kCmdDisplayPlusMinus, ModeCommand(0));
    registry.Register(kCmdDisplayLeftRight, ModeCommand(1));
    registry.Register(kCmdDisplayTwoChannels, ModeCommand(2));
}

}  // namespace sv
