#pragma once
// The delay and modulation commands: echo (4004), reverb (4005) and, under "Effets Spéciaux",
// phaser (4031), flanger (4035), chorus (4036), distortion (4032), AM radio (4033) and
// telephone (4034), with their dialogs, presets, stored values and refusals; and the
// dialog-free entries the batch converter runs.
#include "core/DialogSpec.h"
#include "effects/EffectProcess.h"
#include "effects/ModulatedDelay.h"

namespace sv {

class BlockStore;
class CommandRegistry;
class LAudioDocument;

DialogSpec EchoDialog();
DialogSpec ReverbDialog();
DialogSpec PhaserDialog();
DialogSpec FlangerDialog();
DialogSpec ChorusDialog();
DialogSpec DistortionDialog();

LEffectProcess EchoProcess(LAudioDocument& doc, BlockStore& store, int timeMs, int gainPercent);
LEffectProcess ReverbProcess(LAudioDocument& doc, BlockStore& store, int levelPercent, int timeMs);
LEffectProcess PhaserProcess(LAudioDocument& doc, BlockStore& store, int timeMs, int gainPercent);
LEffectProcess FlangerProcess(LAudioDocument& doc, BlockStore& store, const ModulatedDelayParams& p);
LEffectProcess ChorusProcess(LAudioDocument& doc, BlockStore& store, const ModulatedDelayParams& p);
LEffectProcess DistortionProcess(LAudioDocument& doc, BlockStore& store, double degree, int levelDb);
LEffectProcess AmRadioProcess(LAudioDocument& doc, BlockStore& store);
LEffectProcess TelephoneProcess(LAudioDocument& doc, BlockStore& store);

void RegisterDelayCommands(CommandRegistry& registry);

}  // namespace sv
