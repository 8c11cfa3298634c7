#pragma once
// The VST 2 plug-in interface as published: the effect record a plug-in's entry point hands
// back, the dispatcher and host-callback opcodes this host uses, and the flags it reads. The
// layout is the plug-in's, so field order, types and the pointer-sized slots must not change.
#include <cstdint>

namespace sv::vst {

struct AEffect;

using HostCallback = std::intptr_t (*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                       std::intptr_t value, void* ptr, float opt);
using DispatcherProc = std::intptr_t (*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                         std::intptr_t value, void* ptr, float opt);
using ProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs, std::int32_t frames);
using ProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs, std::int32_t frames);
using SetParameterProc = void (*)(AEffect* effect, std::int32_t index, float value);
using GetParameterProc = float (*)(AEffect* effect, std::int32_t index);
// VSTPluginMain, or main in older plug-ins.
using EntryProc = AEffect* (*)(HostCallback host);

constexpr std::int32_t kMagic = 0x56737450;  // 'VstP'

struct AEffect {
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;  // accumulating; superseded by processReplacing
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    std::intptr_t reserved1;
    std::intptr_t reserved2;
    std::int32_t initialDelay;  // latency in frames
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Host to plug-in (dispatcher).
enum EffectOpcode : std::int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effGetEffectName = 45,
    effGetVendorString = 47,
};

// Plug-in to host (the callback).
enum HostOpcode : std::int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
};

enum EffectFlags : std::int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsIsSynth = 1 << 8,
};

// Text buffers the plug-in writes into: names are nominally 8 to 64 characters, but plug-ins
// overrun the smaller limits, so every buffer handed out is this large.
constexpr int kStringCapacity = 256;

// The rectangle effEditGetRect hands back.
struct ERect {
    std::int16_t top, left, bottom, right;
};

}  // namespace sv::vst
