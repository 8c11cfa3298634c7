#include "audio/RecordCommand.h"

#include "audio/RecorderDialogModel.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/EditFraming.h"
#include "core/SegmentOps.h"
#include "core/Workspace.h"

namespace sv {

void RecordCommand(Workspace& ws, const RecorderDialogRunner& runDialog) {
    if (!ws.Active()) {
        NewDocumentCommand(ws);
        if (!ws.Active()) return;
    }
    Ref<LAudioDocument> doc(ws.Active());
    StopPlayback(ws);
    for (;;) {
        RecordTarget target(ws.blocks(), doc->sound.sampleRate, doc->sound.channels);
        const int result = runDialog(ws, target);
        target.Collect();
        const std::int32_t length = target.Sound().Length();
        // The dialog may have left another document active; the take goes where it was asked for.
        if (result == 0 || length == 0 || ws.Active() != doc.get()) return;
        BeginEdit(ws, "Record");
        const std::int32_t start = doc->selectionStart;
        ReplaceRange(doc->sound, start, doc->selectionEnd, target.Sound());
        doc->SetSelection(start, start + length, start);
        doc->cursor = start;
        ws.DocumentChanged(*doc);
        ws.CommandStatesChanged();
        if (result != kRecordNext) return;
        doc->SetSelection(start + length, start + length, start + length);
    }
}

void RegisterRecordCommand(CommandRegistry& registry, RecorderDialogRunner runDialog) {
    registry.Register(kCmdRecord, {[run = std::move(runDialog)](Workspace& ws) { RecordCommand(ws, run); }, nullptr,
                                   nullptr, nullptr});
}

}  // namespace sv
