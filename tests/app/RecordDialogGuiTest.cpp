// The recorder dialog on screen: its controls follow the model while recording and after, and a
// screenshot of a finished take is written for a person to look at.
#include "app/Application.h"
#include "app/RecordDialog.h"
#include "core/CommandIds.h"
#include "core/UndoRing.h"
#include "audio/ScriptedInput.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"
#include "views/LevelMeterWidget.h"
#include "views/RecorderWaveWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sv {
namespace {

struct OneLineMixer : LRecordingMixer {
    std::vector<std::string> LineNames(int) override { return {"Micro"}; }
    bool SetRecording(int, int, int) override { return true; }
};

class RecordDialogGuiTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    RecordDialogGuiTest() {
        user.Set("Recorder", "Autostart", "0");
        RecorderDevices d;
        auto in = std::make_unique<LScriptedInput>(false);
        input = in.get();
        d.input = std::move(in);
        d.output = std::make_unique<LNullDevice>(false);
        d.mixer = std::make_unique<OneLineMixer>();
        dialog = std::make_unique<LRecordDlg>(ws, target, std::move(d), "Sans Titre 1");
        dialog->show();
        QApplication::processEvents();
    }
    ~RecordDialogGuiTest() override { dialog.reset(); }

    void Pump(const std::function<bool()>& until) {
        for (int i = 0; i < 5000 && !until(); ++i) {
            notifier.Drain();
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        notifier.Drain();
        QApplication::processEvents();
    }
    void PressKey(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &press);
    }
    QString Tip(int id) const { return dialog->Control(id)->toolTip(); }

    RecordTarget target{store, 8000, 2};
    LScriptedInput* input = nullptr;
    std::unique_ptr<LRecordDlg> dialog;
};

TEST_F(RecordDialogGuiTest, ControlsShowTheChoicesAndTheTextsOfTheStoppedRecorder) {
    auto* devices = static_cast<QComboBox*>(dialog->Control(kRecDeviceList));
    auto* lines = static_cast<QComboBox*>(dialog->Control(kRecLineList));
    EXPECT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->itemText(0), "Périphérique par défaut");
    ASSERT_EQ(lines->count(), 2);
    EXPECT_EQ(lines->itemText(0), "Mixeur d’Enregistrement Windows");
    EXPECT_EQ(lines->itemText(1), "Micro");
    EXPECT_FALSE(dialog->Control(kRecVolume)->isVisible());
    EXPECT_EQ(dialog->Control(kRecMixer)->isVisible(), !ExternalMixerCommand().empty());
    lines->setCurrentIndex(1);
    EXPECT_TRUE(dialog->Control(kRecVolume)->isVisible());
    EXPECT_FALSE(dialog->Control(kRecMixer)->isVisible());
    EXPECT_EQ(Tip(kRecRecord), "Enregistrer (F8)");
    EXPECT_EQ(Tip(kRecStart), "Aller au Début (Home)");
    EXPECT_EQ(Tip(kRecForward), "Défiler (->)");
    EXPECT_EQ(Tip(kRecEnd), "Aller à la Fin (End)");
    EXPECT_EQ(Tip(kRecDeviceList), "Périphérique d’enregistrement");
    EXPECT_EQ(dialog->Control(kRecForward)->property("bitmap").toString(), "ForwardBitmap");
}

TEST_F(RecordDialogGuiTest, F8RecordsAndTheDialogShowsTheTakeWhenItEnds) {
    std::vector<std::int16_t> heard;
    for (int f = 0; f < 8000; ++f) {
        heard.push_back(static_cast<std::int16_t>(f % 2 ? -20000 : 20000));
        heard.push_back(static_cast<std::int16_t>(f % 40 < 20 ? 3000 : -3000));
    }
    input->samples = heard;
    input->stallAtFrame = 8000;
    PressKey(Qt::Key_F8);
    EXPECT_TRUE(dialog->Model().Recording());
    EXPECT_EQ(Tip(kRecStart), "Recommencer (F6)");
    EXPECT_EQ(Tip(kRecForward), "Ré-Enregistrer (F7)");
    EXPECT_EQ(Tip(kRecEnd), "Enregistrer Suivant (F5)");
    EXPECT_EQ(dialog->Control(kRecForward)->property("bitmap").toString(), "RetakeBitmap");
    Pump([&] { return input->Stalled() && dialog->Meter()->PeakLevel() > 0; });
    // +-20000 reads +8 dB; the +-3000 square reads -8 rather than -9 for the DC filter's overshoot.
    EXPECT_EQ(dialog->Meter()->Levels(), (std::vector<std::int8_t>{8, -8}));
    dialog->grab().save(QString::fromStdString(test::ScreenshotPath("recorder-dialog-recording.png")));
    dialog->Model().Press(kRecStop);
    Pump([&] { return dialog->WaveView()->DrawThread().Shown().length == 8000; });
    EXPECT_EQ(target.Sound().Length(), 8000);
    EXPECT_EQ(dialog->Meter()->PeakLevel(), -127);
    EXPECT_EQ(dialog->findChild<QLabel*>("LDBDisplayText")->text(), "--dB");
    EXPECT_EQ(dialog->findChild<QLabel*>("RecorderTime")->text(), "0:00:01.00");
    dialog->grab().save(QString::fromStdString(test::ScreenshotPath("recorder-dialog.png")));
}

TEST_F(RecordDialogGuiTest, F5WhileRecordingClosesWithTheRecordNextResult) {
    input->stallAtFrame = 800;
    PressKey(Qt::Key_F8);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(dialog->result(), kRecordNext);
    EXPECT_FALSE(dialog->Model().Recording());
}

// F5 in the editor itself, over the null devices: a new document, the recorder, and the take
// in the document once the dialog closes.
TEST(RecordCommandInTheFrame, F5OpensTheRecorderAndTheTakeLandsInANewDocument) {
    test::TempFolder data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    ::setenv("SONVELA_AUDIO", "null", 1);
    test::ScriptedHost host;
    auto user = std::make_unique<MemorySettingsScope>();
    user->Set("Settings", "PromptSampleAndChannels", "0");
    user->Set("Settings", "DefaultSampleRate", "8000");
    user->Set("Recorder", "Autotrim", "0");  // silence counts: the null input hears nothing else
    auto app = std::make_unique<Application>(std::move(user), std::make_unique<MemorySettingsScope>(false), &host);
    app->Start({});
    LRecordDlg* seen = nullptr;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<LRecordDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen = dialog;
        // Autostart: recording already; close once 300 ms are in.
        if (dialog->Model().Recording() && dialog->Model().Recorder().LastSoundMs() >= 300) dialog->done(1);
    });
    poll.start();
    // A test before may have quit the application, after which modal loops end at once; one
    // turn of the main loop clears that.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_TRUE(app->frame().RunCommand(kCmdRecord));
    poll.stop();
    EXPECT_NE(seen, nullptr);
    LAudioDocument* doc = app->workspace().Active();
    ASSERT_NE(doc, nullptr);
    EXPECT_GE(doc->Length(), 2400);
    EXPECT_EQ(UndoName(*doc), "Record");
    EXPECT_EQ(doc->selectionEnd, doc->Length());
    app->frame().hide();
    app.reset();
    ::unsetenv("SONVELA_AUDIO");
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace sv
