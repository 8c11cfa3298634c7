// Tool 7003 driven through its three steps as a user would, with the scripted Host.
#include "batch/BatchScript.h"
#include "batch/BatchWizard.h"
#include "core/CommandIds.h"
#include "formats/FormatTestSupport.h"
#include "platform/Paths.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

using test::DialogAnswer;

class BatchWizardTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    void SetUp() override {
        if (!test::ToolExists("sox")) GTEST_SKIP() << "sox missing";
        RegisterBatchCommands(registry);
        for (const char* name : {"a.wav", "b.wav"})
            ASSERT_EQ(test::RunCommand("sox -n -r 22050 -c 1 -b 16 " + test::Sh(files.File(name)) +
                                       " synth 0.5 sine 440 gain -6"),
                      0);
    }
    test::TempFolder files;
};

TEST_F(BatchWizardTest, FilesCommandsAndAFolderToCreateGiveConvertedFilesAScriptAndAReport) {
    const std::string script = files.File("chain.svb");
    const std::string dest = files.File("out/au");
    host.openPicks = {{files.File("a.wav"), files.File("b.wav")}};
    host.savePicks = {script};
    host.dialogs = {
        DialogAnswer{true, {}, {"addFiles"}},           // 24
        DialogAnswer{true, {}, {"add", "settings", "saveAs"}},  // 25: add, settings of command 1, save
        DialogAnswer{true, {{"row3", "1"}, {"row7", "1"}}},     // 27: Amplifier and Echo
        DialogAnswer{true, {{"a", "50"}}},                      // Amplifier's own dialog
        DialogAnswer{true, {{"sameFormat", "1"}, {"format", "2"}, {"sameFolder", "1"}, {"folder", dest}}},  // 26
    };
    registry.Run(kCmdBatchConverter, ws);

    std::vector<std::string> resources;
    for (const auto& d : host.shownDialogs) resources.push_back(d.resource);
    EXPECT_EQ(resources, (std::vector<std::string>{"24", "25", "27", "10", "26"}));
    // The script holds the list as it was when saved: Amplifier at 50 %, Echo on its defaults.
    std::vector<LBatchEntry> saved;
    ASSERT_TRUE(ReadBatchScript(script, saved, nullptr));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0], (LBatchEntry{kRowAmplify, {50, 0}}));
    EXPECT_EQ(saved[1], (LBatchEntry{kRowEcho, {}}));
    // The missing folder was offered, created, and the files went there in the chosen format.
    ASSERT_GE(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "Le répertoire  \"" + dest + "\" n'existe pas. Souhaitez vous le créer maintenant?");
    EXPECT_EQ(test::CommandOutput("soxi -t " + test::Sh(dest + "/a.au") + " 2>/dev/null"), "au\n");
    EXPECT_TRUE(FileExists(dest + "/b.au"));
    EXPECT_EQ(host.messages.back().caption, "Convertisseur de Lot");
    EXPECT_NE(host.messages.back().text.find("2 fichier(s) converti(s), 0 en échec, 0 ignoré(s)."), std::string::npos);
    EXPECT_EQ(settings.ReadIntSetting("BatchConverter", "SaveFileFormat", 0), 2);
    EXPECT_EQ(settings.ReadSetting("BatchConverter", "OutputFolder"), dest);
}

TEST_F(BatchWizardTest, ADamagedScriptOpensAsAnEmptyListAndAnEmptyFolderIsRefused) {
    const std::string script = files.File("bad.svb");
    test::WriteBytes(script, {0, 21, 0, 0, 0, 0, 0, 0, 0});
    host.openPicks = {{files.File("a.wav")}, {script}};
    host.answers = {MsgAnswer::No};
    host.dialogs = {
        DialogAnswer{true, {}, {"addFiles"}},
        DialogAnswer{true, {}, {"add", "open"}},
        DialogAnswer{true, {{"row4", "1"}}},
        DialogAnswer{true, {{"sameFolder", "1"}, {"folder", ""}}},  // refused: stays open
        DialogAnswer{false},
    };
    registry.Run(kCmdBatchConverter, ws);
    ASSERT_EQ(host.messages.size(), 3u);
    // Open offers to save the changed list first (No), then refuses the file.
    EXPECT_EQ(host.messages[0].text, "Souhaitez vous enregistrer la liste de commandes?");
    EXPECT_EQ(host.messages[1].caption, "Erreur Fichier");
    EXPECT_EQ(host.messages[2].text,
              "Répertoire de destination invalide. Veuillez sélectionner un répertoire dans lequel enregistrer.");
    EXPECT_EQ(files.List(), (std::vector<std::string>{"a.wav", "b.wav", "bad.svb"}));
}

}  // namespace
}  // namespace sv
