// The command line's walk, the Host of runs without a display, and the conversion of a file
// from the command line with nobody at the keyboard.
#include "app/Application.h"
#include "app/CommandLine.h"
#include "core/HeadlessHost.h"
#include "core/AudioDocument.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "platform/Paths.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sv {
namespace {

struct Recorder {
    std::vector<std::string> calls;
    bool openResult = true;
    CommandLineActions Actions() {
        CommandLineActions a;
        a.openFile = [this](const std::string& p, bool* askRaw, bool* showErrors) {
            calls.push_back("open " + p + (*askRaw ? " ask" : "") + (*showErrors ? " show" : ""));
            *showErrors = false;  // as a failing open would
            *askRaw = false;
            return openResult;
        };
        a.save = [this] { calls.push_back("save"); return true; };
        a.saveAs = [this](const std::string& p) { calls.push_back("saveas " + p); return false; };
        a.close = [this] { calls.push_back("close"); };
        a.exit = [this] { calls.push_back("exit"); return true; };
        return a;
    }
};

TEST(CommandLineWalk, SwitchesRunInOrderWithoutRegardToCase) {
    Recorder r;
    CommandLineResult res =
        ProcessCommandLine({"a.wav", "song", "-SAVE", "b.MP3", "-block", "-SaveAs", "c.wav", "-close", "-Exit", "d.wav"},
                           r.Actions());
    EXPECT_EQ(r.calls, (std::vector<std::string>{"open a.wav ask show", "save", "open b.MP3", "saveas c.wav", "close",
                                                 "exit"}));
    EXPECT_TRUE(res.handled);
    EXPECT_TRUE(res.failed);  // the Save As failed
    EXPECT_TRUE(res.exitRequested);
}

TEST(CommandLineWalk, SaveAsWithoutItsArgumentAndNamesWithoutExtensionDoNothing) {
    Recorder r;
    CommandLineResult res = ProcessCommandLine({"song", "project.svp", "-saveas"}, r.Actions());
    EXPECT_TRUE(r.calls.empty());
    EXPECT_FALSE(res.handled);
    EXPECT_FALSE(res.failed);
    r.openResult = false;
    EXPECT_TRUE(ProcessCommandLine({"x.wav"}, r.Actions()).failed);
}

TEST(CommandLineWalk, BatchOpensTheConverterAndEndsTheWalk) {
    Recorder r;
    CommandLineActions a = r.Actions();
    a.batch = [&r](const std::string& script) { r.calls.push_back("batch " + script); };
    CommandLineResult res = ProcessCommandLine({"a.wav", "-BATCH", "b.svb", "-exit"}, a);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"open a.wav ask show", "batch b.svb"}));
    EXPECT_FALSE(res.exitRequested);
}

TEST(CommandLineWalk, ParsingMakesFilesAndTheSaveAsTargetAbsolute) {
    StartOptions o = ParseCommandLine({"in.wav", "-saveas", "out/o.wav", "-exit"}, "/home/u");
    EXPECT_EQ(o.files, (std::vector<std::string>{"/home/u/in.wav"}));
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"/home/u/in.wav", "-saveas", "/home/u/out/o.wav", "-exit"}));
}

TEST(HeadlessHostTest, MessagesGoToStandardErrorAndQuestionsTakeTheirDefault) {
    std::FILE* out = std::tmpfile();
    HeadlessHost host(out);
    EXPECT_EQ(host.MessageBox("Ligne 1\r\nLigne 2", "Erreur", MsgIcon::Error, MsgButtons::Ok), MsgAnswer::Ok);
    EXPECT_EQ(host.MessageBox("Remplacer?", "Sonvela", MsgIcon::Question, MsgButtons::YesNoCancel), MsgAnswer::Yes);
    auto progress = host.OpenProgress("t");
    EXPECT_FALSE(progress->Pump());
    progress->Error("Disque plein");
    std::rewind(out);
    char buf[512] = {};
    std::string text(buf, std::fread(buf, 1, sizeof buf - 1, out));
    std::fclose(out);
    EXPECT_EQ(text, "sonvela: Erreur: Ligne 1  Ligne 2\nsonvela: Sonvela: Remplacer?\nsonvela: Erreur: Disque plein\n");
    EXPECT_EQ(host.MessagesWritten(), 3);
    EXPECT_TRUE(host.PickOpenFiles("c", "", {}, true).empty());
    EXPECT_FALSE(host.PickSaveFile("c", "", "n", {}));
}

class CommandLineAppTest : public ::testing::Test {
protected:
    CommandLineAppTest() {
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        auto user = std::make_unique<MemorySettingsScope>();
        user->Set("Settings", "PromptSampleAndChannels", "0");
        app = std::make_unique<Application>(std::move(user), std::make_unique<MemorySettingsScope>(false), &host);
    }
    ~CommandLineAppTest() override {
        app->frame().hide();
        app.reset();
        ::unsetenv("XDG_DATA_HOME");
    }
    std::string MakeWav(const std::string& name, int frames) {
        std::string path = files.File(name);
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 22050, 2, 2);
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * 2, 1600);
        w->Write(s.data(), frames);
        return path;
    }
    test::TempFolder data, files;
    test::ScriptedHost host;
    std::unique_ptr<Application> app;
};

