#include "effects/EffectEntries.h"

#include "effects/Amplify.h"
#include "effects/CrossFade.h"
#include "effects/DcOffset.h"
#include "effects/Envelope.h"
#include "effects/Equalizer.h"
#include "effects/LowCut.h"
#include "effects/Reverse.h"
#include "effects/StereoPan.h"

namespace sv {

LEffectProcess AmplifyProcess(LAudioDocument& doc, BlockStore& store, int gainPercent) {
    return {"Amplifier", std::make_unique<LAmplifyTask>(doc, store, gainPercent)};
}

LEffectProcess NormalizeProcess(LAudioDocument& doc, BlockStore& store, int levelPercent) {
    return {"Normaliser", std::make_unique<LNormalizeTask>(doc, store, levelPercent)};
}

LEffectProcess FadeInProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Fade In", std::make_unique<LEnvelopeTask>(doc, store, FadeInCurve())};
}

LEffectProcess FadeOutProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Fade Out", std::make_unique<LEnvelopeTask>(doc, store, FadeOutCurve())};
}

LEffectProcess FadeOutTrimProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Fermer en fondu et Couper", std::make_unique<LEnvelopeTask>(doc, store, FadeOutCurve(), true)};
}

LEffectProcess EnvelopeProcess(LAudioDocument& doc, BlockStore& store, LCurve curve) {
    return {"Envelopper", std::make_unique<LEnvelopeTask>(doc, store, std::move(curve))};
}

LEffectProcess CrossFadeProcess(LAudioDocument& doc, BlockStore& store, int gapMs, int fadeInMs, int fadeOutMs) {
    return {"Cross Fade", std::make_unique<LCrossFadeTask>(doc, store, gapMs, fadeInMs, fadeOutMs)};
}

LEffectProcess StereoPanProcess(LAudioDocument& doc, BlockStore& store, int pan) {
    return DescriptorProcess(doc, store, LStereoPanEffect(pan));
}

LEffectProcess ReverseProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Inverser", std::make_unique<LReverseTask>(doc, store)};
}

LEffectProcess DcOffsetProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Correction de Décalage CC", std::make_unique<LDcOffsetTask>(doc, store)};
}

LEffectProcess SpeedPitchProcess(LAudioDocument& doc, BlockStore& store, SpeedPitchMode mode, int percent) {
    return {SpeedPitchTitle(mode), CreateSpeedPitchTask(doc, store, mode, ToPercent16(percent))};
}

LEffectProcess EqualizerProcess(LAudioDocument& doc, BlockStore& store, LCurve curve) {
    return DescriptorProcess(doc, store, LEqualizerEffect(std::move(curve)), "Egalisateur", "Egaliser");
}

LEffectProcess LowCutProcess(LAudioDocument& doc, BlockStore& store, int freq) {
    return DescriptorProcess(doc, store, LLowCutEffect(freq));
}

}  // namespace sv
