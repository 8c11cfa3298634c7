#pragma once
// Effect preview: an effect's chain over the document, from the selection start, handed to the
// workspace's preview player (set by the player; without one a preview does nothing).
#include <cstdint>

namespace sv {

class LAudioDocument;
class LEffectDescriptor;
class Workspace;

// False when no player is installed or the document has nothing selected.
bool PreviewEffect(Workspace& ws, const LAudioDocument& doc, const LEffectDescriptor& effect);

}  // namespace sv
