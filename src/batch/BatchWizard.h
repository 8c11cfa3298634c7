#pragma once
// Tool 7003 "Convertisseur de Lot": the three steps of the wizard (dialog 24 files, 25 the
// command list and its scripts with 27 to add commands, 26 format and destination), then the
// conversion under one progress dialog and a report of every file.
#include "batch/BatchRows.h"

#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class Settings;
class Workspace;

// The state the steps share.
struct BatchWizardState {
    std::vector<std::string> files;
    std::vector<LBatchEntry> commands;
    bool commandsChanged = false;
};

// The steps one by one; each false when the user cancelled.
bool RunBatchFilesStep(Workspace& ws, BatchWizardState& state);     // dialog 24
bool RunBatchCommandsStep(Workspace& ws, BatchWizardState& state);  // dialog 25
bool RunBatchOutputStep(Workspace& ws);                             // dialog 26, stores "BatchConverter"
// Dialog 27: the rows chosen, in row order; empty when cancelled.
std::vector<std::uint32_t> RunAddCommandDialog(Workspace& ws);

// The text of the command list, one line per command ("1. Echo - Durée de l'Echo ...").
std::string BatchListText(const std::vector<LBatchEntry>& list, const Settings& settings);

// The whole tool: the steps, the conversion and its report.
void BatchConverterCommand(Workspace& ws);
void RegisterBatchCommands(CommandRegistry& registry);

}  // namespace sv
