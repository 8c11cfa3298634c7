// The recorder dialog's logic and the Record command, headless: a scripted input, an unpaced
// null output, a mixer with two input lines and the scripted Host.
#include "audio/RecordCommand.h"
#include "audio/RecorderDialogModel.h"
#include "audio/ScriptedInput.h"
#include "core/BlockReader.h"
#include "core/CommandIds.h"
#include "core/SegmentOps.h"
#include "core/UndoRing.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"
#include "PlayerTestSupport.h"
#include "RecorderTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace sv {
namespace {

using test::AppendLoud;
using test::DcFiltered;

struct FakeMixer : LRecordingMixer {
    std::vector<std::string> lines = {"Micro", "Ligne"};
    std::vector<std::string> calls;
    std::vector<std::string> LineNames(int) override { return lines; }
    bool SetRecording(int device, int line, int db) override {
        calls.push_back(std::to_string(device) + "/" + std::to_string(line) + "/" + std::to_string(db));
        return line >= 0;
    }
};

struct FakeView : RecorderView {
    std::vector<int> closed;
    std::vector<bool> recording;
    int soundsShown = 0;
    void ShowRecording(bool r) override { recording.push_back(r); }
    void ShowSound(const LAudioData&) override { ++soundsShown; }
    void CloseDialog(int result) override { closed.push_back(result); }
};

class RecorderDialogTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    RecorderDialogTest() { user.Set("Recorder", "Autostart", "0"); }
    ~RecorderDialogTest() override { model.reset(); }

    RecorderDialogModel& MakeModel(LRecordOwner& owner) {
        RecorderDevices d;
        auto in = std::make_unique<LScriptedInput>(false);
        input = in.get();
        d.input = std::move(in);
        auto out = std::make_unique<LNullDevice>(false);
        output = out.get();
        output->keepSamples = true;
        d.output = std::move(out);
        auto mx = std::make_unique<FakeMixer>();
        mixer = mx.get();
        d.mixer = std::move(mx);
        model = std::make_unique<RecorderDialogModel>(ws, owner, std::move(d));
        model->SetView(&view);
        return *model;
    }
    // The input hears frames loud frames for the next take, then nothing.
    void Hear(std::int32_t frames, std::int16_t amplitude = 16000) {
        heard.clear();
        AppendLoud(heard, frames, 1, amplitude);
        input->samples = heard;
        input->stallAtFrame = frames;
    }
    void WaitForTake() { ASSERT_TRUE(test::DrainUntil(notifier, [&] { return input->Stalled(); })); }

    RecordTarget target{store, 8000, 1};
    std::unique_ptr<RecorderDialogModel> model;
    LScriptedInput* input = nullptr;
    LNullDevice* output = nullptr;
    FakeMixer* mixer = nullptr;
    FakeView view;
    std::vector<std::int16_t> heard;
};

TEST_F(RecorderDialogTest, OpeningListsTheDevicesAndLinesWithTheStoredChoices) {
    user.Set("Recorder", "Device", "1");
    user.Set("Recorder", "Channel", "1");
    user.Set("Recorder", "Volume", "-6");
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    EXPECT_EQ(m.DeviceEntries(), (std::vector<std::string>{"Périphérique par défaut", "null"}));
    EXPECT_EQ(m.DeviceIndex(), 1);
    EXPECT_EQ(m.LineEntries(), (std::vector<std::string>{"Mixeur d’Enregistrement Windows", "Micro", "Ligne"}));
    EXPECT_EQ(m.LineIndex(), 2);
    EXPECT_TRUE(m.VolumeVisible());
    EXPECT_FALSE(m.MixerButtonVisible());
    EXPECT_EQ(m.Volume(), -6);
    EXPECT_FALSE(m.Recording());
    EXPECT_EQ(m.ToolTip(kRecDeviceList), "Périphérique d’enregistrement");
    EXPECT_EQ(m.ToolTip(kRecLineList), "Canal d’Entrée d’Enregistrement");
    EXPECT_EQ(m.ToolTip(kRecVolume), "Volume d’Enregistrement");
    EXPECT_EQ(m.ToolTip(kRecRecord), "Enregistrer (F8)");
    EXPECT_EQ(m.ToolTip(kRecStart), "Aller au Début (Home)");
    EXPECT_EQ(m.ToolTip(kRecRewind), "Rembobiner (<-)");
    EXPECT_EQ(m.ToolTip(kRecForward), "Défiler (->)");
    EXPECT_EQ(m.ToolTip(kRecEnd), "Aller à la Fin (End)");
    EXPECT_EQ(m.Bitmap(kRecForward), "ForwardBitmap");
}

