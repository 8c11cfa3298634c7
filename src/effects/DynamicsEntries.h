#pragma once
// The dialog-free entries of the dynamics and restoration effects (the batch converter's, and
// the menu commands' after their dialogs and checks): the accepted settings in, the process
// that applies them to a document's selection out.
#include "effects/Compressor.h"
#include "effects/EffectProcess.h"
#include "effects/NoisePrint.h"

#include <memory>

namespace sv {

class BlockStore;
class LAudioDocument;

LEffectProcess CompressorProcess(LAudioDocument& doc, BlockStore& store, const CompressorSettings& s);
LEffectProcess AutoGainProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess NoiseGateProcess(LAudioDocument& doc, BlockStore& store, int levelDb);
// A print that does not fit the document (rate, channels) changes nothing.
LEffectProcess NoiseReductionProcess(LAudioDocument& doc, BlockStore& store, std::shared_ptr<const NoisePrint> print);
LEffectProcess AutoNoiseReductionProcess(LAudioDocument& doc, BlockStore& store, int silencePercent);
// On a mono document vocal reduction changes nothing.
LEffectProcess VocalReductionProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess ClickRepairProcess(LAudioDocument& doc, BlockStore& store, int sensitivityPercent, int maxLength);
LEffectProcess ManualClickRepairProcess(LAudioDocument& doc, BlockStore& store);

}  // namespace sv
