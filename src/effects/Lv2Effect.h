#pragma once
// The LV2 host as an effect: the system effect plug-ins of this editor. The filter runs one
// plug-in (several instances side by side when the document has more channels than it takes).
#include "effects/EffectDescriptor.h"
#include "effects/Lv2Host.h"
#include "effects/PluginFilter.h"

#include <memory>
#include <string>
#include <vector>

namespace sv {

extern const char* const kLv2Failure;  // "ECHEC de l'Application de l'Effet DirectX"

class LLv2Filter final : public LPluginFilter {
public:
    // A plug-in that cannot be started fails the filter with kLv2Failure and the reason.
    LLv2Filter(Ref<LAudioReader> input, const Ref<Lv2World>& world, const std::string& uri, const Lv2Controls& controls);

protected:
    ~LLv2Filter() override;
    void RunPlugin(int instance, float* const* in, float* const* out, std::int32_t frames) override;
    void ResetPlugin() override;

private:
    std::vector<std::unique_ptr<Lv2Instance>> instances_;
};

class LLv2Effect final : public LEffectDescriptor {
public:
    LLv2Effect(Ref<Lv2World> world, std::string uri, Lv2Controls controls)
        : world_(std::move(world)), uri_(std::move(uri)), controls_(std::move(controls)) {}
    std::string GetName() const override { return "DirectX Effects"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

private:
    Ref<Lv2World> world_;
    std::string uri_;
    Lv2Controls controls_;
};

// The audio effects of world, each tried once per process in a child (started and fed a
// short sine); those that fail there, crash or hang are left out, with their reasons in
// *skipped when given.
std::vector<Lv2PluginInfo> ListLv2Effects(const Ref<Lv2World>& world, std::vector<std::string>* skipped = nullptr);

}  // namespace sv
