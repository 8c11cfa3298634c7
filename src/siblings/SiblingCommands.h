#pragma once
// The commands that hand work to the maker's separate programs: 1012 and 1018 (all open files
// to CD as an audio or a data disc) and 7002 (the tone generator).
namespace sv {

class CommandRegistry;

void RegisterSiblingCommands(CommandRegistry& registry);

}  // namespace sv
