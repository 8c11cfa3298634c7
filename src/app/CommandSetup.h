#pragma once
// One place that registers every subsystem's commands with the registry.

namespace sv {

class Application;
class CommandRegistry;

void RegisterAllCommands(CommandRegistry& registry, Application& app);

}  // namespace sv
