#include "effects/Lv2Effect.h"

#include "effects/PluginProbe.h"

#include <cmath>
#include <map>
#include <mutex>

namespace sv {

const char* const kLv2Failure = "ECHEC de l'Application de l'Effet DirectX";

namespace {

constexpr int kProbeTimeoutMs = 15000;

std::string Failure(const std::string& reason) { return std::string(kLv2Failure) + "\n\n" + reason; }

}  // namespace

LLv2Filter::LLv2Filter(Ref<LAudioReader> input, const Ref<Lv2World>& world, const std::string& uri,
                       const Lv2Controls& controls)
    : LPluginFilter(std::move(input)) {
    if (errorCode != kReaderOk) return;
    std::string error;
    if (!world) {
        Fail(Failure("LV2 indisponible"));
        return;
    }
    std::unique_ptr<Lv2Instance> first = Lv2Instance::Create(world, uri, sampleRate, kMaxFramesPerCall, controls, &error);
    if (!first) {
        Fail(Failure(error));
        return;
    }
    const int ins = first->Info().audioInputs, outs = first->Info().audioOutputs;
    const int count = InstancesFor(ins, outs, channels);
    const std::int32_t latency = first->Latency();
    instances_.push_back(std::move(first));
    while (static_cast<int>(instances_.size()) < count) {
        std::unique_ptr<Lv2Instance> more = Lv2Instance::Create(world, uri, sampleRate, kMaxFramesPerCall, controls, &error);
        if (!more) {
            Fail(Failure(error));
            return;
        }
        instances_.push_back(std::move(more));
    }
    SetLayout(ins, outs, count, latency);
}

LLv2Filter::~LLv2Filter() = default;

void LLv2Filter::RunPlugin(int instance, float* const* in, float* const* out, std::int32_t frames) {
    instances_[static_cast<std::size_t>(instance)]->Run(in, out, frames);
}

void LLv2Filter::ResetPlugin() {
    for (auto& i : instances_) i->Restart();
}

Ref<LAudioReader> LLv2Effect::CreateProcessor(const Ref<LAudioReader>& input) const {
    return MakeRef<LLv2Filter>(input, world_, uri_, controls_);
}

namespace {

std::optional<std::string> ProbeWork(const Ref<Lv2World>& world, const Lv2PluginInfo& info) {
    const int frames = 4410;
    std::string error;
    std::unique_ptr<Lv2Instance> p = Lv2Instance::Create(world, info.uri, 44100.0, frames, {}, &error);
    if (!p) return "!" + error;
    std::vector<std::vector<float>> in(static_cast<std::size_t>(info.audioInputs), std::vector<float>(frames + kPluginBufferPadding));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(info.audioOutputs), std::vector<float>(frames + kPluginBufferPadding));
    for (auto& ch : in)
        for (int i = 0; i < frames; ++i) ch[static_cast<std::size_t>(i)] = 0.5f * std::sin(i * 0.0627f);
    std::vector<float*> inPtr, outPtr;
    for (auto& ch : in) inPtr.push_back(ch.data());
    for (auto& ch : out) outPtr.push_back(ch.data());
    p->Run(inPtr.data(), outPtr.data(), frames);
    return std::string();
}

// Probe outcomes by plug-in URI for the life of the process: empty when it passed.
std::mutex gProbeLock;
std::map<std::string, std::string> gProbes;

}  // namespace

std::vector<Lv2PluginInfo> ListLv2Effects(const Ref<Lv2World>& world, std::vector<std::string>* skipped) {
    std::vector<Lv2PluginInfo> list;
    if (!world) return list;
    for (Lv2PluginInfo& info : world->Effects(skipped)) {
        std::string outcome;
        {
            std::lock_guard<std::mutex> lock(gProbeLock);
            auto it = gProbes.find(info.uri);
            if (it == gProbes.end()) {
                std::string why;
                const auto text = ProbeInChild([&] { return ProbeWork(world, info); }, kProbeTimeoutMs, &why);
                outcome = !text ? info.name + " " + why : !text->empty() && (*text)[0] == '!' ? text->substr(1) : "";
                if (outcome.empty()) world->PinLibrary(info.uri);
                it = gProbes.emplace(info.uri, outcome).first;
            }
            outcome = it->second;
        }
        if (outcome.empty()) list.push_back(std::move(info));
        else if (skipped) skipped->push_back(outcome);
    }
    return list;
}

}  // namespace sv
