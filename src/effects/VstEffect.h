#pragma once
// The VST 2 host as an effect: the filter that runs a plug-in over a reader, its descriptor,
// and the list of the plug-ins of a folder, each tried once in a child process first.
#include "effects/EffectDescriptor.h"
#include "effects/PluginFilter.h"

#include <memory>
#include <string>
#include <vector>

namespace sv {

class VstPlugin;

extern const char* const kVstFailure;  // "ECHEC de l'Application de l'Effet VST"

// Parameter values by index, as set in the settings dialog; the plug-in's own for the rest.
using VstParams = std::vector<std::pair<int, float>>;

class LVstFilter final : public LPluginFilter {
public:
    // A plug-in that cannot be loaded fails the filter with kVstFailure and the reason.
    LVstFilter(Ref<LAudioReader> input, const std::string& path, const VstParams& params);

protected:
    ~LVstFilter() override;
    void RunPlugin(int instance, float* const* in, float* const* out, std::int32_t frames) override;
    void ResetPlugin() override;

private:
    std::vector<std::unique_ptr<VstPlugin>> plugins_;
};

class LVstEffect final : public LEffectDescriptor {
public:
    LVstEffect(std::string path, VstParams params) : path_(std::move(path)), params_(std::move(params)) {}
    std::string GetName() const override { return "VST Effects"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

private:
    std::string path_;
    VstParams params_;
};

struct VstPluginEntry {
    std::string path;
    std::string name;
    int params = 0;
    bool hasEditor = false;
};

// The shared libraries in folder and its subfolders (two levels down), sorted by path.
std::vector<std::string> FindVstLibraries(const std::string& folder);
// The plug-ins among libraries: each tried once per process in a child (loaded, named, fed a
// short sine); those that fail there, crash or hang are left out, with their reasons in
// *skipped when given.
std::vector<VstPluginEntry> ListVstPlugins(const std::vector<std::string>& libraries,
                                           std::vector<std::string>* skipped = nullptr);

}  // namespace sv
