#pragma once
// A headless workspace for benchmarks that open, edit and save documents as the frame does:
// block store, host, memory settings, a notifier drained by hand.
#include "core/BlockStore.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sv::bench {

struct BenchWorkspace {
    explicit BenchWorkspace(const std::string& blockFolder) : store(blockFolder) {}

    // Makes frames of 16-bit stereo material (material(frame, lr) fills one frame) the active
    // document, all selected, and writes the same sound to wavPath (unless empty) for the tools
    // compared.
    void OpenStereoMaterial(const std::string& wavPath, std::int32_t rate, std::int32_t frames,
                            const std::function<void(std::int32_t, std::int16_t*)>& material);

    BlockStore store;
    HeadlessHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
};

}  // namespace sv::bench
