#include "effects/VstEffect.h"

#include "effects/PluginProbe.h"
#include "effects/VstPlugin.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>

namespace sv {

const char* const kVstFailure = "ECHEC de l'Application de l'Effet VST";

namespace {

constexpr std::int32_t kBlockSize = kMaxFramesPerCall;
constexpr int kProbeTimeoutMs = 15000;

std::string Failure(const std::string& reason) { return std::string(kVstFailure) + "\n\n" + reason; }

}  // namespace

LVstFilter::LVstFilter(Ref<LAudioReader> input, const std::string& path, const VstParams& params)
    : LPluginFilter(std::move(input)) {
    if (errorCode != kReaderOk) return;
    std::string error;
    std::unique_ptr<VstPlugin> first = VstPlugin::Load(path, &error);
    if (!first) {
        Fail(Failure(error));
        return;
    }
    const int ins = first->Inputs(), outs = first->Outputs();
    if (outs == 0) {
        Fail(Failure(path + " n'a pas de sortie audio"));
        return;
    }
    const int instances = InstancesFor(ins, outs, channels);
    plugins_.push_back(std::move(first));
    while (static_cast<int>(plugins_.size()) < instances) {
        std::unique_ptr<VstPlugin> more = VstPlugin::Load(path, &error);
        if (!more) {
            Fail(Failure(error));
            return;
        }
        plugins_.push_back(std::move(more));
    }
    for (auto& p : plugins_) {
        for (const auto& [index, value] : params) p->SetParam(index, value);
        p->Start(sampleRate, kBlockSize);
    }
    SetLayout(ins, outs, instances, plugins_.front()->Latency());
}

LVstFilter::~LVstFilter() = default;

void LVstFilter::RunPlugin(int instance, float* const* in, float* const* out, std::int32_t frames) {
    plugins_[static_cast<std::size_t>(instance)]->Process(in, out, frames);
}

void LVstFilter::ResetPlugin() {
    for (auto& p : plugins_) p->Restart();
}

Ref<LAudioReader> LVstEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LVstFilter>(input, path_, params_);
}

std::vector<std::string> FindVstLibraries(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return found;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it.depth() > 2) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::path& p = it->path();
        if (p.extension() == ".so" && it->is_regular_file(ec)) found.push_back(p.string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

namespace {

struct ProbeResult {
    bool ok = false;
    VstPluginEntry entry;
    std::string reason;
};

// Loads the plug-in in the child, names it and runs a tenth of a second of sine through it.
std::optional<std::string> ProbeWork(const std::string& path) {
    std::string error;
    std::unique_ptr<VstPlugin> p = VstPlugin::Load(path, &error);
    if (!p) return "!" + error;
    const std::string name = p->EffectName();
    const int frames = 4410;
    std::vector<std::vector<float>> in(static_cast<std::size_t>(p->Inputs()), std::vector<float>(frames + kPluginBufferPadding));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(p->Outputs()), std::vector<float>(frames + kPluginBufferPadding));
    for (auto& ch : in)
        for (int i = 0; i < frames; ++i) ch[static_cast<std::size_t>(i)] = 0.5f * std::sin(i * 0.0627f);
    std::vector<float*> inPtr, outPtr;
    for (auto& ch : in) inPtr.push_back(ch.data());
    for (auto& ch : out) outPtr.push_back(ch.data());
    p->Start(44100.0, frames);
    p->Process(inPtr.data(), outPtr.data(), frames);
    std::ostringstream report;
    report << p->Params() << ' ' << (p->HasEditor() ? 1 : 0) << ' ' << name;
    return report.str();
}

ProbeResult Probe(const std::string& path) {
    ProbeResult r;
    r.entry.path = path;
    std::string why;
    const std::optional<std::string> text = ProbeInChild([&path] { return ProbeWork(path); }, kProbeTimeoutMs, &why);
    if (!text) {
        r.reason = path + " " + why;
        return r;
    }
    if (!text->empty() && (*text)[0] == '!') {
        r.reason = text->substr(1);
        return r;
    }
    std::istringstream in(*text);
    int editor = 0;
    in >> r.entry.params >> editor;
    in.get();
    std::getline(in, r.entry.name, '\0');
    r.entry.hasEditor = editor != 0;
    r.ok = true;
    return r;
}

// Probe results by path and modification time, kept for the life of the process.
std::mutex gProbeLock;
std::map<std::pair<std::string, std::int64_t>, ProbeResult> gProbes;

std::int64_t ModificationTime(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

std::vector<VstPluginEntry> ListVstPlugins(const std::vector<std::string>& libraries, std::vector<std::string>* skipped) {
    std::vector<VstPluginEntry> list;
    for (const std::string& path : libraries) {
        const auto key = std::make_pair(path, ModificationTime(path));
        ProbeResult r;
        {
            std::lock_guard<std::mutex> lock(gProbeLock);
            auto it = gProbes.find(key);
            if (it != gProbes.end()) r = it->second;
            else r = gProbes[key] = Probe(path);
            // Safe to load here, as the child showed: later children then find it (and what it
            // loads) already mapped and start faster. Plug-in libraries are never unloaded.
            if (r.ok && it == gProbes.end()) dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
        if (r.ok) list.push_back(r.entry);
        else if (skipped) skipped->push_back(r.reason);
    }
    return list;
}

}  // namespace sv
