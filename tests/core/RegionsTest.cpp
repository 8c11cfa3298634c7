#include "RegionTestFixture.h"

#include "core/CommandIds.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "platform/Settings.h"

namespace sv {
namespace {

class RegionsTest : public test::RegionTest {
protected:
    void Add(LAudioDocument& doc, std::int32_t a, std::int32_t b, const std::string& name) {
        ws.SetActive(&doc);
        doc.SetSelection(a, b, a);
        host.inputs.push_back(name);
        Run(kCmdAddRegion);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (const LRegion& r : ws.Regions().Items()) out.push_back(r.name);
        return out;
    }
};

TEST_F(RegionsTest, DefaultNameIsTitleAtStartAndEndTimeTexts) {
    LAudioDocument& doc = Open(200000);
    doc.SetSelection(44100, 99225, 44100);
    EXPECT_EQ(DefaultRegionName(doc), "take.wav@0:00:01.00-0:00:02.25");
}

TEST_F(RegionsTest, ARegionKeepsItsSoundAfterTheStretchIsDeletedAndTheDocumentClosed) {
    LAudioDocument& doc = Open(1000);
    int opened = 0;
    ws.showRegionList = [&] { ++opened; };
    Add(doc, 100, 200, "piece");
    ASSERT_EQ(ws.Regions().Count(), 1u);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(doc.modified, 0);
    const LRegion& r = ws.Regions()[0];
    EXPECT_EQ(r.title, "take.wav");
    EXPECT_EQ(r.startMs, FramesToMs(100, 44100));
    EXPECT_EQ(r.endMs, FramesToMs(200, 44100));

    DeleteRange(doc.sound, 0, 1000);
    ws.RemoveDocument(&doc);
    std::vector<std::int32_t> got = test::ReadFrames(ws.Regions()[0].sound, 0, 3);
    EXPECT_EQ(got, (std::vector<std::int32_t>{1600, 1616, 1632}));
    EXPECT_EQ(ws.Regions()[0].sound.Length(), 100);
}

TEST_F(RegionsTest, AnExistingNameAsksYesReplacesNoAsksAgainCancelEnds) {
    LAudioDocument& doc = Open(1000);
    Add(doc, 0, 10, "a");
    host.answers = {MsgAnswer::Cancel};
    Add(doc, 20, 30, "a");
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
    EXPECT_EQ(host.messages.back().text, "Ce nom de zone existe déjà. Voulez vous la remplacer?");

    host.answers = {MsgAnswer::No};
    host.inputs = {"a", "b"};
    Run(kCmdAddRegion);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b"}));

    host.answers = {MsgAnswer::Yes};
    Add(doc, 40, 50, "a");
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(ws.Regions()[1].sound.Length(), 10);
}

TEST_F(RegionsTest, ListOperationsRenameMoveCopyAndDelete) {
    LAudioDocument& doc = Open(1000);
    Add(doc, 0, 10, "a");
    Add(doc, 10, 30, "b");
    Add(doc, 30, 60, "c");
    MoveRegion(ws, 2, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_FALSE(RenameRegion(ws, 0, "a"));
    EXPECT_FALSE(RenameRegion(ws, 0, ""));
    EXPECT_TRUE(RenameRegion(ws, 0, "z"));

    CopyRegionToNewDocument(ws, 0);
    ASSERT_EQ(ws.Documents().size(), 2u);
    EXPECT_EQ(ws.Active()->Length(), 30);
    EXPECT_EQ(ws.Active()->modified, 1);
    EXPECT_EQ(ws.Active()->Title(), "Sans Titre 1");

    DeleteRegions(ws, {0, 2});
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
    EXPECT_EQ(host.messages.back().caption, "Confirmer la suppression");
    host.answers = {MsgAnswer::No};
    DeleteAllRegions(ws);
    EXPECT_EQ(ws.Regions().Count(), 1u);
    DeleteAllRegions(ws);
    EXPECT_TRUE(ws.Regions().Empty());
}

TEST_F(RegionsTest, GoingToARegionSelectsItInTheDocumentOfItsTitle) {
    LAudioDocument& doc = Open(441000, "/m/take.wav");
    Add(doc, 44100, 88200, "r");
    Open(10, "/m/other.wav");
    GoToRegion(ws, 0);
    EXPECT_EQ(ws.Active(), &doc);
    EXPECT_EQ(doc.selectionStart, 44100);
    EXPECT_EQ(doc.selectionEnd, 88200);
}

TEST_F(RegionsTest, JoiningThreeRegionsPutsThreeHundredMillisecondsBetweenEachPair) {
    LAudioDocument& doc = Open(1000);
    Add(doc, 0, 100, "a");
    Add(doc, 100, 300, "b");
    Add(doc, 300, 350, "c");
    ASSERT_EQ(JoinRegions(ws, {2, 0, 1}), 0);
    LAudioDocument& joined = *ws.Active();
    EXPECT_EQ(joined.modified, 1);
    EXPECT_EQ(joined.Length(), 50 + 13230 + 100 + 13230 + 200);
    EXPECT_EQ(test::ReadFrames(joined.sound, 0, 1)[0], 300 * 16);
    EXPECT_EQ(test::ReadFrames(joined.sound, 50, 13230), std::vector<std::int32_t>(13230, 0));
    EXPECT_EQ(test::ReadFrames(joined.sound, 50 + 13230, 1)[0], 0);
    EXPECT_EQ(test::ReadFrames(joined.sound, 50 + 13230 + 99, 1)[0], 99 * 16);
    EXPECT_EQ(test::ReadFrames(joined.sound, 50 + 13230 + 100 + 13230, 1)[0], 100 * 16);

    settings.WriteIntUserSetting("Settings", "AutoGap", 0);
    ASSERT_EQ(JoinRegions(ws, {0, 1}), 0);
    EXPECT_EQ(ws.Active()->Length(), 300);
}

TEST_F(RegionsTest, JoinOptionsAreStoredOnlyWhenAccepted) {
    host.dialogs.push_back({true, {{"AutoGap", "0"}, {"AutoGapTime", "-1"}}});
    host.dialogs.push_back({true, {{"AutoGap", "0"}, {"AutoGapTime", "120"}}});
    ASSERT_TRUE(JoinOptionsDialog(ws));
    EXPECT_EQ(host.shownDialogs[0].caption, "Option d'Assemblage");
    EXPECT_EQ(host.shownDialogs[0].Value("AutoGap"), "1");
    EXPECT_EQ(host.shownDialogs[0].Value("AutoGapTime"), "300");
    EXPECT_EQ(user.Get("Settings", "AutoGap"), "0");
    EXPECT_EQ(user.Get("Settings", "AutoGapTime"), "120");
}

TEST_F(RegionsTest, JoiningRegionsOfAnotherFormatWithoutAConverterFailsWithoutADocument) {
    LAudioDocument& mono = Open(100, "/m/a.wav");
    LAudioDocument& stereo = Open(100, "/m/b.wav", 2);
    Add(mono, 0, 10, "a");
    Add(stereo, 0, 10, "b");
    std::size_t before = ws.Documents().size();
    EXPECT_EQ(JoinRegions(ws, {0, 1}), 2);
    EXPECT_EQ(ws.Documents().size(), before);
}

}  // namespace
}  // namespace sv
