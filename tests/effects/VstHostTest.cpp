// The VST 2 host against the test plug-ins built in the tree (one library per behaviour) and a
// Debian plug-in loaded headless.
#include "EffectTestFixture.h"
#include "core/ProgressTask.h"
#include "effects/EffectCommand.h"
#include "effects/PluginCommands.h"
#include "effects/PluginProbe.h"
#include "effects/VstEffect.h"
#include "effects/VstPlugin.h"

#include <cmath>
#include <filesystem>

namespace sv::test {
namespace {

const std::string kDir = SONVELA_TEST_VST_DIR;
std::string Vst(const std::string& kind) { return kDir + "/" + kind + ".so"; }

std::vector<std::int32_t> ReadAll(LAudioReader& r, std::int32_t frames) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r.channels);
    for (std::int32_t at = 0; at < frames; at += kMaxFramesPerCall)
        r.Read(out.data() + static_cast<std::size_t>(at) * r.channels, std::min(kMaxFramesPerCall, frames - at));
    return out;
}

// A 16-bit sound (multiples of 16), so that halving it is exact.
std::vector<std::int32_t> Ramp(std::int32_t frames, std::uint8_t channels) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>((i * 37 % 4001) - 2000) * 16 * 2;
    return s;
}

std::vector<std::int32_t> Halved(std::vector<std::int32_t> s) {
    for (auto& v : s) v /= 2;
    return s;
}

class VstHostTest : public EffectTest {
protected:
    VstHostTest() {
        RegisterPluginCommands(registry);
        settings.WriteUserSetting("Settings", kVstFolderKey, kDir);
    }
};

TEST_F(VstHostTest, ListingNamesThePluginsAndLeavesOutBrokenAndCrashingOnes) {
    std::vector<std::string> skipped;
    const auto list = ListVstPlugins(FindVstLibraries(kDir), &skipped);
    std::vector<std::string> names;
    for (const auto& e : list) names.push_back(e.name);
    // counter.so names no effect and shows its file's title.
    EXPECT_EQ(names, (std::vector<std::string>{"counter", "Test Gain", "Test Latency", "Test NaN", "Test Stereo"}));
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_NE(skipped[0].find("crash.so a planté"), std::string::npos) << skipped[0];
    EXPECT_NE(skipped[1].find("magic.so n'est pas un plugiciel VST"), std::string::npos) << skipped[1];
}

TEST_F(VstHostTest, CommandAppliesTheGainExactlyUnderItsUndoAndProgressNames) {
    const auto samples = Ramp(20000, 1);
    Open(samples, 1);
    host.dialogs.push_back(DialogAnswer(true, {{"plugin", "1"}}));
    EXPECT_TRUE(Run(kCmdVst));
    EXPECT_EQ(All(), Halved(samples));
    const auto undo = State().undoNames;
    EXPECT_NE(std::find(undo.begin(), undo.end(), "VST Effects"), undo.end());
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Application de l'Effet VST"}));
    EXPECT_EQ(host.shownDialogs[0].resource, "36");
    EXPECT_EQ(host.shownDialogs[0].caption, "Plugiciel VST");
    EXPECT_EQ(settings.ReadSetting("Settings", "VSTPlugin"), Vst("gain"));
}

TEST_F(VstHostTest, SettingsDialogChangesAParameterAfterThePromptAndRemembersIt) {
    const auto samples = Ramp(1000, 1);
    Open(samples, 1);
    settings.WriteUserSetting("Settings", "VSTPlugin", Vst("gain"));
    DialogAnswer outer(true);
    outer.presses = {"settings"};
    DialogAnswer editor(true);
    editor.presses = {"change"};
    host.dialogs = {outer, editor};
    host.inputs = {std::string("0.25")};
    EXPECT_TRUE(Run(kCmdVst));
    ASSERT_GE(host.shownDialogs.size(), 2u);
    EXPECT_EQ(host.shownDialogs[1].resource, "LVSTEditor");
    EXPECT_EQ(host.shownDialogs[1].caption, "VST Configuration");
    EXPECT_EQ(host.shownDialogs[1].Field("param")->choices, (std::vector<std::string>{"Gain = 0.50 x"}));
    std::vector<std::int32_t> quarter = samples;
    for (auto& v : quarter) v /= 4;
    EXPECT_EQ(All(), quarter);

    // The next run starts from the stored value.
    host.dialogs = {DialogAnswer(true)};
    EXPECT_TRUE(Run(kCmdVst));
    std::vector<std::int32_t> sixteenth = samples;
    for (auto& v : sixteenth) v /= 16;
    EXPECT_EQ(All(), sixteenth);
}

TEST_F(VstHostTest, PluginIsSetUpOnceSoItsStateRunsAcrossBlocks) {
    // counter.so outputs how many frames it has processed since mains on; it exports main only.
    Ref<LAudioReader> f = LVstEffect(Vst("counter"), {}).CreateProcessor(MakeRef<VectorReader>(std::vector<std::int32_t>(20000), 1));
    const auto out = ReadAll(*f, 20000);
    for (std::int32_t k = 0; k < 20000; ++k) ASSERT_EQ(out[static_cast<std::size_t>(k)], k * 16) << "frame " << k;
}

