// The LV2 host: a test folder on LV2_PATH (swh's amplifier beside bundles that cannot work),
// the command with its generated controls dialog, and an lsp plug-in against lv2apply.
#include "EffectTestFixture.h"
#include "SoxSupport.h"
#include "core/ProgressTask.h"
#include "effects/EffectCommand.h"
#include "effects/Lv2Effect.h"
#include "effects/PluginCommands.h"
#include "platform/ChildProcess.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace sv::test {
namespace {

const char* const kAmp = "http://plugin.org.uk/swh-plugins/amp";
const char* const kCompressor = "http://lsp-plug.in/plugins/lv2/compressor_mono";

// Sets LV2_PATH for the life of the holder.
class Lv2PathScope {
public:
    explicit Lv2PathScope(const std::string& path) {
        if (const char* old = std::getenv("LV2_PATH")) old_ = old, had_ = true;
        setenv("LV2_PATH", path.c_str(), 1);
    }
    ~Lv2PathScope() {
        if (had_) setenv("LV2_PATH", old_.c_str(), 1);
        else unsetenv("LV2_PATH");
    }

private:
    std::string old_;
    bool had_ = false;
};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A bundle whose plug-in cannot be used: one requiring a feature nobody offers, or one whose
// binary is missing.
void WriteBundle(const std::string& folder, const std::string& name, const std::string& extra) {
    std::filesystem::create_directories(folder);
    const std::string uri = "<http://example.org/sonvela/" + name + ">";
    WriteText(folder + "/manifest.ttl",
              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n" +
                  uri + " a lv2:Plugin ; lv2:binary <missing.so> ; rdfs:seeAlso <plugin.ttl> .\n");
    WriteText(folder + "/plugin.ttl",
              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n@prefix doap: <http://usefulinc.com/ns/doap#> .\n" + uri +
                  " a lv2:Plugin ; doap:name \"" + name + "\" ; " + extra +
                  " lv2:port [ a lv2:AudioPort, lv2:InputPort ; lv2:index 0 ; lv2:symbol \"in\" ; lv2:name \"In\" ] , "
                  "[ a lv2:AudioPort, lv2:OutputPort ; lv2:index 1 ; lv2:symbol \"out\" ; lv2:name \"Out\" ] .\n");
}

std::vector<std::int32_t> Sine(std::int32_t frames, std::uint8_t channels, double amplitude) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            s[static_cast<std::size_t>(k) * channels + c] =
                16 * static_cast<std::int32_t>(std::lrint(amplitude * 32767 * std::sin(k * 0.05 + c)));
    return s;
}

class Lv2HostTest : public EffectTest {
protected:
    Lv2HostTest() : lv2Path_(plugins_.path()) {
        RegisterPluginCommands(registry);
        std::filesystem::create_directory_symlink("/usr/lib/lv2/amp-swh.lv2", plugins_.File("amp-swh.lv2"));
        WriteBundle(plugins_.File("teleport.lv2"), "Teleport", "lv2:requiredFeature <http://example.org/ns#teleport> ;");
        WriteBundle(plugins_.File("broken.lv2"), "Broken", "");
    }
    void SetUp() override {
        if (!std::filesystem::exists("/usr/lib/lv2/amp-swh.lv2")) GTEST_SKIP() << "swh-lv2 is not installed";
    }

    TempFolder plugins_;
    Lv2PathScope lv2Path_;
};

TEST_F(Lv2HostTest, TestFolderListsItsUsableEffectsOnlyWithTheirControlRanges) {
    Ref<Lv2World> world = Lv2World::Load();
    std::vector<std::string> skipped;
    const auto list = ListLv2Effects(world, &skipped);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].uri, kAmp);
    EXPECT_EQ(list[0].name, "Simple amplifier");
    EXPECT_EQ(list[0].audioInputs, 1);
    EXPECT_EQ(list[0].audioOutputs, 1);
    ASSERT_EQ(list[0].controls.size(), 1u);
    EXPECT_EQ(list[0].controls[0].symbol, "gain");
    EXPECT_EQ(list[0].controls[0].minimum, -70.0f);
    EXPECT_EQ(list[0].controls[0].maximum, 70.0f);
    EXPECT_EQ(list[0].controls[0].def, 0.0f);
    std::sort(skipped.begin(), skipped.end());
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0], "Broken : le plugiciel refuse de démarrer");
    EXPECT_EQ(skipped[1], "Teleport : demande http://example.org/ns#teleport");
}

