#include "effects/EffectPreview.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/Workspace.h"
#include "effects/ChannelConverter.h"
#include "effects/EffectDescriptor.h"

namespace sv {

bool PreviewEffect(Workspace& ws, const LAudioDocument& doc, const LEffectDescriptor& effect) {
    if (!ws.playPreview || !doc.HasSelection()) return false;
    Ref<LAudioReader> source(LBlockReader::Create(doc.sound));
    Ref<LAudioReader> chain = ConvertChannels(effect.CreateProcessor(source), doc.sound.channels);
    chain->Seek(doc.selectionStart);
    ws.playPreview(chain, doc.selectionEnd - doc.selectionStart);
    return true;
}

void StopPreview(Workspace& ws) {
    if (ws.playPreview) ws.playPreview(nullptr, 0);
}

}  // namespace sv