TEST_F(RecorderDialogTest, AStoredLineTheMixerLacksFallsBackToTheSystemMixer) {
    user.Set("Recorder", "Channel", "5");
    RecorderDialogModel& m = MakeModel(target);
    mixer->lines.clear();
    m.Open();
    EXPECT_EQ(m.LineEntries(), (std::vector<std::string>{"Mixeur d’Enregistrement Windows"}));
    EXPECT_EQ(m.LineIndex(), 0);
    EXPECT_FALSE(m.VolumeVisible());
}

TEST_F(RecorderDialogTest, LineAndVolumeChangesReachTheMixerAtOnceAndAreStoredOnClose) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    m.ChooseLine(1);
    EXPECT_TRUE(m.VolumeVisible());
    m.SetVolume(-12);
    m.SetVolume(-99);
    EXPECT_EQ(mixer->calls, (std::vector<std::string>{"0/0/0", "0/0/-12", "0/0/-36"}));
    m.ChooseLine(0);
    EXPECT_FALSE(m.VolumeVisible());
    m.ChooseLine(2);
    m.Close();
    EXPECT_EQ(user.Get("Recorder", "Channel"), "1");
    EXPECT_EQ(user.Get("Recorder", "Device"), "0");
    EXPECT_EQ(user.Get("Recorder", "Volume"), "-36");
}

TEST_F(RecorderDialogTest, AutostartRecordsAtOnceAndTheButtonsTurnIntoRetakeCommands) {
    user.Set("Recorder", "Autostart", "1");
    RecorderDialogModel& m = MakeModel(target);
    Hear(1600);
    m.Open();
    EXPECT_TRUE(m.Recording());
    EXPECT_EQ(m.ToolTip(kRecStart), "Recommencer (F6)");
    EXPECT_EQ(m.ToolTip(kRecForward), "Ré-Enregistrer (F7)");
    EXPECT_EQ(m.ToolTip(kRecEnd), "Enregistrer Suivant (F5)");
    EXPECT_EQ(m.Bitmap(kRecForward), "RetakeBitmap");
    WaitForTake();
    m.Press(kRecStop);
    EXPECT_FALSE(m.Recording());
    EXPECT_EQ(view.recording, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(target.Sound().Length(), 1600);
    EXPECT_EQ(m.Position(), 1600);
}

TEST_F(RecorderDialogTest, TakesFollowEachOtherAndRetakesReplaceFromWhereTheyStarted) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    Hear(1600);
    m.Key(8);
    WaitForTake();
    m.StopAll();
    const auto first = DcFiltered(heard, 1, 8000);
    Hear(800, 8000);
    m.Key(8);  // from the end of the first take
    EXPECT_EQ(m.LastStart(), 1600);
    WaitForTake();
    m.StopAll();
    ASSERT_EQ(target.Sound().Length(), 2400);
    Hear(2400, 4000);
    m.Key(7);  // again from 1600
    WaitForTake();
    m.StopAll();
    ASSERT_EQ(target.Sound().Length(), 4000);
    auto expected = first;
    const auto again = DcFiltered(heard, 1, 8000);
    expected.insert(expected.end(), again.begin(), again.end());
    EXPECT_EQ(test::ReadFrames(target.Sound(), 0, 4000), expected);

    Hear(800);
    m.Key(8);
    m.Key(6);  // while recording: from the very start
    EXPECT_EQ(m.LastStart(), 0);
    WaitForTake();
    m.StopAll();
    EXPECT_EQ(target.Sound().Length(), 800);
}

