#pragma once
// The batch run from a terminal: "sonvela -batch SCRIPT.svb FILES... [-dest DIR] [-format EXT]"
// converts the files with the script's commands without any window, prints one line per file
// and a summary, and tells by its exit status whether every file was converted.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace sv {

class BlockStore;
class Settings;

struct BatchCommandLine {
    std::string script;
    std::vector<std::string> files;
    std::string dest;    // empty: the "BatchConverter" settings decide
    std::string format;  // empty: likewise
    std::string error;   // a switch without its argument
};

// Recognises "-batch" (any case) followed by a non-empty script as the first switch of args;
// nothing otherwise (an empty script asks for the wizard instead). Paths are made absolute
// against startDir.
std::optional<BatchCommandLine> ParseBatchCommandLine(const std::vector<std::string>& args,
                                                      const std::string& startDir);

enum BatchExit { kBatchAllDone = 0, kBatchSomeFailed = 1, kBatchNotRun = 2 };

// Runs the batch: report lines to out, a refusal of the whole run (script, folder, format) to
// err. Returns a BatchExit.
int RunBatchCommandLine(const BatchCommandLine& cl, Settings& settings, BlockStore& blocks, std::FILE* out,
                        std::FILE* err);

}  // namespace sv
