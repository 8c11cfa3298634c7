#pragma once
// Effect preview: an effect's chain over the document, from the selection start, handed to the
// workspace's preview player (set by the player; without one a preview does nothing).
#include "core/DialogSpec.h"

#include <cstdint>

namespace sv {

class LAudioDocument;
class LEffectDescriptor;
class Workspace;

// False when no player is installed or the document has nothing selected.
bool PreviewEffect(Workspace& ws, const LAudioDocument& doc, const LEffectDescriptor& effect);

// Silences a running preview; harmless without a player or a preview.
void StopPreview(Workspace& ws);

// An effect dialog previews the effect make(spec) builds from its current values and stops the
// preview with the dialog. The document and workspace must outlive the dialog.
template <class MakeEffect>
void AddEffectPreview(Workspace& ws, const LAudioDocument& doc, DialogSpec& spec, MakeEffect make) {
    spec.preview = [&ws, &doc, make](const DialogSpec& s) { PreviewEffect(ws, doc, make(s)); };
    spec.stopPreview = [&ws] { StopPreview(ws); };
}

}  // namespace sv
