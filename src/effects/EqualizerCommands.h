#pragma once
// The equalizer (4003), the user envelope (4008) and the low cut (4011), with their dialogs:
// the equalizer's curve editor, band tools ("Réglages", dialogs 42, 43 and 44 "Harmonique")
// and "Aplanir"; the envelope's curve editor; the low cut's frequency. Each has presets and a
// preview.
#include "core/DialogSpec.h"
#include "effects/BandCurves.h"
#include "effects/Curve.h"

namespace sv {

class CommandRegistry;
class Workspace;
struct StoredValue;

extern const StoredValue kLowCutFreq;    // "StoredValues" "LowCutFreq" 250
extern const StoredValue kEqPreset;      // "StoredValues" "EQPreset" 0
extern const StoredValue kEqLinearView;  // "StoredValues" "EQLinearView" 0

// 18 "Filtre Passe-Haut", field "freq" (no range check), with presets.
DialogSpec LowCutDialog(int freq);
// 11 "Enveloppe": field "curve" (time axis), button "flatten" ("Aplanir"), presets.
DialogSpec EnvelopeDialog(Workspace& ws, const LCurve& curve);
// 3 "Egalisateur": fields "curve", "view" (0 "Linéaire", 1 "Logarithmique") and "preset"
// (the band kinds); buttons "settings" ("Réglages") and "flatten" ("Aplanir").
DialogSpec EqualizerDialog(Workspace& ws, const LCurve& curve, int preset, bool linearView);
// The band kind's settings: 42 (fields "start", "end", "amp", "slope"), 43 ("freq", "amp",
// "slope") or 44 "Harmonique" ("freq", "count", "amp", "slope").
DialogSpec BandDialog(BandKind kind, const BandParams& p);

void EqualizerCommand(Workspace& ws);  // 4003
void EnvelopeCommand(Workspace& ws);   // 4008
void LowCutCommand(Workspace& ws);     // 4011

void RegisterEqualizerCommands(CommandRegistry& registry);

}  // namespace sv
