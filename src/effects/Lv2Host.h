#pragma once
// The LV2 host through lilv: the world of installed plug-ins (LV2_PATH, else the system's
// folders), the description of an audio effect (its audio ports and control ranges), and one
// running instance with every port connected, the URID map and the options the plug-in may
// ask for. Plug-ins that require a feature this host does not offer are not listed.
#include "core/RefCounted.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sv {

struct Lv2Control {
    std::uint32_t index = 0;
    std::string symbol;
    std::string name;
    float minimum = 0.0f, maximum = 1.0f, def = 0.0f;
    bool integer = false, toggled = false;
};

struct Lv2PluginInfo {
    std::string uri;
    std::string name;
    int audioInputs = 0, audioOutputs = 0;
    std::vector<Lv2Control> controls;  // the control inputs, in port order
};

// Control values by port symbol; absent ones take the plug-in's defaults.
using Lv2Controls = std::map<std::string, float>;

class Lv2World : public RefCounted {
public:
    // Every plug-in the LV2 path holds; the world is read once here.
    static Ref<Lv2World> Load();

    // The plug-ins usable as audio effects, sorted by name; the others with their reasons in
    // *skipped when given.
    std::vector<Lv2PluginInfo> Effects(std::vector<std::string>* skipped = nullptr) const;
    // The effect of uri; false (with the reason) when it is missing or not usable.
    bool Describe(const std::string& uri, Lv2PluginInfo* info, std::string* why) const;

    // Loads the library of uri's plug-in into this process for good (see Lv2Instance): done
    // once a child has shown that loading it is safe, so that later children start faster.
    void PinLibrary(const std::string& uri) const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    Lv2World();
    ~Lv2World() override;
    std::unique_ptr<Impl> impl_;
};

class Lv2Instance {
public:
    // An activated instance at sampleRate taking blocks of at most maxFrames; null with the
    // reason in *error when the plug-in is missing, unusable or refuses to start.
    static std::unique_ptr<Lv2Instance> Create(const Ref<Lv2World>& world, const std::string& uri, double sampleRate,
                                               std::int32_t maxFrames, const Lv2Controls& controls,
                                               std::string* error);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    const Lv2PluginInfo& Info() const;
    // The latency the plug-in reports through its latency port (0 without one).
    std::int32_t Latency() const;
    // in and out hold one buffer per audio input and output port, in port order.
    void Run(float* const* in, float* const* out, std::int32_t frames);
    // Deactivates and activates the plug-in, clearing its memory.
    void Restart();

    struct Impl;

private:
    explicit Lv2Instance(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace sv
