#include "effects/DynamicsEntries.h"

#include "effects/AutoGain.h"
#include "effects/ClickRepair.h"
#include "effects/NoiseGate.h"
#include "effects/NoiseReduction.h"
#include "effects/VocalReduction.h"

namespace sv {

LEffectProcess CompressorProcess(LAudioDocument& doc, BlockStore& store, const CompressorSettings& s) {
    return DescriptorProcess(doc, store, LCompressorEffect(s), "Compresseur de Gamme d'Amplification");
}

LEffectProcess AutoGainProcess(LAudioDocument& doc, BlockStore& store) {
    return DescriptorProcess(doc, store, LAutoGainEffect(), "Gestion d'accroissement automatique",
                             "Contrôle Automatique des Gains en cours");
}

LEffectProcess NoiseGateProcess(LAudioDocument& doc, BlockStore& store, int levelDb) {
    return DescriptorProcess(doc, store, LNoiseGateEffect(levelDb));
}

LEffectProcess NoiseReductionProcess(LAudioDocument& doc, BlockStore& store, std::shared_ptr<const NoisePrint> print) {
    return DescriptorProcess(doc, store, LNoiseReductionEffect(std::move(print)));
}

LEffectProcess AutoNoiseReductionProcess(LAudioDocument& doc, BlockStore& store, int silencePercent) {
    return {"Réduction Spectrale Automatique des Bruits",
            std::make_unique<LAutoNoiseReductionTask>(doc, store, silencePercent)};
}

LEffectProcess VocalReductionProcess(LAudioDocument& doc, BlockStore& store) {
    return DescriptorProcess(doc, store, LVocalReductionEffect(), "Réduire la Piste Vocale");
}

LEffectProcess ClickRepairProcess(LAudioDocument& doc, BlockStore& store, int sensitivityPercent, int maxLength) {
    return DescriptorProcess(doc, store, LClickRepairEffect(sensitivityPercent, maxLength), {}, "Click Detecting");
}

LEffectProcess ManualClickRepairProcess(LAudioDocument& doc, BlockStore& store) {
    return {"Clic Manuel/Réparation de Claquement", std::make_unique<LManualClickRepairTask>(doc, store)};
}

}  // namespace sv
