// A VST 2 plug-in for the host's tests, built once per behaviour (TEST_VST_KIND):
//   gain     one in, one out, out = in x parameter 0 (0.5 by default); entry VSTPluginMain
//   counter  one out: the frames processed since mains on, x 16 / 524,272; entry main only
//   stereo   two in, two out, each out = its in x 0.5
//   nan      one in, one out: NaN, +inf, -inf, 1e30, -1e30 in turn
//   latency  one in, one out, the input 100 frames late, with initialDelay 100
//   magic    a record with the wrong magic number
//   crash    crashes in its first process call
#include "effects/VstInterface.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

using namespace sv::vst;

namespace {

enum Kind { Gain, Counter, Stereo, Nan, Latency, Magic, Crash };
constexpr Kind kKind = static_cast<Kind>(TEST_VST_KIND);
constexpr int kDelay = 100;

struct State {
    AEffect effect{};
    float gain = 0.5f;
    double frames = 0;
    std::vector<float> delay = std::vector<float>(kDelay, 0.0f);
    std::size_t delayAt = 0;
};

State* Of(AEffect* e) { return static_cast<State*>(e->object); }

std::intptr_t Dispatch(AEffect* e, std::int32_t op, std::int32_t index, std::intptr_t value, void* ptr, float) {
    State* s = Of(e);
    switch (op) {
        case effClose: delete s; return 0;
        case effGetEffectName:
            std::strcpy(static_cast<char*>(ptr), kKind == Gain      ? "Test Gain"
                                                 : kKind == Stereo  ? "Test Stereo"
                                                 : kKind == Nan     ? "Test NaN"
                                                 : kKind == Latency ? "Test Latency"
                                                                    : "");
            return 1;
        case effGetParamName: std::strcpy(static_cast<char*>(ptr), index == 0 ? "Gain" : "?"); return 0;
        case effGetParamDisplay: std::snprintf(static_cast<char*>(ptr), 8, "%.2f", static_cast<double>(s->gain)); return 0;
        case effGetParamLabel: std::strcpy(static_cast<char*>(ptr), "x"); return 0;
        case effMainsChanged:
            if (value) {
                s->frames = 0;
                std::fill(s->delay.begin(), s->delay.end(), 0.0f);
            }
            return 0;
        default: return 0;
    }
}

void SetParameter(AEffect* e, std::int32_t, float v) { Of(e)->gain = v; }
float GetParameter(AEffect* e, std::int32_t) { return Of(e)->gain; }

void Process(AEffect* e, float** in, float** out, std::int32_t frames) {
    State* s = Of(e);
    for (std::int32_t i = 0; i < frames; ++i) {
        switch (kKind) {
            case Gain: out[0][i] = in[0][i] * s->gain; break;
            case Counter: out[0][i] = static_cast<float>((s->frames + i) * 16.0 / 524272.0); break;
            case Stereo:
                out[0][i] = in[0][i] * 0.5f;
                out[1][i] = in[1][i] * 0.5f;
                break;
            case Nan: {
                const float values[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};
                out[0][i] = values[static_cast<int>(s->frames + i) % 5];
                break;
            }
            case Latency:
                out[0][i] = s->delay[s->delayAt];
                s->delay[s->delayAt] = in[0][i];
                s->delayAt = (s->delayAt + 1) % kDelay;
                break;
            case Crash: __builtin_trap();
            case Magic: break;
        }
    }
    s->frames += frames;
}

AEffect* Create(HostCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) != 2) return nullptr;
    // A record that is no plug-in is never closed, so it must not need freeing.
    static State notAPlugin;
    auto* s = kKind == Magic ? &notAPlugin : new State;
    AEffect& e = s->effect;
    e.magic = kKind == Magic ? 0x12345678 : kMagic;
    e.dispatcher = Dispatch;
    e.setParameter = SetParameter;
    e.getParameter = GetParameter;
    e.numPrograms = 1;
    e.numParams = 1;
    e.numInputs = kKind == Counter ? 0 : kKind == Stereo ? 2 : 1;
    e.numOutputs = kKind == Stereo ? 2 : 1;
    e.flags = effFlagsCanReplacing;
    e.initialDelay = kKind == Latency ? kDelay : 0;
    e.object = s;
    e.processReplacing = Process;
    return &e;
}

}  // namespace

#if TEST_VST_KIND == 1
// Older plug-ins export their entry point under the name main.
extern "C" __attribute__((visibility("default"))) AEffect* OldEntry(HostCallback host) __asm__("main");
extern "C" AEffect* OldEntry(HostCallback host) { return Create(host); }
#else
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback host) { return Create(host); }
#endif
