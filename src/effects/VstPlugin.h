#pragma once
// VstPlugin: one instance of a VST 2 plug-in library (.so), loaded with dlopen through its
// entry point (VSTPluginMain, else main) and checked for the magic number. It is opened on
// load; the destructor switches it off and closes it. Libraries stay loaded for the life of
// the process (see the destructor).
#include "effects/VstInterface.h"

#include <memory>
#include <string>

namespace sv {

class VstPlugin {
public:
    // Null when path is not a loadable VST 2 plug-in, with the reason in *error.
    static std::unique_ptr<VstPlugin> Load(const std::string& path, std::string* error);
    ~VstPlugin();
    VstPlugin(const VstPlugin&) = delete;
    VstPlugin& operator=(const VstPlugin&) = delete;

    // Program 0's effect name; the file's title when the plug-in gives none.
    std::string EffectName();
    int Inputs() const { return effect_->numInputs; }
    int Outputs() const { return effect_->numOutputs; }
    int Params() const { return effect_->numParams; }
    std::int32_t Latency() const { return effect_->initialDelay; }
    bool HasEditor() const { return (effect_->flags & vst::effFlagsHasEditor) != 0; }

    std::string ParamName(int index);
    // The plug-in's own text for the value, with its unit ("-6.0 dB"); empty when it has none.
    std::string ParamDisplay(int index);
    float GetParam(int index);
    void SetParam(int index, float value);

    // Mains off, sample rate and block size, mains on: once per run.
    void Start(double sampleRate, std::int32_t blockSize);
    // Mains off and on: clears the plug-in's memory without changing its set-up.
    void Restart();
    void Process(float* const* in, float* const* out, std::int32_t frames);

    vst::AEffect* Effect() const { return effect_; }
    std::intptr_t Dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    double SampleRate() const { return sampleRate_; }
    std::int32_t BlockSize() const { return blockSize_; }

private:
    VstPlugin(void* library, vst::AEffect* effect, std::string path);
    void Mains(bool on);

    void* library_;
    vst::AEffect* effect_;
    std::string path_;
    double sampleRate_ = 44100.0;
    std::int32_t blockSize_ = 8192;
    bool on_ = false;
};

}  // namespace sv
