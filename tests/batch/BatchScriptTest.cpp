// Batch scripts and the command rows' settings bytes: what is read back, what is refused as
// damaged, and which defaults a command runs with.
#include "batch/BatchCommandLine.h"
#include "batch/BatchRows.h"
#include "batch/BatchScript.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace sv {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes U32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

Bytes Entry(std::uint32_t row, const Bytes& settings, std::uint32_t length) {
    Bytes b = U32(row);
    const Bytes l = U32(length);
    b.insert(b.end(), l.begin(), l.end());
    b.insert(b.end(), settings.begin(), settings.end());
    return b;
}

Bytes Script(std::initializer_list<Bytes> entries) {
    Bytes b{0};
    for (const Bytes& e : entries) b.insert(b.end(), e.begin(), e.end());
    return b;
}

void WriteFile(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

class BatchScriptTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    test::ScriptedHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
};

TEST_F(BatchScriptTest, ListsRoundTripThroughTheFileIncludingEmptySettings) {
    BatchParams curve;
    curve.curve = {{0, 100}, {128, 200}, {255, 128}};
    const std::vector<LBatchEntry> list = {
        {kRowNormalize, EncodeBatchParams(kRowNormalize, {98, 0, 0, {}})},
        {kRowEcho, {}},
        {kRowEqualizer, EncodeBatchParams(kRowEqualizer, curve)},
        {kRowCompressor, EncodeBatchParams(kRowCompressor, {-20, 2, 3, {}})},
        {kRowVocal, {}},
    };
    const std::string path = dir.File("chain.svb");
    ASSERT_TRUE(SaveBatchScript(path, list, host));
    const Bytes bytes = ReadFile(path);
    // Version, then 8 + 2, 8 + 0, 8 + 129, 8 + 3 and 8 + 0 bytes.
    EXPECT_EQ(bytes.size(), 1u + 10 + 8 + 137 + 11 + 8);
    EXPECT_EQ(bytes[0], 0);
    std::vector<LBatchEntry> back;
    ASSERT_TRUE(LoadBatchScript(path, back, host));
    EXPECT_EQ(back, list);
    EXPECT_EQ(ResolveBatchParams(back[2], settings).curve, curve.curve);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(BatchScriptTest, AVersionByteAloneIsAnEmptyList) {
    std::vector<LBatchEntry> list{{kRowAmplify, {}}};
    EXPECT_EQ(ParseBatchScript({0}, list), ScriptParse::Ok);
    EXPECT_TRUE(list.empty());
}

TEST_F(BatchScriptTest, AnotherVersionIsRefusedWithTheFileErrorAndLeavesTheListEmpty) {
    const std::string path = dir.File("v1.svb");
    WriteFile(path, {1, 3, 0, 0, 0, 0, 0, 0, 0});
    std::vector<LBatchEntry> list{{kRowAmplify, {}}};
    EXPECT_FALSE(LoadBatchScript(path, list, host));
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.");
    EXPECT_EQ(host.messages[0].caption, "Erreur Fichier");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
}

TEST_F(BatchScriptTest, UntrustworthyRowsLengthsAndSettingsMakeTheFileDamaged) {
    Bytes curve65(129, 0);
    curve65[0] = 65;  // more pairs than the slot holds
    const std::vector<Bytes> damaged = {
        Script({Entry(20, {}, 0)}),                                // row past the table
        Script({Entry(0xFFFFFFFF, {}, 0)}),
        Script({Entry(kRowAmplify, {}, 0xFFFFFFFF)}),              // a 4 GiB promise
        Script({Entry(kRowAmplify, {100}, 2)}),                    // settings cut short
        Script({Entry(kRowAmplify, {100, 0}, 2), U32(kRowEcho)}),  // header cut short
        Script({Entry(kRowEqualizer, curve65, 129)}),
        Script({Entry(kRowCompressor, {0xEC, 7, 3}, 3)}),          // ratio row 7
        Script({Entry(kRowEcho, {5, 0, 0, 0, 50, 0}, 6)}),         // 5 ms
        Script({Entry(kRowEcho, {0x20, 3, 0, 0, 100, 0}, 6)}),     // gain 100 %
        Script({Entry(kRowLowCut, U32(0x80000000), 4)}),
        Script({Entry(kRowNoiseGate, {100}, 1)}),
        Script({Entry(kRowChannels, {0}, 1)}),
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        std::vector<LBatchEntry> list;
        EXPECT_EQ(ParseBatchScript(damaged[i], list), ScriptParse::Damaged) << "case " << i;
        EXPECT_TRUE(list.empty());
    }
}

TEST_F(BatchScriptTest, AShortEchoEntryRunsWithTheStoredValuesOrTheirDefaults) {
    std::vector<LBatchEntry> list;
    ASSERT_EQ(ParseBatchScript(Script({Entry(kRowEcho, {0x20, 3, 0, 0}, 4)}), list), ScriptParse::Ok);
    ASSERT_EQ(list.size(), 1u);
    BatchParams p = ResolveBatchParams(list[0], settings);
    EXPECT_EQ(p.a, 800);
    EXPECT_EQ(p.b, 50);
    settings.WriteIntUserSetting("StoredValues", "EchoTime", 250);
    settings.WriteIntUserSetting("StoredValues", "EchoGain", 40);
    p = ResolveBatchParams(list[0], settings);
    EXPECT_EQ(p.a, 250);
    EXPECT_EQ(p.b, 40);
    // Six bytes are enough: they win over the store.
    p = ResolveBatchParams({kRowEcho, {0x20, 3, 0, 0, 30, 0}}, settings);
    EXPECT_EQ(p.a, 800);
    EXPECT_EQ(p.b, 30);
}

TEST_F(BatchScriptTest, ListTextsShowTheValuesEachRowRunsWith) {
    EXPECT_EQ(BatchEntryText({kRowEcho, {}}, settings),
              "Durée de l'Echo (ms) = 800, Amplification de l'Echo (%) = 50");
    // The reverb's list text and its run share one default level.
    EXPECT_EQ(BatchEntryText({kRowReverb, {}}, settings),
              "Durée de la Réverbération (ms) = 50, Niveau de Réverbération  (%) = 100");
    EXPECT_EQ(ResolveBatchParams({kRowReverb, {}}, settings).b, 100);
    EXPECT_EQ(BatchEntryText({kRowCompressor, {0xEC, 6, 3}}, settings), "Palier (db) = -20, Ratio = Limit, Limite (db) = 3");
    EXPECT_EQ(BatchEntryText({kRowStereoPan, {}}, settings), "Stereo Pan = 50%");
    EXPECT_EQ(BatchEntryText({kRowAmplify, EncodeBatchParams(kRowAmplify, {150, 0, 0, {}})}, settings),
              "Gain d'Ampli (%) = 150");
    EXPECT_EQ(BatchEntryText({kRowVocal, {}}, settings), "");
}

TEST_F(BatchScriptTest, OutOfRangeStoredDefaultsAreCaughtBeforeTheyRun) {
    settings.WriteIntUserSetting("StoredValues", "CompressorRatio", 9);
    EXPECT_TRUE(CheckBatchParams(kRowCompressor, ResolveBatchParams({kRowCompressor, {}}, settings)));
    settings.WriteIntUserSetting("StoredValues", "LowCutFreq", -5);
    EXPECT_TRUE(CheckBatchParams(kRowLowCut, ResolveBatchParams({kRowLowCut, {}}, settings)));
    EXPECT_FALSE(CheckBatchParams(kRowEcho, ResolveBatchParams({kRowEcho, {}}, settings)));
}

TEST_F(BatchScriptTest, AFailedSaveShowsTheMessageAndKeepsTheOldScript) {
    const std::string path = dir.File("kept.svb");
    WriteFile(path, {0});
    EXPECT_FALSE(SaveBatchScript(dir.File("missing/x.svb"), {{kRowAmplify, {}}}, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Sonvela ne parvient pas à ouvrir ce fichier. Le fichier n'existe pas ou est peut être endommagé.");
    EXPECT_EQ(ReadFile(path), Bytes{0});
    EXPECT_EQ(dir.List(), std::vector<std::string>{"kept.svb"});
}

TEST(BatchCommandLineTest, ABatchFirstOnTheLineTakesFilesDestinationAndFormat) {
    auto cl = ParseBatchCommandLine({"-Batch", "s.svb", "a.wav", "-dest", "out", "/x/b.mp3", "-FORMAT", "mp3"}, "/home/u");
    ASSERT_TRUE(cl);
    EXPECT_EQ(cl->script, "/home/u/s.svb");
    EXPECT_EQ(cl->files, (std::vector<std::string>{"/home/u/a.wav", "/x/b.mp3"}));
    EXPECT_EQ(cl->dest, "/home/u/out");
    EXPECT_EQ(cl->format, "mp3");
    EXPECT_TRUE(cl->error.empty());
    // An empty script asks for the wizard; a batch after other arguments is the editor's.
    EXPECT_FALSE(ParseBatchCommandLine({"-batch", ""}, "/"));
    EXPECT_FALSE(ParseBatchCommandLine({"a.wav", "-batch", "s.svb"}, "/"));
    EXPECT_EQ(ParseBatchCommandLine({"-batch", "s.svb", "a.wav", "-dest"}, "/")->error, "sonvela : -dest attend un argument.");
}

}  // namespace
}  // namespace sv