TEST_F(RecorderDialogTest, F5WhileRecordingClosesForTheNextTakeAndDoesNothingOtherwise) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    m.Key(5);
    EXPECT_TRUE(view.closed.empty());
    Hear(800);
    m.Press(kRecRecord);
    m.Press(kRecEnd);
    EXPECT_EQ(view.closed, (std::vector<int>{kRecordNext}));
}

TEST_F(RecorderDialogTest, AnUnpluggedDeviceShowsAMessageAndKeepsTheTake) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    Hear(8000);
    input->stallAtFrame = -1;
    input->failAtFrame = 2000;
    input->failError = ENODEV;
    m.Record();
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return !m.Recording(); }));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, RecordingFailedText(std::strerror(ENODEV)));
    EXPECT_EQ(host.messages[0].text,
              "L'enregistrement s'est arrêté : " + std::string(std::strerror(ENODEV)) +
                  ". Ce qui a été enregistré jusque-là est conservé.");
    EXPECT_EQ(target.Sound().Length(), 1600);
    EXPECT_EQ(view.recording.back(), false);
}

TEST_F(RecorderDialogTest, ADeviceThatWillNotOpenIsReported) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    input->failOpen = true;
    m.Record();
    EXPECT_FALSE(m.Recording());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "L'enregistrement ne peut pas commencer : le périphérique d'enregistrement ne peut pas être ouvert. "
              "Vérifiez le périphérique d'enregistrement choisi.");
    EXPECT_EQ(target.Sound().Length(), 0);
}

TEST_F(RecorderDialogTest, TheAdvancedDialogRefusesAThresholdOutOfRangeAndStoresWhatIsAccepted) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    host.dialogs.push_back({true, {{"threshold", "-50"}}});
    host.dialogs.push_back({true, {{"autostart", "1"}, {"autotrim", "0"}, {"vor", "1"}, {"threshold", "-30"}}});
    Hear(800);
    m.Press(kRecAdvanced);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    const DialogSpec& spec = host.shownDialogs[0];
    EXPECT_EQ(spec.resource, "LRecordDlgAdvanced");
    EXPECT_EQ(spec.Field("autostart")->label, "Auto Start Recording");
    EXPECT_EQ(spec.Field("autotrim")->label, "Enregistrement AutoTrim");
    EXPECT_EQ(spec.Field("vor")->label, "Activé par la Voix");
    EXPECT_EQ(spec.Value("threshold"), "-24");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(user.Get("Recorder", "Threshold"), "-30");
    EXPECT_EQ(user.Get("Recorder", "Autotrim"), "0");
    EXPECT_EQ(user.Get("Recorder", "Vor"), "1");
    // Autostart: the recording began as the dialog closed.
    EXPECT_TRUE(m.Recording());
    EXPECT_EQ(m.Values().SoundThreshold(), -127);
    EXPECT_EQ(m.Values().SilenceMs(), 5000);
}

TEST_F(RecorderDialogTest, ThePanelPlaysWhatWasRecorded) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    Hear(1600);
    m.Record();
    WaitForTake();
    m.StopAll();
    m.Press(kRecStart);
    EXPECT_EQ(m.Position(), 0);
    m.Press(kRecPlay);
    ASSERT_TRUE(m.Playing());
    ASSERT_TRUE(test::DrainUntil(notifier, [&] { return !m.Playing(); }));
    const auto played = output->Samples();
    const auto recorded = DcFiltered(heard, 1, 8000);
    ASSERT_GE(played.size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i) ASSERT_EQ(played[i], (recorded[i] + 8) >> 4) << i;
    m.SeekPercent(50);
    EXPECT_EQ(m.Position(), 800);
    m.Press(kRecRewind);
    EXPECT_EQ(m.Position(), 0);
    m.Press(kRecEnd);
    EXPECT_EQ(m.Position(), 1600);
}

