#include "effects/Lv2Host.h"

#include "effects/PluginFilter.h"

#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/port-props/port-props.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>

namespace sv {

namespace {

// The features this host hands every instance; a plug-in requiring any other is not offered.
const std::set<std::string>& OfferedFeatures() {
    static const std::set<std::string> offered = {LV2_URID__map, LV2_URID__unmap, LV2_OPTIONS__options,
                                                  LV2_BUF_SIZE__boundedBlockLength,
                                                  // A property of the plug-in that some list as required.
                                                  LV2_CORE__hardRTCapable};
    return offered;
}

// Keeps the plug-in's library mapped for the life of the process, as the VST 2 host does:
// lilv unloads it with the last instance, and plug-ins leave threads and exit handlers behind.
void PinPluginLibrary(const LilvPlugin* plugin) {
    const LilvNode* uri = lilv_plugin_get_library_uri(plugin);
    char* path = uri ? lilv_file_uri_parse(lilv_node_as_uri(uri), nullptr) : nullptr;
    if (!path) return;
    static std::mutex lock;
    static std::set<std::string> pinned;
    std::lock_guard<std::mutex> guard(lock);
    if (pinned.insert(path).second) dlopen(path, RTLD_NOW | RTLD_LOCAL);
    lilv_free(path);
}

std::string NodeText(const LilvNode* node) {
    const char* s = node ? lilv_node_as_string(node) : nullptr;
    return s ? s : "";
}

// Holds a node lilv hands over for the caller to free.
struct OwnedNode {
    LilvNode* node;
    explicit OwnedNode(LilvNode* n) : node(n) {}
    ~OwnedNode() { lilv_node_free(node); }
    OwnedNode(const OwnedNode&) = delete;
    OwnedNode& operator=(const OwnedNode&) = delete;
};

}  // namespace

struct Lv2World::Impl {
    LilvWorld* world = lilv_world_new();
    LilvNode* audioPort = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* controlPort = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* inputPort = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* outputPort = lilv_new_uri(world, LV2_CORE__OutputPort);
    LilvNode* cvPort = lilv_new_uri(world, LV2_CORE__CVPort);
    LilvNode* atomPort = lilv_new_uri(world, LV2_ATOM__AtomPort);
    LilvNode* integer = lilv_new_uri(world, LV2_CORE__integer);
    LilvNode* toggled = lilv_new_uri(world, LV2_CORE__toggled);
    LilvNode* optional = lilv_new_uri(world, LV2_CORE__connectionOptional);

    ~Impl() {
        for (LilvNode* n : {audioPort, controlPort, inputPort, outputPort, cvPort, atomPort, integer, toggled, optional})
            lilv_node_free(n);
        lilv_world_free(world);
    }

    const LilvPlugin* Find(const std::string& uri) const {
        OwnedNode node(lilv_new_uri(world, uri.c_str()));
        return node.node ? lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node.node) : nullptr;
    }

    bool Describe(const LilvPlugin* plugin, Lv2PluginInfo* info, std::string* why) const {
        info->uri = NodeText(lilv_plugin_get_uri(plugin));
        {
            OwnedNode name(lilv_plugin_get_name(plugin));
            info->name = NodeText(name.node);
        }
        if (info->name.empty()) info->name = info->uri;
        const auto fail = [&](const std::string& reason) {
            if (why) *why = info->name + " : " + reason;
            return false;
        };
        LilvNodes* required = lilv_plugin_get_required_features(plugin);
        std::string missing;
        LILV_FOREACH (nodes, i, required) {
            const std::string f = NodeText(lilv_nodes_get(required, i));
            if (!OfferedFeatures().count(f)) missing = f;
        }
        lilv_nodes_free(required);
        if (!missing.empty()) return fail("demande " + missing);

        const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(ports), maxs(ports), defs(ports);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
        info->audioInputs = info->audioOutputs = 0;
        info->controls.clear();
        for (std::uint32_t p = 0; p < ports; ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
            const bool in = lilv_port_is_a(plugin, port, inputPort), out = lilv_port_is_a(plugin, port, outputPort);
            if (lilv_port_is_a(plugin, port, audioPort)) {
                (in ? info->audioInputs : info->audioOutputs) += in || out ? 1 : 0;
                if (!in && !out) return fail("port audio sans direction");
            } else if (lilv_port_is_a(plugin, port, controlPort) && in) {
                Lv2Control c;
                c.index = p;
                c.symbol = NodeText(lilv_port_get_symbol(plugin, port));
                {
                    OwnedNode name(lilv_port_get_name(plugin, port));
                    c.name = NodeText(name.node);
                }
                c.minimum = std::isnan(mins[p]) ? 0.0f : mins[p];
                c.maximum = std::isnan(maxs[p]) ? std::max(c.minimum, 1.0f) : maxs[p];
                if (c.maximum < c.minimum) std::swap(c.minimum, c.maximum);
                c.def = std::isnan(defs[p]) ? c.minimum : std::clamp(defs[p], c.minimum, c.maximum);
                c.integer = lilv_port_has_property(plugin, port, integer);
                c.toggled = lilv_port_has_property(plugin, port, toggled);
                info->controls.push_back(std::move(c));
            } else if (lilv_port_is_a(plugin, port, controlPort) || lilv_port_is_a(plugin, port, cvPort) ||
                       lilv_port_is_a(plugin, port, atomPort)) {
                // Connected to buffers of the instance's own.
            } else if (!lilv_port_has_property(plugin, port, optional)) {
                return fail("port d'un type inconnu");
            }
        }
        if (info->audioInputs == 0 || info->audioOutputs == 0) return fail("pas un effet audio");
        return true;
    }
};

