#pragma once
// Effect preview: an effect's chain over the document, from the selection start, handed to
// whatever plays it. The player installs itself as the preview player once it exists; until
// then a preview does nothing.
#include "core/AudioReader.h"
#include "core/RefCounted.h"

#include <cstdint>
#include <functional>

namespace sv {

class LAudioDocument;
class LEffectDescriptor;

// Plays chain, already positioned, until the selection's end frame (a chain frame count).
using PreviewPlayer = std::function<void(Ref<LAudioReader> chain, std::int32_t frames)>;

void SetPreviewPlayer(PreviewPlayer player);
bool HasPreviewPlayer();
// False when no player is installed or the document has nothing selected.
bool PreviewEffect(const LAudioDocument& doc, const LEffectDescriptor& effect);

}  // namespace sv