class RecordCommandTest : public RecorderDialogTest {
protected:
    // Each showing of the recorder records a take of frames frames and closes with result.
    RecorderDialogRunner Runner(std::vector<std::pair<std::int32_t, int>> script) {
        return [this, script](Workspace&, LRecordOwner& owner) mutable {
            ++shown;
            if (script.empty()) return 0;
            const auto [frames, result] = script.front();
            script.erase(script.begin());
            RecorderDialogModel& m = MakeModel(owner);
            m.Open();
            Hear(frames);
            m.Record();
            WaitForTake();
            m.Close();
            model.reset();
            return result;
        };
    }
    int shown = 0;
};

TEST_F(RecordCommandTest, WithoutADocumentANewOneIsCreatedAndTheTakeFillsIt) {
    host.dialogs.push_back({true, {{"rate", "8000"}, {"channels", "0"}}});
    RecordCommand(ws, Runner({{1600, 1}}));
    ASSERT_NE(ws.Active(), nullptr);
    LAudioDocument& doc = *ws.Active();
    EXPECT_EQ(doc.sound.sampleRate, 8000);
    EXPECT_EQ(doc.Length(), 1600);
    EXPECT_EQ(doc.selectionStart, 0);
    EXPECT_EQ(doc.selectionEnd, 1600);
    EXPECT_EQ(doc.cursor, 0);
    EXPECT_EQ(UndoName(doc), "Record");
    EXPECT_EQ(doc.modified, 1);
}

TEST_F(RecordCommandTest, CancellingTheNewDocumentEndsTheCommand) {
    host.dialogs.push_back({false, {}});
    RecordCommand(ws, Runner({{1600, 1}}));
    EXPECT_EQ(ws.Active(), nullptr);
    EXPECT_EQ(shown, 0);
}

TEST_F(RecordCommandTest, TheTakeReplacesTheSelectionAndRecordNextAppendsTheFollowingOne) {
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeRamp(store, 4000), "t");
    doc->sound.sampleRate = 8000;
    ws.AddDocument(doc);
    ws.SetActive(doc.get());
    doc->SetSelection(1000, 3000, 1000);
    RecordCommand(ws, Runner({{800, kRecordNext}, {1600, 1}}));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(doc->Length(), 1000 + 800 + 1600 + 1000);
    EXPECT_EQ(doc->selectionStart, 1800);
    EXPECT_EQ(doc->selectionEnd, 3400);
    EXPECT_EQ(test::ReadFrames(doc->sound, 3400, 2), (std::vector<std::int32_t>{3000 * 16, 3001 * 16}));
    EXPECT_EQ(test::ReadFrames(doc->sound, 999, 1), (std::vector<std::int32_t>{999 * 16}));
    ASSERT_TRUE(Undo(*doc));
    EXPECT_EQ(doc->Length(), 1000 + 800 + 1000);
}

TEST_F(RecordCommandTest, ADiscardedRecordingChangesNothing) {
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeRamp(store, 4000), "t");
    doc->modified = 0;
    ws.AddDocument(doc);
    ws.SetActive(doc.get());
    RecordCommand(ws, Runner({{800, 0}}));
    EXPECT_EQ(doc->Length(), 4000);
    EXPECT_EQ(doc->modified, 0);
    EXPECT_FALSE(CanUndo(*doc));
}

TEST_F(RecorderDialogTest, TheRecordingThreadWritesBlocksWhileTheWindowThreadEditsAnotherSound) {
    RecorderDialogModel& m = MakeModel(target);
    m.Open();
    Hear(400 * 800);
    m.Record();
    LAudioData other = test::MakeRamp(store, 20000);
    for (int i = 0; !input->Stalled(); ++i) {
        LAudioData piece;
        CopyRange(piece, other, i % 1000, i % 1000 + 5000);
        Insert(other, 0, piece);
        DeleteRange(other, 0, 5000);
        notifier.Drain();
    }
    m.StopAll();
    EXPECT_EQ(other.Length(), 20000);
    ASSERT_EQ(target.Sound().Length(), 400 * 800);
    EXPECT_EQ(test::ReadFrames(target.Sound(), 0, 400 * 800), DcFiltered(heard, 1, 8000));
}

}  // namespace
}  // namespace sv
