#include "app/CommandLine.h"

#include "formats/TagFiles.h"

#include <strings.h>

namespace sv {

namespace {
bool Is(const std::string& arg, const char* name) { return strcasecmp(arg.c_str(), name) == 0; }
}  // namespace

CommandLineResult ProcessCommandLine(const std::vector<std::string>& args, const CommandLineActions& actions) {
    CommandLineResult result;
    bool askRaw = true;
    bool showErrors = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (Is(arg, "-block") || Is(arg, "-install")) continue;
        if (Is(arg, "-runedit")) {
            result.handled = true;
        } else if (Is(arg, "-save")) {
            if (actions.save && !actions.save()) result.failed = true;
        } else if (Is(arg, "-saveas")) {
            if (i + 1 >= args.size()) continue;
            const std::string& path = args[++i];
            if (actions.saveAs && !actions.saveAs(path)) result.failed = true;
        } else if (Is(arg, "-close")) {
            if (actions.close) actions.close();
        } else if (Is(arg, "-batch")) {
            result.handled = true;
            if (actions.batch) actions.batch();
            return result;
        } else if (Is(arg, "-exit")) {
            if (actions.exit && actions.exit()) {
                result.exitRequested = true;
                return result;
            }
        } else {
            const std::string ext = LowerExtension(arg);
            if (ext.empty() || ext == ".svp") continue;
            result.handled = true;
            if (actions.openFile && !actions.openFile(arg, &askRaw, &showErrors)) result.failed = true;
        }
    }
    return result;
}

}  // namespace sv
