#pragma once
// The speed and pitch commands of the Effects menu: speed and pitch together like a tape
// played faster (4014), speed with constant pitch (4015) and pitch with constant speed (4016),
// each with its one-field dialog and its stored percentage.
#include "core/AudioReader.h"
#include "core/DialogSpec.h"
#include "core/RefCounted.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sv {

class BlockStore;
class CommandRegistry;
class LAudioDocument;
class LDocumentTask;
class Workspace;
struct StoredValue;

enum class SpeedPitchMode { SpeedAndPitch, Speed, Pitch };

extern const StoredValue kSpeedPitchPercent;  // "StoredValues" "SpSpeedPitch" 100
extern const StoredValue kSpeedPercent;       // "StoredValues" "ConstPitchSpeed" 100
extern const StoredValue kPitchPercent;       // "StoredValues" "ConstSpeedPitch" 100

// Percentages are kept as signed 16-bit values; out-of-range text saturates rather than wraps
// (a wrapped -40000 would become 25536 %).
std::int16_t ToPercent16(int value);

// Dialog 21 of the mode, field "percent"; above 300 is refused.
DialogSpec SpeedPitchDialog(SpeedPitchMode mode, int percent);

// The chain that changes input by percent (factor percent / 100) in the given mode; its
// Length() is the length of the result. The input itself when nothing would change.
Ref<LAudioReader> CreateSpeedPitchChain(const Ref<LAudioReader>& input, SpeedPitchMode mode, int percent);

// The mode's dialog title, also its undo name.
std::string SpeedPitchTitle(SpeedPitchMode mode);
// The task that rewrites doc's selection through that chain; the selection end follows the
// new length. Nothing changes when the chain would change nothing.
std::unique_ptr<LDocumentTask> CreateSpeedPitchTask(LAudioDocument& doc, BlockStore& store, SpeedPitchMode mode,
                                                    int percent);

void SpeedPitchCommand(Workspace& ws);  // 4014
void SpeedCommand(Workspace& ws);       // 4015
void PitchCommand(Workspace& ws);       // 4016

void RegisterSpeedPitchCommands(CommandRegistry& registry);

}  // namespace sv
