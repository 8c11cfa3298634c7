#include "batch/BatchOutput.h"

#include "formats/TagFiles.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>

namespace sv {

namespace {

constexpr const char* kGroup = "BatchConverter";

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The same file under two spellings ("dir/../dir/a.wav") must compare equal: the folder is
// resolved when it exists, the name kept.
std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    const std::string folder = FolderOf(path);
    if (::realpath(folder.c_str(), resolved)) return JoinPath(resolved, FileNamePart(path));
    return path;
}

}  // namespace

BatchOutputSettings ReadBatchOutputSettings(const Settings& settings) {
    BatchOutputSettings out;
    out.sameFormat = settings.ReadIntSetting(kGroup, "SaveSameFileFormat", 1) != 0;
    out.formatIndex = settings.ReadIntSetting(kGroup, "SaveFileFormat", 0);
    if (out.formatIndex < 0 || out.formatIndex >= static_cast<int>(BatchFormatExtensions().size())) out.formatIndex = 0;
    out.sameFolder = settings.ReadIntSetting(kGroup, "SameOutputFolder", 1) != 0;
    out.folder = settings.ReadSetting(kGroup, "OutputFolder");
    return out;
}

void WriteBatchOutputSettings(Settings& settings, const BatchOutputSettings& out) {
    settings.WriteIntUserSetting(kGroup, "SaveSameFileFormat", out.sameFormat ? 1 : 0);
    settings.WriteIntUserSetting(kGroup, "SaveFileFormat", out.formatIndex);
    settings.WriteIntUserSetting(kGroup, "SameOutputFolder", out.sameFolder ? 1 : 0);
    settings.WriteUserSetting(kGroup, "OutputFolder", out.folder);
}

const std::vector<std::string>& BatchFormatExtensions() {
    static const std::vector<std::string> kExtensions = {".wav", ".mp3", ".au",  ".aif", ".gsm", ".vox",
                                                         ".raw", ".ogg", ".flac", ".aac", ".m4a", ".amr"};
    return kExtensions;
}

const std::vector<std::string>& BatchFormatLabels() {
    static const std::vector<std::string> kLabels = {
        "Wave (*.wav)",      "MPEG Layer-3 (*.mp3)",       "Sun AU (*.au)",   "Apple AIFF (*.aif)",
        "GSM (*.gsm)",       "Dialogic Vox (*.vox)",       "Raw Audio (*.raw)", "Ogg Vorbis (*.ogg)",
        "FLAC (*.flac)",     "AAC (*.aac)",                "MPEG-4 Audio (*.m4a)", "AMR Narrowband Audio (*.amr)"};
    return kLabels;
}

int BatchFormatIndex(const std::string& extension) {
    std::string ext = extension;
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext.empty()) return -1;
    if (ext[0] != '.') ext = "." + ext;
    if (ext == ".aiff") ext = ".aif";
    const auto& all = BatchFormatExtensions();
    const auto it = std::find(all.begin(), all.end(), ext);
    return it == all.end() ? -1 : static_cast<int>(it - all.begin());
}

std::vector<BatchTarget> PlanBatchOutputs(const std::vector<std::string>& sources, const BatchOutputSettings& out) {
    std::vector<BatchTarget> plan;
    std::map<std::string, std::vector<std::size_t>> byOutput;
    for (const std::string& source : sources) {
        BatchTarget t;
        t.source = source;
        const std::string ext = LowerExtension(source);
        const std::string name = FileNamePart(source);
        const std::string stem = name.substr(0, name.size() - ext.size());
        const std::string newExt = out.sameFormat ? name.substr(stem.size()) : BatchFormatExtensions()[out.formatIndex];
        const std::string folder = out.sameFolder ? FolderOf(source) : out.folder;
        t.output = JoinPath(folder, stem + newExt);
        if (!FitsPath(t.output)) t.refusal = "Le chemin du fichier de sortie est trop long.";
        byOutput[Canonical(t.output)].push_back(plan.size());
        plan.push_back(std::move(t));
    }
    for (const auto& [output, users] : byOutput) {
        if (users.size() < 2) continue;
        for (std::size_t i : users)
            plan[i].refusal = "Plusieurs fichiers du lot seraient enregistrés sous \"" + plan[i].output + "\".";
    }
    return plan;
}

}  // namespace sv
