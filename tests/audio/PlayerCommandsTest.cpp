#include "audio/PlayerCommands.h"
#include "audio/PlayerControl.h"
#include "audio/ShuttleReader.h"
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

namespace sv {
namespace {

class PlayerCommandsTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    PlayerCommandsTest() {
        auto dev = std::make_unique<LNullDevice>(true);
        device = dev.get();
        control = std::make_unique<PlayerControl>(ws, std::move(dev), std::make_unique<LNullDevice>(false));
        control->InstallHooks();
        RegisterPlayerCommands(registry, *control);
        Ref<LAudioDocument> d = LAudioDocument::CreateFromSound(test::MakeRamp(store, 10 * 8000), "t");
        d->sound.sampleRate = 8000;
        ws.AddDocument(d);
        ws.SetActive(d.get());
        doc = d.get();
    }
    ~PlayerCommandsTest() override { control.reset(); }
    LWavePlayer& player() { return control->Player(); }

    LNullDevice* device = nullptr;
    std::unique_ptr<PlayerControl> control;
    LAudioDocument* doc = nullptr;
};

TEST_F(PlayerCommandsTest, PlayInTheLastSecondStartsAtZeroOtherwiseAtTheCursor) {
    doc->cursor = 72001;  // within the last 8,000 frames of 80,000
    registry.Run(kCmdPlay, ws);
    EXPECT_TRUE(player().IsOpen());
    EXPECT_EQ(doc->cursor, 0);
    doc->cursor = 72000;
    registry.Run(kCmdPlay, ws);
    EXPECT_TRUE(player().IsOpen());
    EXPECT_EQ(doc->cursor, 72000);
    doc->cursor = 90000;  // beyond the end
    registry.Run(kCmdPlay, ws);
    EXPECT_EQ(doc->cursor, 0);
}

TEST_F(PlayerCommandsTest, PlayWhileHeldResumesAndPauseFromStoppedPlaysThenHolds) {
    doc->cursor = 16000;
    control->Pause();
    EXPECT_TRUE(player().IsHeld());
    EXPECT_EQ(player().PositionFrames(), 16000);
    registry.Run(kCmdPlay, ws);
    EXPECT_TRUE(player().IsOpen());
    EXPECT_FALSE(player().IsHeld());
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return doc->cursor > 16000; }));
    EXPECT_EQ(doc->selectionStart, doc->cursor);  // no selection: an empty one follows the cursor
}

TEST_F(PlayerCommandsTest, GoToEndWhilePlayingIsOneSecondBeforeTheEndAndWhileHeldTheEnd) {
    registry.Run(kCmdPlay, ws);
    registry.Run(kCmdGoToEnd, ws);
    EXPECT_EQ(player().PositionFrames(), 72000);
    control->Pause();
    registry.Run(kCmdGoToEnd, ws);
    EXPECT_EQ(player().PositionFrames(), 80000);
    registry.Run(kCmdGoToStart, ws);
    EXPECT_EQ(player().PositionFrames(), 0);
    registry.Run(kCmdStop, ws);
    registry.Run(kCmdGoToEnd, ws);
    EXPECT_EQ(doc->cursor, 80000);
}

TEST_F(PlayerCommandsTest, RewindAtZeroStaysAtZeroAndFastForwardAtTheEndStaysAtTheEnd) {
    doc->cursor = 0;
    registry.Run(kCmdRewind, ws);
    EXPECT_EQ(control->ActiveShuttle(), -1);
    EXPECT_EQ(doc->cursor, 0);
    control->ReleaseShuttle();
    EXPECT_EQ(control->ActiveShuttle(), 0);
    EXPECT_EQ(player().State(), 0);  // it was stopped before
    doc->cursor = 80000;
    registry.Run(kCmdFastForward, ws);
    EXPECT_EQ(doc->cursor, 80000);
    // Pressing the other direction releases the first.
    registry.Run(kCmdRewind, ws);
    EXPECT_EQ(control->ActiveShuttle(), -1);
    EXPECT_EQ(doc->cursor, 80000 - 1600);
    control->ReleaseShuttle();
}

TEST_F(PlayerCommandsTest, ShuttleFromPlayingStepsAFifthOfASecondAndPlaysOnWhenReleased) {
    doc->cursor = 40000;
    registry.Run(kCmdPlay, ws);
    registry.Run(kCmdFastForward, ws);
    EXPECT_EQ(doc->cursor, 41600);
    // Under the shuttle, the document's limiter.
    auto* shuttle = dynamic_cast<LShuttleReader*>(&player().Reader());
    ASSERT_NE(shuttle, nullptr);
    EXPECT_EQ(shuttle->Jump(), static_cast<std::int32_t>(0.5 * 88));  // grain 8000 / 90 = 88
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return doc->cursor > 42000; }));
    control->ReleaseShuttle();
    EXPECT_TRUE(player().IsOpen());
    EXPECT_EQ(dynamic_cast<LShuttleReader*>(&player().Reader()), nullptr);
}