void Lv2World::PinLibrary(const std::string& uri) const {
    if (const LilvPlugin* plugin = impl_->Find(uri)) PinPluginLibrary(plugin);
}

Lv2World::Lv2World() : impl_(std::make_unique<Impl>()) { lilv_world_load_all(impl_->world); }

Lv2World::~Lv2World() = default;

Ref<Lv2World> Lv2World::Load() { return Ref<Lv2World>(new Lv2World()); }

std::vector<Lv2PluginInfo> Lv2World::Effects(std::vector<std::string>* skipped) const {
    std::vector<Lv2PluginInfo> list;
    const LilvPlugins* all = lilv_world_get_all_plugins(impl_->world);
    LILV_FOREACH (plugins, i, all) {
        Lv2PluginInfo info;
        std::string why;
        if (impl_->Describe(lilv_plugins_get(all, i), &info, &why)) list.push_back(std::move(info));
        else if (skipped) skipped->push_back(why);
    }
    std::sort(list.begin(), list.end(), [](const Lv2PluginInfo& a, const Lv2PluginInfo& b) {
        return a.name != b.name ? a.name < b.name : a.uri < b.uri;
    });
    return list;
}

bool Lv2World::Describe(const std::string& uri, Lv2PluginInfo* info, std::string* why) const {
    const LilvPlugin* plugin = impl_->Find(uri);
    if (!plugin) {
        if (why) *why = uri + " : plugiciel introuvable";
        return false;
    }
    return impl_->Describe(plugin, info, why);
}

struct Lv2Instance::Impl {
    Ref<Lv2World> world;
    Lv2PluginInfo info;
    LilvInstance* instance = nullptr;
    bool active = false;

    // The URID map: a URI's number is its place in the list, from 1.
    std::mutex uridLock;
    std::vector<std::string> uris;
    LV2_URID_Map map{};
    LV2_URID_Unmap unmap{};

    std::int32_t maxFrames = 0, minFrames = 1;
    float sampleRate = 0.0f;
    std::vector<LV2_Options_Option> options;
    LV2_Feature mapFeature{}, unmapFeature{}, optionsFeature{}, boundedFeature{};
    std::vector<const LV2_Feature*> features;

    std::vector<float> controls;  // one per port, for control ports in and out
    std::vector<std::uint32_t> audioIn, audioOut;
    std::vector<std::vector<float>> cvBuffers;
    struct AtomBuffer {
        std::uint32_t port;
        bool input;
        std::vector<std::uint64_t> memory;  // 8-byte aligned, as atoms must be
    };
    std::vector<AtomBuffer> atoms;
    int latencyPort = -1;
    LV2_URID sequenceType = 0, chunkType = 0;

