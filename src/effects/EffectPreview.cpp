#include "effects/EffectPreview.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "effects/ChannelConverter.h"
#include "effects/EffectDescriptor.h"

namespace sv {

namespace {

PreviewPlayer& Player() {
    static PreviewPlayer player;
    return player;
}

}  // namespace

void SetPreviewPlayer(PreviewPlayer player) { Player() = std::move(player); }

bool HasPreviewPlayer() { return static_cast<bool>(Player()); }

bool PreviewEffect(const LAudioDocument& doc, const LEffectDescriptor& effect) {
    if (!Player() || !doc.HasSelection()) return false;
    Ref<LAudioReader> source(LBlockReader::Create(doc.sound));
    Ref<LAudioReader> chain = ConvertChannels(effect.CreateProcessor(source), doc.sound.channels);
    chain->Seek(doc.selectionStart);
    Player()(chain, doc.selectionEnd - doc.selectionStart);
    return true;
}

}  // namespace sv
