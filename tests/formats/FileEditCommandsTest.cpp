#include "formats/FileEditCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditCommands.h"
#include "core/Notifier.h"
#include "core/SystemClipboard.h"
#include "core/Workspace.h"
#include "formats/FormatCommands.h"
#include "formats/WavReader.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace sv::test {
namespace {

class FakeClipboard : public SystemClipboard {
public:
    explicit FakeClipboard(Workspace& ws) : ws_(ws) {}
    void OfferWave() override { ++offers; }
    std::vector<std::uint8_t> ReadWave() override { return held; }
    // What a program asking for the offered data would get.
    std::vector<std::uint8_t> Request() { return RenderClipboardWave(ws_); }
    int offers = 0;
    std::vector<std::uint8_t> held;

private:
    Workspace& ws_;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileEditTest : public ::testing::Test, protected TestWorkspace {
protected:
    FileEditTest() {
        RegisterEditCommands(registry);
        RegisterFileEditCommands(registry);
        ws.systemClipboard = &clipboard;
    }
    LAudioDocument& Open(const LAudioData& sound) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "/music/take.wav");
        doc->modified = 0;
        ws.AddDocument(doc);
        return *doc;
    }
    // A 16-bit mono WAV of n frames, frame k holding k, made by sox.
    std::string SoxRamp(const std::string& name, int n, int rate = 44100, int channels = 1) {
        std::string raw = files.File(name + ".raw"), wav = files.File(name);
        {
            std::ofstream out(raw, std::ios::binary);
            for (int k = 0; k < n; ++k)
                for (int c = 0; c < channels; ++c) {
                    std::int16_t v = static_cast<std::int16_t>(k);
                    out.write(reinterpret_cast<const char*>(&v), 2);
                }
        }
        std::string cmd = "sox -t raw -r " + std::to_string(rate) + " -e signed -b 16 -c " +
                          std::to_string(channels) + " '" + raw + "' '" + wav + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return wav;
    }

    TempFolder files;
    FakeClipboard clipboard{ws};
};

TEST_F(FileEditTest, EveryEditMenuIdIsServedAndNothingRunsWithoutADocument) {
    RegisterFormatCommands(registry);  // the selection saved as a file
    for (int id = kCmdUndo; id <= kCmdAutoSplit; ++id) {
        if (id == 2024) continue;  // no command has this number
        EXPECT_TRUE(registry.Has(id)) << id;
        EXPECT_FALSE(registry.Run(id, ws)) << id;
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.shownDialogs.empty());
}

TEST_F(FileEditTest, InsertFileAtTheCursorLoadsWhatSoxWrote) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.cursor = 400;
    host.openPicks.push_back({SoxRamp("ins.wav", 300)});
    ASSERT_TRUE(registry.Run(kCmdInsertFileCursor, ws));
    EXPECT_EQ(doc.Length(), 1300);
    EXPECT_EQ(ReadFrames(doc.sound, 399, 3), (std::vector<std::int32_t>{399 * 16, 0, 16}));
    EXPECT_EQ(ReadFrames(doc.sound, 700, 1), (std::vector<std::int32_t>{400 * 16}));
    EXPECT_EQ(host.progressTitles,
              (std::vector<std::string>{"Chargement du Fichier Source Audio", "Insérer Fichier"}));
    EXPECT_EQ(user.Get("Settings", "InsertFileDir"), files.path());
    EXPECT_EQ(doc.undoRing[static_cast<std::size_t>(doc.undoIndex)].name, "Insérer Fichier à la Position Actuelle");
}

TEST_F(FileEditTest, AFileOfAnotherFormatIsRefusedWithoutTouchingTheDocument) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    host.openPicks.push_back({SoxRamp("ins.wav", 300, 22050, 2)});
    registry.Run(kCmdInsertFileEnd, ws);
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(doc.modified, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Insérer Fichier");
}

TEST_F(FileEditTest, AFileThatIsNoWavIsReportedAndNothingChanges) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    std::ofstream(files.File("junk.wav")) << "not a sound";
    host.openPicks.push_back({files.File("junk.wav")});
    registry.Run(kCmdInsertFileStart, ws);
    EXPECT_EQ(doc.Length(), 1000);
    // The open table's own message, once.
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Cannot open the file \"" + files.File("junk.wav") + "\" because it is corrupt.");
    EXPECT_TRUE(host.progressErrors.empty());
}

TEST_F(FileEditTest, SaveSelectionWritesAWavThatSoxReads) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 350, 0);
    std::string out = files.File("part.wav");
    std::ofstream(out) << "old";
    host.savePicks.push_back(out);
    host.answers.push_back(MsgAnswer::No);  // pick again
    host.savePicks.push_back(out);
    host.answers.push_back(MsgAnswer::Yes);
    registry.Run(kCmdSaveSelection, ws);
    EXPECT_EQ(host.messages.at(0).text, "Ce nom de fichier existe déjà. Voulez-vous le remplacer?");
    EXPECT_EQ(host.messages.size(), 2u);
    std::string cmd = "test \"$(soxi -s '" + out + "')\" = 250";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    Ref<LAudioReader> r = OpenWavReader(out);
    std::vector<std::int32_t> first(1);
    r->Read(first.data(), 1);
    EXPECT_EQ(first[0], 100 * 16);
    EXPECT_EQ(doc.modified, 0);
}

TEST_F(FileEditTest, CopyOffersTheClipboardAndTheRenderedBytesAreAWav) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(10, 110, 0);
    registry.Run(kCmdCopy, ws);
    EXPECT_EQ(clipboard.offers, 1);
    std::vector<std::uint8_t> wav = clipboard.Request();
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_FALSE(FileExists(JoinPath(dir.path(), "_clipboard.wav")));
    std::string path = files.File("got.wav");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()),
                                                 static_cast<std::streamsize>(wav.size()));
    std::string cmd = "test \"$(soxi -s '" + path + "')\" = 100";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(FileEditTest, PasteFromTheSystemClipboardInsertsItsWav) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(500, 500, 0);
    registry.Run(kCmdPasteSystem, ws);  // nothing held: nothing happens
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_TRUE(host.messages.empty());
    clipboard.held = FileBytes(SoxRamp("clip.wav", 200));
    registry.Run(kCmdPasteSystem, ws);
    EXPECT_EQ(doc.Length(), 1200);
    EXPECT_EQ(ReadFrames(doc.sound, 500, 2), (std::vector<std::int32_t>{0, 16}));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(500, 700));
}

TEST_F(FileEditTest, MixFileAddsTheFileFromTheSelectionStart) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 100, 0);
    host.openPicks.push_back({SoxRamp("mix.wav", 300)});
    host.dialogs.push_back({true, {{"volume", "100"}}});
    registry.Run(kCmdMixFile, ws);
    EXPECT_EQ(doc.undoRing[static_cast<std::size_t>(doc.undoIndex)].name, "Mixer le Fichier");
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd), std::make_tuple(100, 400));
    EXPECT_EQ(user.Get("Settings", "MixFileDir"), files.path());
}

}  // namespace
}  // namespace sv::test
