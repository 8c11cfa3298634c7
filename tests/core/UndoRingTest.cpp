#include "core/UndoRing.h"

#include "EditTestFixture.h"
#include "core/SegmentOps.h"

namespace sv::test {
namespace {

using UndoTest = EditTest;

int UndosUntilDisabled(CommandRegistry& registry, Workspace& ws) {
    int n = 0;
    while (registry.Enabled(kCmdUndo, ws) && n < 20) {
        EXPECT_TRUE(registry.Run(kCmdUndo, ws));
        ++n;
    }
    return n;
}

void DeleteFirstFrames(CommandRegistry& registry, Workspace& ws) {
    ws.Active()->SetSelection(0, 10, 0);
    registry.Run(kCmdDelete, ws);
}

TEST_F(UndoTest, AfterEightEditsFiveUndosSucceedAfterThreeThree) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    for (int i = 0; i < 8; ++i) DeleteFirstFrames(registry, ws);
    EXPECT_EQ(doc.Length(), 920);
    EXPECT_EQ(UndosUntilDisabled(registry, ws), 5);
    EXPECT_EQ(doc.Length(), 970);

    LAudioDocument& other = Open(MakeRamp(store, 1000), "/music/other.wav");
    for (int i = 0; i < 3; ++i) DeleteFirstFrames(registry, ws);
    EXPECT_EQ(UndosUntilDisabled(registry, ws), 3);
    EXPECT_EQ(other.Length(), 1000);
    EXPECT_EQ(other.modified, 0);
}

TEST_F(UndoTest, UndoThenRedoRestoresExactlyTheEditedStateAndUndoTheOriginal) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    doc.SetSelection(100, 300, 250);
    doc.SetView(50, 900);
    Run(kCmdCut);
    const std::vector<LSegment> after = doc.sound.Segments();
    const auto stateAfter = std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor, doc.viewStart,
                                            doc.viewEnd, doc.modified);
    EXPECT_EQ(stateAfter, std::make_tuple(100, 100, 100, 50, 900, std::uint8_t{1}));

    ASSERT_TRUE(Run(kCmdUndo));
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 1000), ReadFrames(MakeRamp(store, 1000), 0, 1000));
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor, doc.viewStart, doc.viewEnd,
                              doc.modified),
              std::make_tuple(100, 300, 250, 50, 900, std::uint8_t{0}));

    ASSERT_TRUE(Run(kCmdRedo));
    ASSERT_EQ(doc.sound.Segments().size(), after.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(doc.sound.Segments()[i].block, after[i].block);
        EXPECT_EQ(doc.sound.Segments()[i].offset, after[i].offset);
        EXPECT_EQ(doc.sound.Segments()[i].frames, after[i].frames);
    }
    EXPECT_EQ(std::make_tuple(doc.selectionStart, doc.selectionEnd, doc.cursor, doc.viewStart, doc.viewEnd,
                              doc.modified),
              stateAfter);
    EXPECT_FALSE(registry.Enabled(kCmdRedo, ws));
    EXPECT_TRUE(registry.Enabled(kCmdUndo, ws));
}

TEST_F(UndoTest, ANewEditAfterUndoKillsRedo) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    DeleteFirstFrames(registry, ws);
    DeleteFirstFrames(registry, ws);
    Run(kCmdUndo);
    EXPECT_TRUE(registry.Enabled(kCmdRedo, ws));
    DeleteFirstFrames(registry, ws);
    EXPECT_FALSE(registry.Enabled(kCmdRedo, ws));
    EXPECT_FALSE(Run(kCmdRedo));
    EXPECT_EQ(doc.Length(), 980);
}

TEST_F(UndoTest, MenuTextsNameTheStepsAndUnusedSlotsLeaveTheNameEmpty) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler \tCtrl+Z");
    EXPECT_EQ(registry.Text(kCmdRedo, ws), "Rétablir \tCtrl+Y");
    EXPECT_FALSE(registry.Enabled(kCmdUndo, ws));
    doc.SetSelection(0, 10, 0);
    Run(kCmdCut);
    EXPECT_EQ(registry.Text(kCmdUndo, ws), "Annuler Couper\tCtrl+Z");
    Run(kCmdUndo);
    EXPECT_EQ(registry.Text(kCmdRedo, ws), "Rétablir Couper\tCtrl+Y");
    // The present state was kept under "Redo", one slot past the undone step.
    EXPECT_EQ(doc.undoRing[static_cast<std::size_t>((doc.undoIndex + 2) % 8)].name, "Redo");
}

TEST_F(UndoTest, UndoStepsShareBlocksInsteadOfCopyingSamples) {
    LAudioDocument& doc = Open(MakeRamp(store, 1000));
    const BlockNumber block = doc.sound.Segments()[0].block;
    const auto before = store.Count(block);
    UndoPush(doc, "Supprimer");
    EXPECT_EQ(store.Count(block), before + 1);
    UndoPush(doc, "Supprimer");
    UndoPush(doc, "Supprimer");
    EXPECT_EQ(store.Count(block), before + 3);
    // A long name is kept to the 259 characters a slot holds.
    UndoPush(doc, std::string(400, 'x'));
    EXPECT_EQ(UndoName(doc).size(), 259u);
}

}  // namespace
}  // namespace sv::test
