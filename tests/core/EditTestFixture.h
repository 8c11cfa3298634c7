#pragma once
// A workspace with the Edit commands registered, driven as a user would through the registry
// and the scripted Host.
#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditCommands.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Settings.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace sv::test {

class EditTest : public ::testing::Test, protected TestWorkspace {
protected:
    EditTest() { RegisterEditCommands(registry); }

    // A document over sound, made active, with no selection.
    LAudioDocument& Open(const LAudioData& sound, const std::string& path = "/music/take.wav") {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, path);
        doc->modified = 0;
        ws.AddDocument(doc);
        return *doc;
    }
    // Interleaved samples from a function of frame and channel.
    LAudioData Make(std::int32_t frames, std::uint8_t channels, std::function<std::int32_t(int, int)> f,
                    std::int32_t rate = 44100) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (int k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = f(k, c);
        return MakeSound(store, s, channels, rate);
    }
    bool Run(int id) { return registry.Run(id, ws); }
    LAudioDocument& Doc() { return *ws.Active(); }

};

}  // namespace sv::test