TEST_F(VstHostTest, ChannelCountsThatDifferAreMappedInsteadOfOverrun) {
    // A stereo plug-in on a mono sound: the extra input is silent and the outputs fold back.
    const auto mono = Ramp(9000, 1);
    Ref<LAudioReader> a = LVstEffect(Vst("stereo"), {}).CreateProcessor(MakeRef<VectorReader>(mono, 1));
    EXPECT_EQ(ReadAll(*a, 9000), Halved(mono));
    // A mono plug-in on a stereo sound runs once per channel.
    const auto stereo = Ramp(9000, 2);
    Ref<LAudioReader> b = LVstEffect(Vst("gain"), {}).CreateProcessor(MakeRef<VectorReader>(stereo, 2));
    EXPECT_EQ(ReadAll(*b, 9000), Halved(stereo));
}

TEST_F(VstHostTest, NanAndInfiniteOutputsSaturate) {
    Ref<LAudioReader> f = LVstEffect(Vst("nan"), {}).CreateProcessor(MakeRef<VectorReader>(std::vector<std::int32_t>(10), 1));
    EXPECT_EQ(ReadAll(*f, 10), (std::vector<std::int32_t>{0, 524272, -524288, 524272, -524288, 0, 524272, -524288,
                                                           524272, -524288}));
    EXPECT_EQ(SaturateSample(0.5, 524272), 262136);
    EXPECT_EQ(SaturateSample(-1.0, 524272), -524272);
}

TEST_F(VstHostTest, LatencyIsRunAheadAndDiscardedAlsoAfterASeek) {
    const auto samples = Ramp(12000, 1);
    Ref<LAudioReader> f = LVstEffect(Vst("latency"), {}).CreateProcessor(MakeRef<VectorReader>(samples, 1));
    EXPECT_EQ(ReadAll(*f, 12000), samples);
    f->Seek(5000);
    EXPECT_EQ(f->Position(), 5000);
    std::vector<std::int32_t> tail(samples.begin() + 5000, samples.end());
    tail.resize(tail.size() + 300, 0);  // past the end: silence, the delay line flushed
    EXPECT_EQ(ReadAll(*f, 7300), tail);
    EXPECT_EQ(f->Position(), 12300);
}

TEST_F(VstHostTest, PluginThatCannotBeLoadedFailsTheRunAndChangesNothing) {
    Open(Ramp(3000, 1), 1);
    Doc().selectionStart = 0;
    Doc().selectionEnd = 3000;
    for (const std::string& path : {Vst("magic"), kDir + "/missing.so"}) {
        const DocumentState before = State();
        host.progressErrors.clear();
        EXPECT_EQ(ApplyEffect(ws, LVstEffect(path, {}), "VST Effects", "Application de l'Effet VST"), kTaskFailed);
        ASSERT_EQ(host.progressErrors.size(), 1u) << path;
        EXPECT_EQ(host.progressErrors[0].rfind("ECHEC de l'Application de l'Effet VST\n\n", 0), 0u) << host.progressErrors[0];
        EXPECT_TRUE(State() == before) << path;
    }
}

TEST(DebianVstPlugin, LoadsHeadlessNamesItselfAndProcessesASineWithoutNan) {
    const std::string path = "/usr/lib/vst/lsp-plugins/compressor-mono.so";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    std::vector<std::string> skipped;
    const auto list = ListVstPlugins({path}, &skipped);
    ASSERT_EQ(list.size(), 1u) << (skipped.empty() ? "" : skipped[0]);
    EXPECT_NE(list[0].name.find("Compressor"), std::string::npos) << list[0].name;
    EXPECT_GT(list[0].params, 0);

    // Loaded in a child, as listing does: the library's own start-up allocations stay there.
    std::string why;
    const auto report = ProbeInChild(
        [&path]() -> std::optional<std::string> {
            std::string error;
            auto plugin = VstPlugin::Load(path, &error);
            if (!plugin) return error;
            if (plugin->Inputs() != 1 || plugin->Outputs() != 1 || plugin->ParamName(0).empty()) return "ports";
            plugin->Start(44100, 4096);
            std::vector<float> in(4096 + kPluginBufferPadding), out(4096 + kPluginBufferPadding, -7.0f);
            for (int i = 0; i < 4096; ++i) in[static_cast<std::size_t>(i)] = 0.5f * std::sin(i * 2 * M_PI * 440 / 44100);
            float* ins[] = {in.data()};
            float* outs[] = {out.data()};
            double energy = 0;
            for (int block = 0; block < 4; ++block) {
                plugin->Process(ins, outs, 4096);
                for (std::size_t i = 0; i < 4096; ++i) {
                    const float v = out[i];
                    if (!std::isfinite(v)) return "not finite";
                    energy += static_cast<double>(v) * v;
                }
            }
            return energy > 1.0 ? "sound" : "silence";
        },
        20000, &why);
    ASSERT_TRUE(report) << why;
    EXPECT_EQ(*report, "sound");
}

}  // namespace
}  // namespace sv::test
