#pragma once
// A headless workspace for benchmarks that open, edit and save documents as the frame does:
// block store, host, memory settings, a notifier drained by hand.
#include "core/BlockStore.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <string>

namespace sv::bench {

struct BenchWorkspace {
    explicit BenchWorkspace(const std::string& blockFolder) : store(blockFolder) {}

    BlockStore store;
    HeadlessHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
};

}  // namespace sv::bench
