#pragma once
// A workspace with the bookmark, region and project commands registered, and helpers that
// open documents over made-up sounds and read files back as bytes.
#include "core/AudioDocument.h"
#include "core/BookmarkCommands.h"
#include "core/ProjectCommands.h"
#include "core/RegionCommands.h"
#include "core/Workspace.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace sv::test {

class RegionTest : public ::testing::Test, protected TestWorkspace {
protected:
    RegionTest() {
        RegisterBookmarkCommands(registry);
        RegisterRegionCommands(registry);
        RegisterProjectCommands(registry);
    }

    // An unmodified document over a ramp (or a stereo ramp), made active.
    LAudioDocument& Open(std::int32_t frames, const std::string& path = "/music/take.wav", std::uint8_t channels = 1,
                         std::int32_t rate = 44100) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(i * 16);
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, s, channels, rate), path);
        doc->modified = 0;
        ws.AddDocument(doc);
        return *doc;
    }

    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    bool Run(int id) { return registry.Run(id, ws); }
};

// Little-endian pieces of expected files.
inline std::string Le32(std::uint32_t v) {
    return std::string{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char((v >> 24) & 0xff)};
}
inline std::string Str(const std::string& s) { return std::string(1, char(s.size())) + s; }

}  // namespace sv::test
