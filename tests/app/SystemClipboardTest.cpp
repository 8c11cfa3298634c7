// The desktop clipboard for real: under a virtual X server, WAV data that xclip offers is
// pasted, and what Copy offers is read back by xclip as a WAV file. The test program runs on
// the offscreen platform, so the test starts itself again under xvfb-run on the xcb platform.
#include "app/QtSystemClipboard.h"
#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditCommands.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "formats/FileEditCommands.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace sv::test {
namespace {

int SoxFrames(const std::string& path) {
    FILE* p = ::popen(("soxi -s '" + path + "'").c_str(), "r");
    if (!p) return -1;
    int frames = -1;
    if (std::fscanf(p, "%d", &frames) != 1) frames = -1;
    ::pclose(p);
    return frames;
}

bool Have(const char* program) { return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0; }

// Runs a shell command while this process keeps answering clipboard requests.
int RunServing(const QString& command) {
    QProcess p;
    p.start("/bin/sh", {"-c", command});
    QElapsedTimer t;
    t.start();
    while (p.state() != QProcess::NotRunning && t.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitCode();
}

TEST(SystemClipboard, AFailedOrCancelledRenderIsTriedAgainAtTheNextRequest) {
    int calls = 0;
    bool cancelled = true;  // under the progress dialog
    QtSystemClipboard clipboard([&]() -> std::vector<std::uint8_t> {
        ++calls;
        if (cancelled) return {};
        return {'R', 'I', 'F', 'F'};
    });
    clipboard.OfferWave();
    EXPECT_TRUE(clipboard.ReadWave().empty());
    cancelled = false;
    EXPECT_EQ(clipboard.ReadWave(), (std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}));
    // Once rendered, the bytes are kept.
    const int rendered = calls;
    EXPECT_EQ(clipboard.ReadWave().size(), 4u);
    EXPECT_EQ(calls, rendered);
}

TEST(SystemClipboard, ExchangesWavDataWithOtherProgramsUnderX) {
    if (QGuiApplication::platformName() != "xcb") {
        if (!Have("xvfb-run") || !Have("xclip") || !Have("sox")) GTEST_SKIP() << "xvfb-run, xclip or sox missing";
        char self[4096] = {};
        ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(n, 0);
        std::string cmd = "QT_QPA_PLATFORM=xcb xvfb-run -a '" + std::string(self) +
                          "' --gtest_filter=SystemClipboard.ExchangesWavDataWithOtherProgramsUnderX";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return;
    }
    TempFolder dir, files;
    BlockStore store{dir.path()};
    ScriptedHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
    CommandRegistry registry;
    RegisterEditCommands(registry);
    RegisterFileEditCommands(registry);
    QtSystemClipboard clipboard([&ws] { return RenderClipboardWave(ws); });
    ws.systemClipboard = &clipboard;
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeRamp(store, 1000), "/music/take.wav");
    ws.AddDocument(doc);

    // Another program's WAV made by sox, offered by xclip as audio/wav.
    const std::string in = files.File("in.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 1 -b 16 '" + in + "' synth 0.01 sine 440").c_str()), 0);
    const int frames = SoxFrames(in);
    ASSERT_GT(frames, 0);
    ASSERT_EQ(std::system(("xclip -selection clipboard -t audio/wav -i '" + in + "'").c_str()), 0);
    // xclip takes the selection from the background: wait until the offer is visible.
    bool offered = false;
    for (int k = 0; k < 100 && !offered; ++k) {
        offered = std::system("xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -q audio/wav") == 0;
        if (!offered) QThread::msleep(50);
    }
    ASSERT_TRUE(offered);
    doc->SetSelection(500, 500, 0);
    registry.Run(kCmdPasteSystem, ws);
    EXPECT_EQ(doc->Length(), 1000 + frames);
    EXPECT_EQ(std::make_tuple(doc->selectionStart, doc->selectionEnd), std::make_tuple(500, 500 + frames));

    // Our Copy, read back by xclip.
    doc->SetSelection(0, 250, 0);
    registry.Run(kCmdCopy, ws);
    const std::string out = files.File("out.wav");
    EXPECT_EQ(RunServing(QString::fromStdString("xclip -selection clipboard -t audio/wav -o > '" + out + "'")), 0);
    EXPECT_EQ(SoxFrames(out), 250);
    EXPECT_FALSE(FileExists(JoinPath(dir.path(), "_clipboard.wav")));
}

}  // namespace
}  // namespace sv::test
