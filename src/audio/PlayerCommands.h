#pragma once
// The Control menu's player commands (3002 to 3011) on the frame's PlayerControl.
namespace sv {

class CommandRegistry;
class PlayerControl;

void RegisterPlayerCommands(CommandRegistry& registry, PlayerControl& control);

}  // namespace sv
