#pragma once
// The basic effect commands of the Effects menu: amplify, normalise, the fades, cross fade,
// stereo pan, reverse and DC offset correction, with their parameter dialogs.
#include "core/DialogSpec.h"

#include <cstdint>

namespace sv {

class CommandRegistry;
class Workspace;
struct StoredValue;

extern const StoredValue kAmplifyGain;        // "StoredValues" "AmplifyGain" 100
extern const StoredValue kNormalizePeakLevel; // "StoredValues" "NormalizePeakLevel" 100
extern const StoredValue kStereoPan;          // "StoredValues" "StereoPan" 50
extern const StoredValue kCrossFadeGap;       // "CrossFade" "GapTimeMS" 300
extern const StoredValue kCrossFadeIn;        // "CrossFade" "FadeInTimeMS" 300
extern const StoredValue kCrossFadeOut;       // "CrossFade" "FadeOutTimeMS" 300

// The parameter dialogs, filled with the given values.
DialogSpec AmplifyDialog(int gain);                   // 10 "Amplifier", field "gain"
DialogSpec NormalizeDialog(int level);                // 6 "Normaliser", field "level"
DialogSpec StereoPanDialog(int pan);                  // 41 "Panorama Stéréo...", field "pan"
// 40 "Fondu Enchaîné...": labels "start" and "end" (time texts), fields "gap", "fadeIn", "fadeOut".
DialogSpec CrossFadeDialog(std::int32_t startMs, std::int32_t endMs, int gapMs, int fadeInMs, int fadeOutMs);

void AmplifyCommand(Workspace& ws);      // 4001
void NormalizeCommand(Workspace& ws);    // 4002
void FadeInCommand(Workspace& ws);       // 4006
void FadeOutCommand(Workspace& ws);      // 4007
void FadeOutTrimCommand(Workspace& ws);  // 4013
void DcOffsetCommand(Workspace& ws);     // 4017
void ReverseCommand(Workspace& ws);      // 4018
void CrossFadeCommand(Workspace& ws);    // 4021
void StereoPanCommand(Workspace& ws);    // 4022

void RegisterBasicEffectCommands(CommandRegistry& registry);

}  // namespace sv
