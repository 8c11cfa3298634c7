// Playback through ALSA itself without a sound card: a test configuration makes ALSA's default
// device a file plugin over the null device, so what is played lands in a file.
#include "audio/AlsaDevice.h"
#include "audio/PlayerCommands.h"
#include "audio/PlayerControl.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Workspace.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace sv {
namespace {

std::unique_ptr<LAudioDevice> MakeAlsa() { return std::make_unique<LAlsaDevice>(); }

class AlsaPlaybackTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    AlsaPlaybackTest() {
        // The output file comes from the environment, so parallel tests keep to their folders.
        std::ofstream(dir.File("asound.conf")) << "pcm.!default {\n"
                                                   "  type file\n"
                                                   "  slave.pcm \"null\"\n"
                                                   "  file { @func getenv vars [ SONVELA_TEST_PCM_OUT ] default \"/dev/null\" }\n"
                                                   "  format \"raw\"\n"
                                                   "}\n";
        setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + dir.File("asound.conf")).c_str(), 1);
        setenv("SONVELA_TEST_PCM_OUT", dir.File("out.raw").c_str(), 1);
        control = std::make_unique<PlayerControl>(ws, MakeAlsa(), MakeAlsa());
        control->InstallHooks();
        RegisterPlayerCommands(registry, *control);
    }
    ~AlsaPlaybackTest() override { control.reset(); }

    LAudioDocument& AddDoc(const std::vector<std::int32_t>& samples, std::uint8_t channels, std::int32_t rate) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeSound(store, samples, channels, rate), "t");
        ws.AddDocument(doc);
        ws.SetActive(doc.get());
        return *doc;
    }
    std::vector<std::int16_t> Played() {
        std::ifstream in(dir.File("out.raw"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> out(bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) | (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        return out;
    }
    bool PlayToEnd(int id) {
        registry.Run(id, ws);
        if (host.messages.size() != 0) return false;
        return test::DrainUntil(notifier, [&] { return control->Player().State() == 0; });
    }

    std::unique_ptr<PlayerControl> control;
};

std::vector<std::int32_t> Stereo(std::int32_t frames) {
    std::vector<std::int32_t> s;
    for (std::int32_t f = 0; f < frames; ++f) {
        s.push_back(((f * 37) % 60000 - 30000) * 16 + (f % 16));  // low bits round half up
        s.push_back(-((f * 11) % 50000 - 25000) * 16);
    }
    return s;
}

std::int16_t To16(std::int32_t s) { return static_cast<std::int16_t>((s + 8) >> 4); }

TEST_F(AlsaPlaybackTest, DeviceZeroIsAlsasDefaultAndPlayWritesEveryFrameIn16Bits) {
    const auto samples = Stereo(30000);
    AddDoc(samples, 2, 22050);
    ASSERT_TRUE(PlayToEnd(kCmdPlay));
    const auto played = Played();
    ASSERT_EQ(played.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(played[i], To16(samples[i])) << i;
    EXPECT_EQ(ws.Active()->cursor, 30000);
}

TEST_F(AlsaPlaybackTest, ASelectionPlaysOnlyTheSelection) {
    const auto samples = Stereo(30000);
    LAudioDocument& doc = AddDoc(samples, 2, 22050);
    doc.SetSelection(1000, 5000, 0);
    ASSERT_TRUE(PlayToEnd(kCmdPlay));
    const auto played = Played();
    ASSERT_EQ(played.size(), 8000u);
    for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], To16(samples[2000 + i])) << i;
    EXPECT_EQ(doc.cursor, 5000);
}

TEST_F(AlsaPlaybackTest, SlowPlayLastsAboutTwiceAsLong) {
    const auto samples = Stereo(22050);
    AddDoc(samples, 2, 22050);
    ASSERT_TRUE(PlayToEnd(kCmdPlaySlow));
    EXPECT_EQ(user.Get("Settings", "PlaySpeed"), "0");
    const double frames = Played().size() / 2.0;
    EXPECT_NEAR(frames, 44100, 4410);
}

TEST_F(AlsaPlaybackTest, LoopPlaysTheSelectionOverAndOverUntilStopped) {
    const auto samples = Stereo(30000);
    LAudioDocument& doc = AddDoc(samples, 2, 22050);
    doc.SetSelection(2205, 4410, 0);  // 100 ms to 200 ms
    registry.Run(kCmdPlayLoop, ws);
    EXPECT_TRUE(registry.Checked(kCmdPlayLoop, ws));
    registry.Run(kCmdPlay, ws);
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return control->Player().Device().FramesPlayed() > 3 * 2205; }));
    registry.Run(kCmdStop, ws);
    const auto played = Played();
    ASSERT_GT(played.size(), 3u * 2 * 2205);
    for (std::size_t i = 0; i < 3u * 2 * 2205; ++i) ASSERT_EQ(played[i], To16(samples[2 * 2205 + i % (2 * 2205)])) << i;
}

TEST_F(AlsaPlaybackTest, AMissingDeviceShowsTheOptionsMessage) {
    AddDoc(Stereo(1000), 2, 22050);
    user.Set("Settings", "SoundOutDevice", "999");
    registry.Run(kCmdPlay, ws);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(host.messages[0].text,
              "Veuillez vérifier que vous ayez sélectionné le lecteur audio adéquat dans le menu Options. Ouvrez le "
              "menu Options en cliquant sur Outils -> Options");
    EXPECT_EQ(control->Player().State(), 0);
}

}  // namespace
}  // namespace sv
