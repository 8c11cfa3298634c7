#pragma once
// The dynamics and restoration commands with their dialogs: the compressor (4012, dialog 19),
// automatic gain control (4009), the noise gate (4010, dialog 13), noise reduction (4023 with
// dialog 47, the noise capture 4024 and its use 4025), vocal reduction (4026) and click repair
// (7009 with dialog 45, 7010 on the selected stretch).
#include "core/DialogSpec.h"

namespace sv {

class CommandRegistry;
class Workspace;
struct StoredValue;

extern const StoredValue kCompressorThreshold;  // "StoredValues" "CompressorThreshold" 0
extern const StoredValue kCompressorRatio;      // "StoredValues" "CompressorRatio" 0
extern const StoredValue kCompressorLimit;      // "StoredValues" "CompressorLimit" 0
extern const StoredValue kNoiseGateLevel;       // "StoredValues" "NoiseGateLevel" -30
extern const StoredValue kSSNoiseThreshold;     // "StoredValues" "SSNoiseThreshold" 30
extern const StoredValue kClickSensitivity;     // "Settings" "ClickSensitivity" 50
extern const StoredValue kMaxClickLength;       // "Settings" "MaxClickLength" 450

// 19: fields "threshold" (-40..0 dB), "ratio" (rows 0..6), "limit" (0..12 dB), presets.
DialogSpec CompressorDialog(int threshold, int ratio, int limit);
// 13: field "level" (-96..0 dB), presets.
DialogSpec NoiseGateDialog(int level);
// 47: field "silence" (1..100 %), presets.
DialogSpec AutoNoiseReductionDialog(int silencePercent);
// 45: track bar "sensitivity" (0..100), field "length" (1..8,192), presets.
DialogSpec ClickRepairDialog(int sensitivity, int maxLength);

void CompressorCommand(Workspace& ws);          // 4012
void AutoGainCommand(Workspace& ws);            // 4009
void NoiseGateCommand(Workspace& ws);           // 4010
void AutoNoiseReductionCommand(Workspace& ws);  // 4023
void NoiseSampleCommand(Workspace& ws);         // 4024
void NoiseReductionCommand(Workspace& ws);      // 4025
void VocalReductionCommand(Workspace& ws);      // 4026 (the menu's item)
void ClickRepairCommand(Workspace& ws);         // 7009
void ManualClickRepairCommand(Workspace& ws);   // 7010

void RegisterDynamicsCommands(CommandRegistry& registry);

}  // namespace sv