TEST_F(PlayerCommandsTest, ReduceVolWhenRewindLowersTheVolumeBy8DbWhileHeldDown) {
    user.Set("Settings", "ReduceVolWhenRewind", "1");
    ASSERT_TRUE(control->SetVolumeDb(0));  // 36 x 1424 = 51,264
    int db = 99;
    ASSERT_TRUE(control->VolumeDb(&db));
    EXPECT_EQ(db, 0);
    doc->cursor = 40000;
    control->PressShuttle(-1);
    ASSERT_TRUE(control->VolumeDb(&db));
    EXPECT_EQ(db, -8);
    control->ReleaseShuttle();
    ASSERT_TRUE(control->VolumeDb(&db));
    EXPECT_EQ(db, 0);
    ASSERT_TRUE(control->SetVolumeDb(-36));
    ASSERT_TRUE(control->VolumeDb(&db));
    EXPECT_EQ(db, -36);
}

TEST_F(PlayerCommandsTest, RewindAndFastForwardFromTheMenuAreReleasedByChoosingThemAgain) {
    user.Set("Settings", "ReduceVolWhenRewind", "1");
    ASSERT_TRUE(control->SetVolumeDb(0));
    int db = 99;
    doc->cursor = 40000;
    for (int id : {kCmdRewind, kCmdFastForward}) {
        registry.Run(id, ws);
        EXPECT_NE(control->ActiveShuttle(), 0);
        ASSERT_TRUE(control->VolumeDb(&db));
        EXPECT_EQ(db, -8);
        registry.Run(id, ws);
        EXPECT_EQ(control->ActiveShuttle(), 0);
        ASSERT_TRUE(control->VolumeDb(&db));
        EXPECT_EQ(db, 0);
        EXPECT_EQ(player().State(), 0);  // stopped before, stopped after
    }
}

TEST_F(PlayerCommandsTest, StopDuringAShuttleEndsItSoALaterReleasePlaysNothing) {
    user.Set("Settings", "ReduceVolWhenRewind", "1");
    ASSERT_TRUE(control->SetVolumeDb(0));
    doc->cursor = 40000;
    registry.Run(kCmdPlay, ws);
    registry.Run(kCmdFastForward, ws);  // F8 down
    registry.Run(kCmdStop, ws);
    EXPECT_EQ(control->ActiveShuttle(), 0);
    int db = 99;
    ASSERT_TRUE(control->VolumeDb(&db));
    EXPECT_EQ(db, 0);
    control->KeyUp(MoveKey::F8);
    EXPECT_EQ(player().State(), 0);
}

TEST_F(PlayerCommandsTest, GoToEndDuringARewindSeeksFromWhereTheRewindStands) {
    doc->cursor = 40000;
    registry.Run(kCmdPlay, ws);
    registry.Run(kCmdRewind, ws);
    // The shuttle's length moves with its position, which the filler changes as it reads: Fin
    // during F7 must not read it alongside (ThreadSanitizer watches this).
    for (int k = 0; k < 20; ++k) {
        registry.Run(kCmdGoToEnd, ws);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    auto* shuttle = dynamic_cast<LShuttleReader*>(&player().Reader());
    ASSERT_NE(shuttle, nullptr);
    EXPECT_TRUE(player().IsOpen());
    control->ReleaseShuttle();
}

TEST_F(PlayerCommandsTest, EditsStopPlaybackThroughTheWorkspaceHooks) {
    ws.startPlayback(24000);
    EXPECT_TRUE(ws.isPlaying());
    EXPECT_EQ(doc->cursor, 24000);
    ws.stopPlayback();
    EXPECT_FALSE(ws.isPlaying());
    EXPECT_EQ(player().State(), 0);
}

TEST_F(PlayerCommandsTest, SelectingModeStretchesTheSelectionFromThePivot) {
    doc->cursor = 40000;
    control->KeyDown(MoveKey::Shift, true);
    control->KeyDown(MoveKey::Right, true);
    EXPECT_TRUE(control->SelectingMode());
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return doc->cursor > 42000; }));
    EXPECT_EQ(doc->selectionStart, 40000);
    EXPECT_EQ(doc->selectionEnd, doc->cursor);
    control->KeyUp(MoveKey::Right);
    EXPECT_FALSE(control->SelectingMode());
    EXPECT_EQ(control->ActiveShuttle(), 0);
}

TEST_F(PlayerCommandsTest, TheCommandsNeedADocumentAndLoopIsCheckable) {
    EXPECT_TRUE(registry.Enabled(kCmdPlay, ws));
    EXPECT_FALSE(registry.Checked(kCmdPlayLoop, ws));
    registry.Run(kCmdPlayLoop, ws);
    EXPECT_TRUE(registry.Checked(kCmdPlayLoop, ws));
    ws.SetActive(nullptr);
    EXPECT_FALSE(registry.Enabled(kCmdPlay, ws));
    registry.Run(kCmdPlay, ws);
    EXPECT_EQ(player().State(), 0);
}

}  // namespace
}  // namespace sv
