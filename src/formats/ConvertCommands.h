#pragma once
// Convert sample rate (1006) and convert channels to mono (1007) or stereo (1008): the whole
// active document rewritten through the rate and channel converter as one undoable step.
#include "core/DialogSpec.h"

#include <cstdint>

namespace sv {

class CommandRegistry;
class Workspace;

// The dialog of command 1006 with rate in its field; rates from 1000 to 384000 Hz are accepted.
DialogSpec ConvertRateDialog(int rate);

void ConvertRateCommand(Workspace& ws);
void ConvertChannelsCommand(Workspace& ws, std::uint8_t channels);

void RegisterConvertCommands(CommandRegistry& registry);

}  // namespace sv
