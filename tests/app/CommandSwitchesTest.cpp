// Every switch of the command line: the walk over recorded actions, then against the frame.
#include "app/Application.h"
#include "app/CommandLine.h"
#include "core/AudioDocument.h"
#include "formats/WavWriter.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace sv {
namespace {

struct Walk {
    std::vector<std::string> calls;
    CommandLineActions Actions() {
        CommandLineActions a;
        a.openFile = [this](const std::string& p, bool*, bool*) { return calls.push_back("open " + p), true; };
        a.openProject = [this](const std::string& p) { return calls.push_back("project " + p), true; };
        a.save = [this] { return calls.push_back("save"), true; };
        a.minimize = [this] { calls.push_back("minimize"); };
        a.maximize = [this] { calls.push_back("maximize"); };
        a.restore = [this] { calls.push_back("restore"); };
        a.resizeClient = [this](int w, int h) { calls.push_back("window " + std::to_string(w) + "x" + std::to_string(h)); };
        a.batch = [this](const std::string& p) { calls.push_back("batch [" + p + "]"); };
        return a;
    }
};

TEST(CommandLineSwitches, FrameSwitchesCountAsHandledAndWindowNeedsTwoPositiveNumbers) {
    Walk w;
    CommandLineResult r = ProcessCommandLine({"-MINIMIZE", "-maximize", "-Restore", "-window", "640", "480"}, w.Actions());
    EXPECT_EQ(w.calls, (std::vector<std::string>{"minimize", "maximize", "restore", "window 640x480"}));
    EXPECT_TRUE(r.handled);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-window", "640"}, {"-window", "0", "480"}, {"-window", "-3", "480"}, {"-window", "64x", "480"}}) {
        Walk n;
        EXPECT_FALSE(ProcessCommandLine(args, n.Actions()).handled) << args[1];
        EXPECT_TRUE(n.calls.empty());
    }
    // The two numbers are taken even when refused: they are not files.
    Walk n;
    ProcessCommandLine({"-window", "0", "1.wav", "b.wav"}, n.Actions());
    EXPECT_EQ(n.calls, std::vector<std::string>{"open b.wav"});
}

TEST(CommandLineSwitches, BatchTakesTheNextArgumentAndEndsTheWalk) {
    Walk w;
    CommandLineResult r = ProcessCommandLine({"-save", "-batch", "", "b.wav", "-exit"}, w.Actions());
    EXPECT_EQ(w.calls, (std::vector<std::string>{"save", "batch []"}));
    EXPECT_FALSE(r.handled);
    Walk s;
    ProcessCommandLine({"-batch", "/s/job.svb", "b.wav"}, s.Actions());
    EXPECT_EQ(s.calls, std::vector<std::string>{"batch [/s/job.svb]"});
    Walk last;
    ProcessCommandLine({"a.wav", "-batch"}, last.Actions());
    EXPECT_EQ(last.calls, (std::vector<std::string>{"open a.wav", "batch []"}));
}

TEST(CommandLineSwitches, ListOpensItsLinesAndIsPassedOverWhenUnusable) {
    test::TempFolder dir;
    const std::string list = dir.File("files.txt");
    std::ofstream(list) << "one.wav\r\n\r\n/abs/two.mp3\nsub/three.wav  \n";
    Walk w;
    CommandLineResult r = ProcessCommandLine({"-list", list, "after.wav"}, w.Actions());
    EXPECT_EQ(w.calls, (std::vector<std::string>{"open " + dir.File("one.wav"), "open /abs/two.mp3",
                                                 "open " + dir.File("sub/three.wav")}));
    EXPECT_FALSE(r.handled);  // files of a list do not hold the splash back

    Walk bad;
    ProcessCommandLine({"-list", dir.File("none.txt"), "a.wav", "-list", "-save", "b.wav", "-list"}, bad.Actions());
    EXPECT_EQ(bad.calls, (std::vector<std::string>{"open a.wav", "open b.wav"}));
}

TEST(CommandLineSwitches, ProjectsLoadWithoutCountingAsHandled) {
    Walk w;
    CommandLineResult r = ProcessCommandLine({"/p/show.SVP", "song", "-runedit"}, w.Actions());
    EXPECT_EQ(w.calls, std::vector<std::string>{"project /p/show.SVP"});
    EXPECT_TRUE(r.handled);  // by "-runedit"
    EXPECT_FALSE(ProcessCommandLine({"/p/show.svp"}, w.Actions()).handled);
}

