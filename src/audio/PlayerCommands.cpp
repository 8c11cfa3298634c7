#include "audio/PlayerCommands.h"

#include "audio/PlayerControl.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"

namespace sv {

void RegisterPlayerCommands(CommandRegistry& registry, PlayerControl& control) {
    PlayerControl* c = &control;
    auto entry = [](std::function<void(Workspace&)> run) {
        CommandEntry e;
        e.run = std::move(run);
        e.enabled = [](const Workspace& ws) { return HasActiveDocument(ws); };
        return e;
    };
    registry.Register(kCmdPlay, entry([c](Workspace&) { c->Play(); }));
    registry.Register(kCmdPlaySlow, entry([c](Workspace&) { c->PlayAtSpeed(0); }));
    registry.Register(kCmdPlayNormal, entry([c](Workspace&) { c->PlayAtSpeed(1); }));
    registry.Register(kCmdPlayFast, entry([c](Workspace&) { c->PlayAtSpeed(2); }));
    CommandEntry loop;
    loop.run = [c](Workspace&) { c->ToggleLoop(); };
    loop.checked = [c](const Workspace&) { return c->LoopOn(); };
    registry.Register(kCmdPlayLoop, loop);
    CommandEntry stop;
    stop.run = [c](Workspace&) { c->Stop(); };
    registry.Register(kCmdStop, stop);
    registry.Register(kCmdGoToStart, entry([c](Workspace&) { c->GoToStart(); }));
    registry.Register(kCmdGoToEnd, entry([c](Workspace&) { c->GoToEnd(); }));
    // These press the command bar's buttons; the key's release, or the item chosen again,
    // releases them.
    registry.Register(kCmdRewind, entry([c](Workspace&) { c->ShuttleCommand(-1); }));
    registry.Register(kCmdFastForward, entry([c](Workspace&) { c->ShuttleCommand(1); }));
}

}  // namespace sv
