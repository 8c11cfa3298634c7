#pragma once
// One entry per effect for callers without a dialog (the batch converter): the accepted
// settings in, the process that applies them to a document's selection out. The menu commands
// use the same entries after their dialogs.
#include "effects/Curve.h"
#include "effects/EffectProcess.h"
#include "effects/SpeedPitchCommands.h"

#include <cstdint>

namespace sv {

class BlockStore;
class LAudioDocument;

LEffectProcess AmplifyProcess(LAudioDocument& doc, BlockStore& store, int gainPercent);
LEffectProcess NormalizeProcess(LAudioDocument& doc, BlockStore& store, int levelPercent);
LEffectProcess FadeInProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess FadeOutProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess FadeOutTrimProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess EnvelopeProcess(LAudioDocument& doc, BlockStore& store, LCurve curve);
LEffectProcess CrossFadeProcess(LAudioDocument& doc, BlockStore& store, int gapMs, int fadeInMs, int fadeOutMs);
// On a mono document the pan changes nothing.
LEffectProcess StereoPanProcess(LAudioDocument& doc, BlockStore& store, int pan);
LEffectProcess ReverseProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess DcOffsetProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess SpeedPitchProcess(LAudioDocument& doc, BlockStore& store, SpeedPitchMode mode, int percent);
LEffectProcess EqualizerProcess(LAudioDocument& doc, BlockStore& store, LCurve curve);
LEffectProcess LowCutProcess(LAudioDocument& doc, BlockStore& store, int freq);

}  // namespace sv