TEST(CommandLineSwitches, ParsingKeepsNumbersAndEmptyBatchArgumentsAndResolvesPaths) {
    StartOptions o = ParseCommandLine({"-window", "640", "480", "-list", "l.txt", "-batch", "", "x.wav"}, "/home/u");
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"-window", "640", "480", "-list", "/home/u/l.txt", "-batch", "",
                                                     "/home/u/x.wav"}));
    o = ParseCommandLine({"-batch", "job.svb", "-list", "-exit"}, "/w");
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"-batch", "/w/job.svb", "-list", "-exit"}));
}

class SwitchesAppTest : public ::testing::Test {
protected:
    SwitchesAppTest() {
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        auto user = std::make_unique<MemorySettingsScope>();
        user->Set("Settings", "PromptSampleAndChannels", "0");
        app = std::make_unique<Application>(std::move(user), std::make_unique<MemorySettingsScope>(false), &host);
    }
    ~SwitchesAppTest() override {
        app->frame().hide();
        app.reset();
        ::unsetenv("XDG_DATA_HOME");
    }
    std::string MakeWav(const std::string& name) {
        std::string path = files.File(name);
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 22050, 1, 2);
        std::vector<std::int32_t> s(500, 800);
        w->Write(s.data(), 500);
        return path;
    }
    test::TempFolder data, files;
    test::ScriptedHost host;
    std::unique_ptr<Application> app;
};

TEST_F(SwitchesAppTest, TheSplashShowsOnlyWhenNothingWasHandled) {
    StartOptions o;
    o.arguments = {"song", "-save"};
    app->Start(o);
    ASSERT_NE(app->Splash(), nullptr);
    EXPECT_TRUE(app->Splash()->isVisible());
    EXPECT_TRUE(app->Splash()->windowFlags() & Qt::FramelessWindowHint);
    app->Splash()->close();
    QApplication::processEvents();

    EXPECT_EQ(app->RunHandedOverCommandLine({"/usr/bin/sonvela", MakeWav("a.wav")}), 0);
    EXPECT_EQ(app->Splash(), nullptr);
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
}

TEST_F(SwitchesAppTest, FrameSwitchesArrangeTheFrame) {
    app->Start({});
    app->RunHandedOverCommandLine({"sonvela", "-window", "640", "480"});
    EXPECT_EQ(app->frame().size(), QSize(640, 480));
    app->RunHandedOverCommandLine({"sonvela", "-window", "800"});
    EXPECT_EQ(app->frame().size(), QSize(640, 480));
    app->RunHandedOverCommandLine({"sonvela", "-maximize"});
    EXPECT_TRUE(app->frame().windowState() & Qt::WindowMaximized);
    app->RunHandedOverCommandLine({"sonvela", "-restore"});
    EXPECT_FALSE(app->frame().windowState() & Qt::WindowMaximized);
    app->RunHandedOverCommandLine({"sonvela", "-minimize"});
    EXPECT_TRUE(app->frame().windowState() & Qt::WindowMinimized);
    // A hand-over brings a minimised frame back.
    app->RunHandedOverCommandLine({"sonvela", "-runedit"});
    EXPECT_FALSE(app->frame().windowState() & Qt::WindowMinimized);
}

TEST_F(SwitchesAppTest, HandedOverFilesOpenOnceAndFailuresGiveStatusOne) {
    app->Start({});
    const std::string a = MakeWav("a.wav");
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", a, a}), 0);
    EXPECT_EQ(app->workspace().Documents().size(), 1u);
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", files.File("none.wav")}), 1);
    EXPECT_EQ(host.messages.size(), 1u);
    // A failed hand-over does not spoil the run's own status.
    EXPECT_EQ(app->ExitStatus(), 0);
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", a, "-saveas", files.File("copy.wav"), "-close"}), 0);
    EXPECT_TRUE(app->workspace().Documents().empty());
    std::ifstream copy(files.File("copy.wav"));
    EXPECT_TRUE(copy.good());
}

TEST_F(SwitchesAppTest, BatchGoesToTheConverterHookAndSaysSoWithoutOne) {
    app->Start({});
    const std::string b = MakeWav("b.wav");
    app->runBatch = nullptr;
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", "-batch", "", b}), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le convertisseur par lots n'est pas disponible dans cette version.");
    std::vector<std::string> seen;
    app->runBatch = [&](Workspace&, const std::string& p) { seen.push_back(p); };
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", "-batch", "", b}), 0);
    EXPECT_EQ(seen, std::vector<std::string>{""});
    EXPECT_TRUE(app->workspace().Documents().empty());
}

TEST_F(SwitchesAppTest, AMissingProjectFailsLikeAnyOpen) {
    app->Start({});
    EXPECT_EQ(app->RunHandedOverCommandLine({"sonvela", files.File("show.svp")}), 1);
    EXPECT_FALSE(host.messages.empty());
}

}  // namespace
}  // namespace sv