    ~Impl() {
        if (instance) {
            if (active) lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
    }

    LV2_URID Map(const char* uri) {
        std::lock_guard<std::mutex> lock(uridLock);
        const auto it = std::find(uris.begin(), uris.end(), uri);
        if (it != uris.end()) return static_cast<LV2_URID>(it - uris.begin() + 1);
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    const char* Unmap(LV2_URID id) {
        std::lock_guard<std::mutex> lock(uridLock);
        return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
    }

    void ResetAtoms() {
        for (AtomBuffer& a : atoms) {
            auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(a.memory.data());
            if (a.input) {
                seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
                seq->atom.type = sequenceType;
            } else {
                seq->atom.size = static_cast<std::uint32_t>(a.memory.size() * sizeof(std::uint64_t) - sizeof(LV2_Atom));
                seq->atom.type = chunkType;
            }
            seq->body.unit = 0;
            seq->body.pad = 0;
        }
    }
};

Lv2Instance::Lv2Instance(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Lv2Instance::~Lv2Instance() = default;

std::unique_ptr<Lv2Instance> Lv2Instance::Create(const Ref<Lv2World>& world, const std::string& uri,
                                                 double sampleRate, std::int32_t maxFrames,
                                                 const Lv2Controls& controls, std::string* error) {
    auto impl = std::make_unique<Impl>();
    Impl& m = *impl;
    m.world = world;
    Lv2World::Impl& w = world->impl();
    const LilvPlugin* plugin = w.Find(uri);
    std::string why;
    if (!plugin) {
        if (error) *error = uri + " : plugiciel introuvable";
        return nullptr;
    }
    if (!w.Describe(plugin, &m.info, &why)) {
        if (error) *error = why;
        return nullptr;
    }

    m.map.handle = &m;
    m.map.map = [](LV2_URID_Map_Handle h, const char* u) { return static_cast<Impl*>(h)->Map(u); };
    m.unmap.handle = &m;
    m.unmap.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<Impl*>(h)->Unmap(id); };
    m.sequenceType = m.Map(LV2_ATOM__Sequence);
    m.chunkType = m.Map(LV2_ATOM__Chunk);
    m.maxFrames = maxFrames;
    m.sampleRate = static_cast<float>(sampleRate);
    const LV2_URID intType = m.Map(LV2_ATOM__Int), floatType = m.Map(LV2_ATOM__Float);
    m.options = {
        {LV2_OPTIONS_INSTANCE, 0, m.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t), intType, &m.maxFrames},
        {LV2_OPTIONS_INSTANCE, 0, m.Map(LV2_BUF_SIZE__minBlockLength), sizeof(std::int32_t), intType, &m.minFrames},
        {LV2_OPTIONS_INSTANCE, 0, m.Map(LV2_PARAMETERS__sampleRate), sizeof(float), floatType, &m.sampleRate},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    m.mapFeature = {LV2_URID__map, &m.map};
    m.unmapFeature = {LV2_URID__unmap, &m.unmap};
    m.optionsFeature = {LV2_OPTIONS__options, m.options.data()};
    m.boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    m.features = {&m.mapFeature, &m.unmapFeature, &m.optionsFeature, &m.boundedFeature, nullptr};

    PinPluginLibrary(plugin);
    m.instance = lilv_plugin_instantiate(plugin, sampleRate, m.features.data());
    if (!m.instance) {
        if (error) *error = m.info.name + " : le plugiciel refuse de démarrer";
        return nullptr;
    }

    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    m.controls.assign(ports, 0.0f);
    for (const Lv2Control& c : m.info.controls) {
        const auto it = controls.find(c.symbol);
        m.controls[c.index] = it == controls.end() ? c.def : std::clamp(it->second, c.minimum, c.maximum);
    }
    if (lilv_plugin_has_latency(plugin)) m.latencyPort = static_cast<int>(lilv_plugin_get_latency_port_index(plugin));
    for (std::uint32_t p = 0; p < ports; ++p) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
        const bool in = lilv_port_is_a(plugin, port, w.inputPort);
        if (lilv_port_is_a(plugin, port, w.audioPort)) {
            (in ? m.audioIn : m.audioOut).push_back(p);
        } else if (lilv_port_is_a(plugin, port, w.controlPort)) {
            lilv_instance_connect_port(m.instance, p, &m.controls[p]);
        } else if (lilv_port_is_a(plugin, port, w.cvPort)) {
            m.cvBuffers.emplace_back(static_cast<std::size_t>(maxFrames) + kPluginBufferPadding, 0.0f);
            lilv_instance_connect_port(m.instance, p, m.cvBuffers.back().data());
        } else if (lilv_port_is_a(plugin, port, w.atomPort)) {
            m.atoms.push_back({p, in, std::vector<std::uint64_t>(8192 / sizeof(std::uint64_t), 0)});
        } else {
            lilv_instance_connect_port(m.instance, p, nullptr);
        }
    }
    for (const Impl::AtomBuffer& a : m.atoms)
        lilv_instance_connect_port(m.instance, a.port, const_cast<std::uint64_t*>(a.memory.data()));
    lilv_instance_activate(m.instance);
    m.active = true;

    std::unique_ptr<Lv2Instance> result(new Lv2Instance(std::move(impl)));
    // An empty run settles the latency port before the first block.
    std::vector<float> silence(1, 0.0f);
    std::vector<float*> ins(result->impl_->audioIn.size(), silence.data());
    std::vector<float*> outs(result->impl_->audioOut.size(), silence.data());
    result->Run(ins.data(), outs.data(), 0);
    return result;
}

const Lv2PluginInfo& Lv2Instance::Info() const { return impl_->info; }

std::int32_t Lv2Instance::Latency() const {
    if (impl_->latencyPort < 0) return 0;
    const float v = impl_->controls[static_cast<std::size_t>(impl_->latencyPort)];
    return std::isfinite(v) && v > 0.0f && v < 1e8f ? static_cast<std::int32_t>(std::lrint(v)) : 0;
}

void Lv2Instance::Run(float* const* in, float* const* out, std::int32_t frames) {
    Impl& m = *impl_;
    for (std::size_t j = 0; j < m.audioIn.size(); ++j) lilv_instance_connect_port(m.instance, m.audioIn[j], in[j]);
    for (std::size_t j = 0; j < m.audioOut.size(); ++j) lilv_instance_connect_port(m.instance, m.audioOut[j], out[j]);
    m.ResetAtoms();
    lilv_instance_run(m.instance, static_cast<std::uint32_t>(frames));
}

void Lv2Instance::Restart() {
    Impl& m = *impl_;
    if (m.active) lilv_instance_deactivate(m.instance);
    lilv_instance_activate(m.instance);
    m.active = true;
}

}  // namespace sv