TEST_F(Lv2HostTest, AmplifierAtMinusSixDecibelsThroughTheCommand) {
    const auto samples = Sine(20000, 2, 0.9);
    Open(samples, 2);
    DialogAnswer list(true);
    list.presses = {"settings"};
    host.dialogs = {list, DialogAnswer(true, {{"gain", "-6"}})};
    EXPECT_TRUE(Run(kCmdDirectX));
    ASSERT_GE(host.shownDialogs.size(), 2u);
    EXPECT_EQ(host.shownDialogs[0].resource, "38");
    EXPECT_EQ(host.shownDialogs[0].caption, "Plugiciels DirectX");
    EXPECT_EQ(host.shownDialogs[0].Field("plugin")->choices, (std::vector<std::string>{"Simple amplifier"}));
    EXPECT_EQ(host.shownDialogs[1].Field("gain")->label, "Amps gain (dB) (-70 à 70) :");
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Application de l'Effet DirectX."}));
    const auto undo = State().undoNames;
    EXPECT_NE(std::find(undo.begin(), undo.end(), "DirectX Effects"), undo.end());

    // Both channels of the stereo sound, each through its own instance of the mono plug-in.
    const auto out = All();
    ASSERT_EQ(out.size(), samples.size());
    const double gain = std::pow(10.0, -6.0 / 20.0);
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], samples[i] * gain, 1.0) << "sample " << i;
    EXPECT_EQ(settings.ReadSetting("Settings", "LV2Plugin"), kAmp);

    // The next run starts from the stored control.
    host.dialogs = {DialogAnswer(true)};
    EXPECT_TRUE(Run(kCmdDirectX));
    const auto twice = All();
    for (std::size_t i = 0; i < twice.size(); ++i) ASSERT_NEAR(twice[i], samples[i] * gain * gain, 2.0) << i;
}

TEST_F(Lv2HostTest, ControlOutsideItsRangeIsRefusedAndTheDialogStaysOpen) {
    Open(Sine(100, 1, 0.5), 1);
    DialogAnswer list(true);
    list.presses = {"settings"};
    host.dialogs = {list, DialogAnswer(true, {{"gain", "-100"}}), DialogAnswer(true, {{"gain", "abc"}}),
                    DialogAnswer(true, {{"gain", "0"}})};
    EXPECT_TRUE(Run(kCmdDirectX));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(host.messages[0].text, "La valeur de Amps gain (dB) doit être comprise entre -70 à 70. Veuillez réessayer.");
}

TEST_F(Lv2HostTest, PluginThatCannotStartFailsTheRunAndChangesNothing) {
    Open(Sine(3000, 1, 0.5), 1);
    Doc().selectionEnd = 3000;
    const DocumentState before = State();
    EXPECT_EQ(ApplyEffect(ws, LLv2Effect(Lv2World::Load(), "http://example.org/sonvela/Broken", {}), "DirectX Effects",
                          "Application de l'Effet DirectX."),
              kTaskFailed);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0],
              "ECHEC de l'Application de l'Effet DirectX\n\nBroken : le plugiciel refuse de démarrer");
    EXPECT_TRUE(State() == before);
}

// ---- against lv2apply ----

void WriteFloatWav(const std::string& path, const std::vector<float>& samples, int rate) {
    std::ofstream f(path, std::ios::binary);
    const std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 4);
    WriteWavHeader(f, 3, 1, rate, 32, bytes);
    f.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

std::vector<float> ReadFloatWavData(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), {});
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            std::vector<float> out(std::min<std::size_t>(size, bytes.size() - at - 8) / 4);
            std::memcpy(out.data(), bytes.data() + at + 8, out.size() * 4);
            return out;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

TEST(Lv2Apply, LspCompressorMatchesLv2applySampleBySample) {
    if (!ProgramAvailable("lv2apply") || !std::filesystem::exists("/usr/lib/lv2/lsp-plugins.lv2"))
        GTEST_SKIP() << "lilv-utils or lsp-plugins-lv2 is not installed";
    TempFolder dir;
    const std::int32_t frames = 30000;
    // Loud, then quiet: the compressor works and releases.
    std::vector<std::int32_t> samples(frames);
    for (std::int32_t k = 0; k < frames; ++k)
        samples[static_cast<std::size_t>(k)] =
            16 * static_cast<std::int32_t>(std::lrint((k < 15000 ? 30000 : 3000) * std::sin(k * 0.031)));
    std::vector<float> floats;
    for (std::int32_t s : samples) floats.push_back(static_cast<float>(s * (1.0 / kFullScale16)));
    WriteFloatWav(dir.File("in.wav"), floats, 44100);

    ChildProcess lv2apply;
    ASSERT_TRUE(lv2apply.Start({"lv2apply", "-i", dir.File("in.wav"), "-o", dir.File("out.wav"), "-c", "cr", "8", "-c",
                                "al", "0.1", kCompressor},
                               dir.File("log.txt")));
    ASSERT_TRUE(lv2apply.Wait(60000));
    ASSERT_EQ(lv2apply.ExitCode(), 0);
    const std::vector<float> theirs = ReadFloatWavData(dir.File("out.wav"));
    ASSERT_EQ(theirs.size(), samples.size());

    Ref<LAudioReader> ours =
        LLv2Effect(Lv2World::Load(), kCompressor, {{"cr", 8.0f}, {"al", 0.1f}}).CreateProcessor(MakeRef<VectorReader>(samples, 1));
    ASSERT_EQ(ours->errorCode, kReaderOk) << ChainFailureText(*ours);
    std::vector<std::int32_t> out(samples.size());
    for (std::int32_t at = 0; at < frames; at += kMaxFramesPerCall)
        ours->Read(out.data() + at, std::min(kMaxFramesPerCall, frames - at));
    int changed = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_NEAR(out[i], SaturateSample(theirs[i], kFullScale16), 1) << "sample " << i;
        changed += std::abs(out[i] - samples[i]) > 160;
    }
    EXPECT_GT(changed, 1000);  // the compressor did compress
}

}  // namespace
}  // namespace sv::test
