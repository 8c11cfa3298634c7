#include "effects/VstPlugin.h"

#include <dlfcn.h>

#include <cstring>
#include <vector>

namespace sv {

namespace {

// Answers 2 to the version query and 1 to the current-id request, as plug-ins of this host
// have always seen; the sample rate and block size to a plug-in that asks for them instead of
// taking the set-up calls (0 there makes some divide by zero); 0 to everything else.
std::intptr_t HostCallback(vst::AEffect* effect, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
    const auto* plugin = effect ? static_cast<const VstPlugin*>(effect->user) : nullptr;
    switch (opcode) {
        case vst::audioMasterVersion: return 2;
        case vst::audioMasterCurrentId: return 1;
        case vst::audioMasterGetSampleRate: return plugin ? static_cast<std::intptr_t>(plugin->SampleRate()) : 0;
        case vst::audioMasterGetBlockSize: return plugin ? plugin->BlockSize() : 0;
        default: return 0;
    }
}

std::string FileTitle(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// A text the plug-in wrote into a buffer of ours, cut at the first NUL or the buffer's end.
std::string BufferText(const std::vector<char>& buf) {
    return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

}  // namespace

std::unique_ptr<VstPlugin> VstPlugin::Load(const std::string& path, std::string* error) {
    std::string why;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* e = dlerror();
        if (error) *error = "Impossible de charger " + path + (e ? std::string(" : ") + e : std::string());
        return nullptr;
    }
    auto entry = reinterpret_cast<vst::EntryProc>(dlsym(lib, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<vst::EntryProc>(dlsym(lib, "main"));
    vst::AEffect* effect = entry ? entry(HostCallback) : nullptr;
    if (!entry) {
        why = " n'a pas de point d'entrée VST";
    } else if (!effect || effect->magic != vst::kMagic || !effect->dispatcher) {
        why = " n'est pas un plugiciel VST";
    } else if (effect->numInputs < 0 || effect->numOutputs < 0 || effect->numInputs > 64 ||
               effect->numOutputs > 64 || effect->numParams < 0 || effect->numParams > 100000) {
        why = " annonce des entrées ou sorties impossibles";
    } else if (!effect->processReplacing && !effect->process) {
        why = " ne traite pas de sons";
    }
    if (!why.empty()) {
        if (error) *error = path + why;
        return nullptr;
    }
    std::unique_ptr<VstPlugin> plugin(new VstPlugin(lib, effect, path));
    plugin->Dispatch(vst::effOpen);
    return plugin;
}

VstPlugin::VstPlugin(void* library, vst::AEffect* effect, std::string path)
    : library_(library), effect_(effect), path_(std::move(path)) {
    effect_->user = this;
}

VstPlugin::~VstPlugin() {
    Mains(false);
    Dispatch(vst::effClose);
    // The library stays mapped: plug-ins leave threads, exit handlers and thread-local
    // destructors behind, which crash the editor later once their code is gone. Loading it
    // again reuses the mapping.
    (void)library_;
}

std::intptr_t VstPlugin::Dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                  float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string VstPlugin::EffectName() {
    Dispatch(vst::effSetProgram, 0, 0);
    std::vector<char> buf(vst::kStringCapacity, '\0');
    Dispatch(vst::effGetEffectName, 0, 0, buf.data());
    std::string name = BufferText(buf);
    return name.empty() ? FileTitle(path_) : name;
}

std::string VstPlugin::ParamName(int index) {
    std::vector<char> buf(vst::kStringCapacity, '\0');
    Dispatch(vst::effGetParamName, index, 0, buf.data());
    return BufferText(buf);
}

std::string VstPlugin::ParamDisplay(int index) {
    std::vector<char> value(vst::kStringCapacity, '\0'), label(vst::kStringCapacity, '\0');
    Dispatch(vst::effGetParamDisplay, index, 0, value.data());
    Dispatch(vst::effGetParamLabel, index, 0, label.data());
    std::string text = BufferText(value);
    const std::string unit = BufferText(label);
    if (!text.empty() && !unit.empty()) text += " " + unit;
    return text;
}

float VstPlugin::GetParam(int index) {
    return effect_->getParameter && index >= 0 && index < Params() ? effect_->getParameter(effect_, index) : 0.0f;
}

void VstPlugin::SetParam(int index, float value) {
    if (effect_->setParameter && index >= 0 && index < Params()) effect_->setParameter(effect_, index, value);
}

void VstPlugin::Mains(bool on) {
    if (on_ == on) return;
    Dispatch(vst::effMainsChanged, 0, on ? 1 : 0);
    on_ = on;
}

void VstPlugin::Start(double sampleRate, std::int32_t blockSize) {
    sampleRate_ = sampleRate;
    blockSize_ = blockSize;
    Mains(false);
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(vst::effSetBlockSize, 0, blockSize);
    Mains(true);
}

void VstPlugin::Restart() {
    Mains(false);
    Mains(true);
}

void VstPlugin::Process(float* const* in, float* const* out, std::int32_t frames) {
    // The interface takes non-const pointer arrays; plug-ins only read them.
    auto** ins = const_cast<float**>(in);
    auto** outs = const_cast<float**>(out);
    if (effect_->processReplacing) {
        effect_->processReplacing(effect_, ins, outs, frames);
    } else {
        // The accumulating call adds into the outputs, which the caller has cleared.
        effect_->process(effect_, ins, outs, frames);
    }
}

}  // namespace sv
