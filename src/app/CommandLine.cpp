#include "app/CommandLine.h"

#include "formats/TagFiles.h"
#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <strings.h>

namespace sv {

namespace {
bool Is(const std::string& arg, const char* name) { return strcasecmp(arg.c_str(), name) == 0; }

// A whole positive decimal number that a window can take; 0 otherwise.
int WindowExtent(const std::string& text) {
    if (text.empty()) return 0;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v <= 0 || v > 65535) return 0;
    return static_cast<int>(v);
}
}  // namespace

bool ReadListFile(const std::string& path, std::vector<std::string>* files) {
    files->clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string folder;
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) folder = path.substr(0, slash);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.empty()) continue;
        files->push_back(line[0] == '/' || folder.empty() ? line : JoinPath(folder, line));
    }
    return !in.bad();
}

CommandLineResult ProcessCommandLine(const std::vector<std::string>& args, const CommandLineActions& actions) {
    CommandLineResult result;
    bool askRaw = true;
    bool showErrors = true;
    auto open = [&](const std::string& path) {
        if (actions.openFile && !actions.openFile(path, &askRaw, &showErrors)) result.failed = true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (Is(arg, "-block") || Is(arg, "-install")) continue;
        if (Is(arg, "-runedit")) {
            result.handled = true;
        } else if (Is(arg, "-save")) {
            if (actions.save && !actions.save()) result.failed = true;
        } else if (Is(arg, "-saveas")) {
            if (!hasNext) continue;
            const std::string& path = args[++i];
            if (actions.saveAs && !actions.saveAs(path)) result.failed = true;
        } else if (Is(arg, "-close")) {
            if (actions.close) actions.close();
        } else if (Is(arg, "-exit")) {
            if (actions.exit && actions.exit()) {
                result.exitRequested = true;
                return result;
            }
        } else if (Is(arg, "-minimize") || Is(arg, "-maximize") || Is(arg, "-restore")) {
            const auto& act = Is(arg, "-minimize") ? actions.minimize
                              : Is(arg, "-maximize") ? actions.maximize
                                                     : actions.restore;
            if (act) act();
            result.handled = true;
        } else if (Is(arg, "-window")) {
            if (i + 2 >= args.size()) continue;
            const int w = WindowExtent(args[i + 1]), h = WindowExtent(args[i + 2]);
            i += 2;
            if (w == 0 || h == 0) continue;
            if (actions.resizeClient) actions.resizeClient(w, h);
            result.handled = true;
        } else if (Is(arg, "-batch")) {
            if (actions.batch) actions.batch(hasNext ? args[i + 1] : std::string());
            return result;
        } else if (Is(arg, "-list")) {
            if (!hasNext) continue;
            const std::string& listPath = args[++i];
            std::vector<std::string> files;
            if (listPath.empty() || listPath[0] == '-' || !ReadListFile(listPath, &files)) continue;
            for (const std::string& f : files) open(f);
            return result;
        } else {
            const std::string ext = LowerExtension(arg);
            if (ext.empty()) continue;
            if (ext == ".svp") {
                if (actions.openProject && !actions.openProject(arg)) result.failed = true;
                continue;
            }
            result.handled = true;
            open(arg);
        }
    }
    return result;
}

}  // namespace sv