TEST_F(CommandLineAppTest, SaveAsThenExitConvertsAFileAndEndsTheRun) {
    StartOptions o;
    o.arguments = {MakeWav("in.wav", 3000), "-saveas", files.File("out.wav"), "-exit"};
    app->Start(o);
    EXPECT_TRUE(app->ExitRequested());
    EXPECT_EQ(app->ExitStatus(), 0);
    EXPECT_EQ(OpenWavReader(files.File("out.wav"))->Length(), 3000);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CommandLineAppTest, AFailedOpenMakesTheRunFailAndIsReportedOnce) {
    StartOptions o;
    o.arguments = {files.File("a.wav"), files.File("b.wav"), "-save"};
    app->Start(o);
    EXPECT_FALSE(app->ExitRequested());
    EXPECT_EQ(app->ExitStatus(), 1);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(CommandLineAppTest, DroppedFilesOpenAndTheSameFileIsNotOpenedTwice) {
    app->Start({});
    const std::string a = MakeWav("a.wav", 100), b = MakeWav("b.wav", 200);
    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&app->frame(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent ev(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&app->frame(), &ev);
    };
    drop({QUrl::fromLocalFile(QString::fromStdString(a)), QUrl::fromLocalFile(QString::fromStdString(b))});
    ASSERT_EQ(app->workspace().Documents().size(), 2u);
    drop({QUrl::fromLocalFile(QString::fromStdString(a))});
    EXPECT_EQ(app->workspace().Documents().size(), 2u);
    EXPECT_EQ(app->workspace().Active()->path, a);
}

// The program itself, started without a display, as a script would run it.
TEST(HeadlessRun, ConvertsWithNobodyAtTheKeyboardAndFailsWithAStatus) {
    // The program sits beside this test program.
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string binPath(self, static_cast<std::size_t>(n));
    binPath = binPath.substr(0, binPath.rfind('/') + 1) + "sonvela";
    if (!FileExists(binPath)) GTEST_SKIP() << binPath << " not built";
    const char* bin = binPath.c_str();
    test::TempFolder dir, home;
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(in, 8000, 1, 2);
        std::vector<std::int32_t> s(800, 320);
        w->Write(s.data(), 800);
    }
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + home.path() +
                            "' XDG_CONFIG_HOME='" + home.path() + "' XDG_DATA_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() + "' ";
    int status = std::system((env + "'" + bin + "' '" + in + "' -saveas '" + out + "' -exit 2>/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(OpenWavReader(out)->Length(), 800);
    const std::string err = dir.File("err.txt");
    status = std::system((env + "'" + bin + "' '" + dir.File("none.wav") + "' -exit 2>'" + err + "'").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream e(err);
    std::stringstream text;
    text << e.rdbuf();
    EXPECT_NE(text.str().find("sonvela: Cannot open the file \"" + dir.File("none.wav") +
                              "\". Check it exists and you have read access."),
              std::string::npos);
}

TEST(HeadlessRun, SessionEndSignalsSaveThePlacementAndDeleteTheBlockFiles) {
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string binPath(self, static_cast<std::size_t>(n));
    binPath = binPath.substr(0, binPath.rfind('/') + 1) + "sonvela";
    if (!FileExists(binPath)) GTEST_SKIP() << binPath << " not built";
    for (int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        test::TempFolder dir, home;
        const std::string in = dir.File("in.wav");
        {
            Ref<LAudioWriter> w = CreatePcmWavWriter(in, 8000, 1, 2);
            std::vector<std::int32_t> s(800, 320);
            w->Write(s.data(), 800);
        }
        const std::string work = home.path() + "/Quillon Acoustics/Sonvela";
        const std::string conf = home.path() + "/Quillon Acoustics/Sonvela.conf";
        const std::string pidFile = dir.File("pid");
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + home.path() +
                                "' XDG_CONFIG_HOME='" + home.path() + "' XDG_DATA_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() + "' '" +
                                binPath + "' '" + in + "' 2>/dev/null & echo $! > '" + pidFile + "'; wait $!; echo $? > '" +
                                dir.File("status") + "'";
        std::thread runner([&] { std::system(cmd.c_str()); });
        // The open document's block is on disk while the editor runs.
        bool opened = false;
        for (int k = 0; k < 300 && !opened; ++k) {
            opened = FileExists(work + "/0.aud");
            if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(opened);
        std::ifstream pidIn(pidFile);
        int pid = 0;
        pidIn >> pid;
        ASSERT_GT(pid, 0);
        ::kill(pid, sig);
        runner.join();
        std::ifstream statusIn(dir.File("status"));
        int status = -1;
        statusIn >> status;
        EXPECT_EQ(status, 0);
        EXPECT_FALSE(FileExists(work + "/0.aud"));
        EXPECT_FALSE(FileExists(work + "/0.grf"));
        // As a quit does: the frame's placement is in the settings file.
        std::ifstream confIn(conf);
        std::stringstream text;
        text << confIn.rdbuf();
        EXPECT_NE(text.str().find("[MainWindow]"), std::string::npos) << text.str();
        EXPECT_NE(text.str().find("Maximized="), std::string::npos);
    }
}

}  // namespace
}  // namespace sv
