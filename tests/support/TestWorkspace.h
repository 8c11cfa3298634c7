#pragma once
// Everything a command needs, headless: a working folder with its block store, the scripted
// Host, memory settings, a notifier drained by hand, the workspace and a command registry.
// Test fixtures derive from it to drive commands as a user would.
#include "core/BlockStore.h"
#include "core/CommandRegistry.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

namespace sv::test {

struct TestWorkspace {
    TempFolder dir;
    BlockStore store{dir.path()};
    ScriptedHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
    CommandRegistry registry;
};

}  // namespace sv::test
