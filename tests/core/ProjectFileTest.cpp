#include "RegionTestFixture.h"

#include "core/BookmarkList.h"
#include "core/CommandIds.h"
#include "core/ProgressTask.h"
#include "core/ProjectFile.h"
#include "platform/Paths.h"

namespace sv {
namespace {

using test::Le32;
using test::Str;

class ProjectFileTest : public test::RegionTest {
protected:
    // Loads path into what is open, headless: the result of the load.
    int Load(const std::string& path) { return LoadProject(ws, path); }
    std::string Sound(std::int32_t rate, std::uint8_t channels, const std::vector<std::int32_t>& samples) {
        std::string s = Le32(static_cast<std::uint32_t>(rate)) + std::string(1, char(channels)) +
                        Le32(static_cast<std::uint32_t>(samples.size() / channels));
        for (std::int32_t v : samples) s += Le32(static_cast<std::uint32_t>(v));
        return s;
    }
    static std::string Fixed(const std::string& text) {
        std::string f = text;
        f.resize(260, '\0');
        return f;
    }
};

TEST_F(ProjectFileTest, OneStereoDocumentOfASecondHasTheSizeOfItsParts) {
    LAudioDocument& doc = Open(44100, "/music/take.wav", 2);
    doc.SetSelection(10, 20, 15);
    doc.SetView(0, 44100);
    const std::string path = dir.File("one.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    const std::string bytes = Bytes(path);
    const std::string path_string = Str("/music/take.wav");
    ASSERT_EQ(bytes.size(), 2 + path_string.size() + 20 + 1 + 9 + 352800 + 1);
    EXPECT_EQ(bytes.substr(0, 2), std::string({2, 1}));
    EXPECT_EQ(bytes.substr(2, path_string.size()), path_string);
    std::size_t at = 2 + path_string.size();
    EXPECT_EQ(bytes.substr(at, 21), Le32(15) + Le32(10) + Le32(20) + Le32(0) + Le32(44100) + std::string(1, '\0'));
    EXPECT_EQ(bytes.substr(at + 21, 9), Le32(44100) + "\x02" + Le32(44100));
    EXPECT_EQ(bytes.substr(at + 30, 8), Le32(0) + Le32(16));  // the ramp's first frame
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(host.progressTitles.back(), "Enregistrement du Projet");
}

TEST_F(ProjectFileTest, DocumentsBookmarksAndRegionsSurviveASaveAndLoadAndAddToWhatIsOpen) {
    LAudioDocument& a = Open(30000, "/m/a.wav", 2, 22050);
    LAudioDocument& b = Open(9000, "Sans Titre 1");
    a.SetSelection(100, 2000, 150);
    a.SetView(50, 25000);
    AddBookmark(a, {"intro", "a.wav", 500, 1, 1234});
    AddBookmark(a, {std::string(280, 'q'), "a.wav", 900, 1, 5});
    a.modified = 1;
    b.SetSelection(10, 20, 10);
    ws.Regions().Add(b, "of b");
    ws.RemoveDocument(&b);  // a region whose document was closed
    a.SetSelection(200, 400, 200);
    ws.Regions().Add(a, "of a");
    a.SetSelection(100, 2000, 150);
    const std::string path = dir.File("p.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    EXPECT_EQ(a.modified, 0);

    Open(5, "/m/already.wav");
    ASSERT_EQ(Load(path), 0);
    EXPECT_EQ(ws.projectPath, path);
    ASSERT_EQ(ws.Documents().size(), 3u);
    const LAudioDocument& back = *ws.Documents()[2];
    EXPECT_EQ(back.path, "/m/a.wav");
    EXPECT_EQ(back.sound.sampleRate, 22050);
    EXPECT_EQ(back.sound.channels, 2);
    EXPECT_EQ(back.Length(), 30000);
    EXPECT_EQ(back.cursor, 150);
    EXPECT_EQ(back.selectionStart, 100);
    EXPECT_EQ(back.selectionEnd, 2000);
    EXPECT_EQ(back.viewStart, 50);
    EXPECT_EQ(back.viewEnd, 25000);
    EXPECT_EQ(back.modified, 0);
    EXPECT_EQ(test::ReadFrames(back.sound, 29999, 1), test::ReadFrames(a.sound, 29999, 1));
    ASSERT_EQ(back.bookmarks.size(), 2u);
    EXPECT_EQ(back.bookmarks[0].name, "intro");
    EXPECT_EQ(back.bookmarks[0].lastUsed, 1234);
    EXPECT_EQ(back.bookmarks[1].name, std::string(259, 'q'));

    ASSERT_EQ(ws.Regions().Count(), 4u);  // the two kept, the two loaded
    const LRegion& ofB = ws.Regions()[2];
    EXPECT_EQ(ofB.name, "of b");
    EXPECT_EQ(ofB.title, "Sans Titre 1");
    EXPECT_EQ(ofB.sound.Length(), 10);
    EXPECT_EQ(test::ReadFrames(ofB.sound, 0, 2), (std::vector<std::int32_t>{160, 176}));
    EXPECT_EQ(ws.Regions()[3].sound.channels, 2);
    EXPECT_EQ(ws.Regions()[3].startMs, 9);
}

TEST_F(ProjectFileTest, AVersionOneProjectIsRead) {
    std::string file = std::string{1, 1};
    file += Fixed("/old/song.wav") + Fixed("ignored") + Le32(1) + Le32(0) + Le32(2) + Le32(0) + Le32(3);
    file += Sound(8000, 1, {16, 32, 48});
    file += std::string(1, '\x07') + std::string(1, '\x02');  // a skipped byte, two bookmarks
    file += Fixed("mark") + Fixed("song.wav") + Le32(0) + "\x01" + Le32(77);
    file += Fixed("stray") + Fixed("elsewhere.wav") + Le32(0) + "\x01" + Le32(78);
    file += std::string(1, '\x01') + Fixed("zone") + Fixed("C:\\sons\\song.wav") + Le32(0) + Le32(250);
    file += Sound(8000, 2, {1, 2, 3, 4});
    WriteBytes(dir.File("v1.svp"), file);

    ASSERT_EQ(Load(dir.File("v1.svp")), 0);
    ASSERT_EQ(ws.Documents().size(), 1u);
    const LAudioDocument& doc = *ws.Documents()[0];
    EXPECT_EQ(doc.path, "/old/song.wav");
    EXPECT_EQ(doc.Length(), 3);
    EXPECT_EQ(doc.cursor, 1);
    EXPECT_EQ(doc.selectionEnd, 2);
    EXPECT_EQ(doc.viewEnd, 3);
    ASSERT_EQ(doc.bookmarks.size(), 1u);
    EXPECT_EQ(doc.bookmarks[0].name, "mark");
    ASSERT_EQ(ws.Regions().Count(), 1u);
    EXPECT_EQ(ws.Regions()[0].title, "song.wav");
    EXPECT_EQ(ws.Regions()[0].endMs, 250);
    EXPECT_EQ(test::ReadFrames(ws.Regions()[0].sound, 1, 1), (std::vector<std::int32_t>{3, 4}));
}

TEST_F(ProjectFileTest, VersionsZeroAndThreeAreRefusedWithTheMessage) {
    for (char version : {char(0), char(3)}) {
        host.messages.clear();
        WriteBytes(dir.File("v.svp"), std::string(1, version) + std::string(1, '\0') + std::string(1, '\0'));
        host.openPicks.push_back({dir.File("v.svp")});
        Run(kCmdOpenProject);
        ASSERT_EQ(host.messages.size(), 2u);
        EXPECT_EQ(host.messages[0].text,
                  "Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.");
        EXPECT_EQ(host.messages[0].caption, "Erreur Fichier");
        EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
        EXPECT_EQ(host.messages[1].text,
                  "Sonvela impossible de charger le projet. Le projet est peut être endommagé. Veuillez réessayer.");
        EXPECT_TRUE(ws.projectPath.empty());
    }
}

TEST_F(ProjectFileTest, ATruncatedProjectFailsAtEveryOffsetAndKeepsTheCompleteEntries) {
    LAudioDocument& doc = Open(3, "/m/a.wav", 2);
    AddBookmark(doc, {"m", "a.wav", 1, 1, 2});
    doc.SetSelection(0, 2, 0);
    ws.Regions().Add(doc, "r");
    ASSERT_EQ(SaveProject(ws, dir.File("full.svp")), 0);
    const std::string full = Bytes(dir.File("full.svp"));
    ws.RemoveDocument(&doc);
    ws.Regions().Clear();
    const std::size_t firstEntryEnd = 2 + 9 + 20 + 1 + 17 + 9 + 24;
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        WriteBytes(dir.File("cut.svp"), full.substr(0, cut));
        EXPECT_EQ(Load(dir.File("cut.svp")), 2) << cut;
        EXPECT_EQ(ws.Documents().size(), cut >= firstEntryEnd ? 1u : 0u) << cut;
        EXPECT_TRUE(ws.Regions().Empty()) << cut;
        EXPECT_TRUE(ws.projectPath.empty());
        std::vector<Ref<LAudioDocument>> docs = ws.Documents();
        for (const auto& d : docs) ws.RemoveDocument(d.get());
    }
    ASSERT_EQ(Load(dir.File("full.svp")), 0);
    EXPECT_EQ(ws.Regions().Count(), 1u);
}

TEST_F(ProjectFileTest, ImpossibleSoundHeadersAreRefused) {
    const std::string head = std::string{2, 1} + Str("x") + std::string(20, '\0') + std::string(1, '\0');
    struct Case {
        std::int32_t rate;
        std::uint8_t channels;
        std::int32_t length;
    };
    for (Case c : {Case{44100, 0, 1}, Case{0, 1, 1}, Case{-8000, 1, 1}, Case{44100, 1, -1}, Case{44100, 2, 2},
                   Case{44100, 255, 0x7fffffff}}) {
        WriteBytes(dir.File("bad.svp"), head + Le32(static_cast<std::uint32_t>(c.rate)) +
                                            std::string(1, char(c.channels)) +
                                            Le32(static_cast<std::uint32_t>(c.length)) + Le32(0) + "\0");
        EXPECT_EQ(Load(dir.File("bad.svp")), 2) << c.rate << " " << int(c.channels) << " " << c.length;
        EXPECT_TRUE(ws.Documents().empty());
    }
}

TEST_F(ProjectFileTest, ACancelledSaveLeavesTheOldProjectByteIdenticalAndTheDocumentsModified) {
    LAudioDocument& doc = Open(20000, "/m/a.wav");
    const std::string path = dir.File("keep.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    const std::string before = Bytes(path);
    LAudioDocument& other = Open(40000, "/m/b.wav", 2);
    doc.modified = other.modified = 1;
    host.cancelAtPump = 3;
    EXPECT_EQ(SaveProject(ws, path), 1);
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(doc.modified, 1);
    EXPECT_EQ(other.modified, 1);
    EXPECT_EQ(dir.List().size(), 1u + 2 * 2);  // the project and the two blocks: no temporary left
}

TEST_F(ProjectFileTest, MoreThanTwoHundredFiftyFiveRegionsAreRefusedBeforeAnythingIsWritten) {
    LAudioDocument& doc = Open(100);
    doc.SetSelection(0, 10, 0);
    const std::string path = dir.File("big.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    const std::string before = Bytes(path);
    for (int i = 0; i < 256; ++i) ws.Regions().Add(doc, "r" + std::to_string(i));
    doc.modified = 1;
    EXPECT_EQ(SaveProject(ws, path), 2);
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(doc.modified, 1);
    ASSERT_FALSE(host.progressErrors.empty());
    EXPECT_EQ(host.progressErrors.back(),
              "Un projet ne peut contenir plus de 255 zones. Supprimez des zones et réessayez.");
}

TEST_F(ProjectFileTest, ASaveIntoAMissingFolderReportsTheFile) {
    Open(10);
    const std::string path = dir.File("no/such/p.svp");
    EXPECT_EQ(SaveProject(ws, path), 2);
    ASSERT_FALSE(host.progressErrors.empty());
    EXPECT_EQ(host.progressErrors.back(), "Impossible d'ouvrir et d'écrire sur le fichier \"" + path + "\".");
}

TEST_F(ProjectFileTest, SaveAsAsksBeforeReplacingAndMakesThePathCurrent) {
    Open(10);
    const std::string path = dir.File("named.svp");
    WriteBytes(path, "old");
    int titles = 0;
    ws.projectChanged = [&] { ++titles; };
    host.savePicks = {path, dir.File("named")};
    host.answers = {MsgAnswer::No};
    ASSERT_TRUE(SaveProjectAsCommand(ws));
    EXPECT_EQ(host.messages[0].text, "Ce nom de projet existe déjà. Voulez-vous le remplacer?");
    EXPECT_EQ(ws.projectPath, path);  // ".svp" added to the second name
    EXPECT_EQ(titles, 1);
    EXPECT_NE(Bytes(path), "old");
}

TEST_F(ProjectFileTest, OpeningTheCurrentProjectAgainDoesNothing) {
    Open(10);
    const std::string path = dir.File("cur.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    ws.projectPath = path;
    host.openPicks.push_back({path});
    Run(kCmdOpenProject);
    EXPECT_EQ(ws.Documents().size(), 1u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ProjectFileTest, OpeningAnotherProjectAsksAboutTheCurrentOneFirst) {
    Open(10);
    const std::string path = dir.File("next.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    host.openPicks = {{path}, {path}};
    host.answers = {MsgAnswer::Cancel};
    Run(kCmdOpenProject);
    EXPECT_EQ(host.messages.back().text, "Enregistrer les Modifications apportées à votre projet en cours?");
    EXPECT_EQ(ws.Documents().size(), 1u);
    host.answers = {MsgAnswer::No};
    Run(kCmdOpenProject);
    EXPECT_EQ(ws.Documents().size(), 2u);
    EXPECT_EQ(ws.projectPath, path);
    EXPECT_EQ(user.Get("StoredValues", "OpenProjectDir"), dir.path());
}

TEST_F(ProjectFileTest, ClosingTheProjectDropsItsDocumentsAndRegions) {
    EXPECT_FALSE(registry.Enabled(kCmdCloseProject, ws));
    LAudioDocument& doc = Open(100);
    doc.SetSelection(0, 10, 0);
    ws.Regions().Add(doc, "r");
    const std::string path = dir.File("c.svp");
    ASSERT_EQ(SaveProject(ws, path), 0);
    ws.projectPath = path;
    ASSERT_TRUE(registry.Enabled(kCmdCloseProject, ws));
    host.answers = {MsgAnswer::No};
    Run(kCmdCloseProject);
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_TRUE(ws.Regions().Empty());
    EXPECT_TRUE(ws.projectPath.empty());
}

TEST_F(ProjectFileTest, SavingAProjectWithoutDocumentsAsksFirst) {
    host.answers = {MsgAnswer::No};
    Run(kCmdSaveProject);
    EXPECT_EQ(host.messages.back().text,
              "Ce projet ne contient aucun fichier. Voulez vous continuer l'enregistrement?");
    EXPECT_TRUE(host.progressTitles.empty());
}

}  // namespace
}  // namespace sv
