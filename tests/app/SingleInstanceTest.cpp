// One editor per user, with the real program in several processes on the offscreen platform:
// hand-overs, a crowd of simultaneous starts, a start after a killed editor, awkward names.
#include "core/AudioReader.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sv {
namespace {

std::string EditorProgram() {
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + "sonvela";
}

template <typename Pred>
bool WaitFor(Pred pred, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pred();
}

class EditorProcesses : public ::testing::Test {
protected:
    EditorProcesses() {
        // Editors that detach from their starter come back to this process, to be counted.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        for (char** e = environ; *e; ++e) {
            const std::string v = *e;
            for (const char* drop : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "HOME=", "XDG_"})
                if (v.compare(0, std::strlen(drop), drop) == 0) goto skip;
            env_.push_back(v);
        skip:;
        }
        for (std::string v : {"QT_QPA_PLATFORM=offscreen", "SONVELA_AUDIO=null"}) env_.push_back(v);
        env_.push_back("HOME=" + home.path());
        env_.push_back("XDG_CONFIG_HOME=" + home.path() + "/config");
        env_.push_back("XDG_DATA_HOME=" + home.path() + "/data");
        env_.push_back("XDG_RUNTIME_DIR=" + home.path());
    }
    ~EditorProcesses() override {
        // Whatever still runs is ended, so no editor outlives its test.
        for (pid_t pid : Descendants()) ::kill(pid, SIGKILL);
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }

    pid_t Launch(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> a, e;
        for (std::string& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        for (std::string& s : env_) e.push_back(s.data());
        e.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        pid_t pid = -1;
        if (posix_spawn(&pid, program.c_str(), &fa, nullptr, a.data(), e.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        return pid;
    }
    // The exit status, or -1 when it did not end in time or died by a signal.
    static int Wait(pid_t pid, int ms = 120000) {
        int status = 0;
        for (int waited = 0; waited < ms; waited += 20) {
            pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            if (r < 0) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    // The processes whose parent is this test program (detached editors included).
    static std::vector<pid_t> Descendants() {
        std::vector<pid_t> pids;
        DIR* proc = ::opendir("/proc");
        if (!proc) return pids;
        const std::string me = std::to_string(::getpid());
        while (dirent* d = ::readdir(proc)) {
            const pid_t pid = std::atoi(d->d_name);
            if (pid <= 0) continue;
            FILE* f = std::fopen(("/proc/" + std::string(d->d_name) + "/stat").c_str(), "r");
            if (!f) continue;
            char buf[512] = {};
            std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            std::string stat(buf, n);
            std::size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            int ppid = 0;
            char state = 0;
            if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && std::to_string(ppid) == me &&
                state != 'Z')
                pids.push_back(pid);
        }
        ::closedir(proc);
        return pids;
    }
    bool Listening() const { return FileExists(home.path() + "/sonvela/editor.socket"); }
    std::string WorkFolder() const { return home.path() + "/data/Quillon Acoustics/Sonvela"; }
    int BlockFiles() const {
        int n = 0;
        DIR* dir = ::opendir(WorkFolder().c_str());
        if (!dir) return 0;
        while (dirent* d = ::readdir(dir)) {
            std::string name = d->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".aud") == 0) ++n;
            EXPECT_NE(name.compare(0, 4, "run-"), 0) << "a second editor kept its blocks apart";
        }
        ::closedir(dir);
        return n;
    }
    std::string MakeWav(const std::string& name, int frames) {
        const std::string path = files.File(name);
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 1, 2);
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames), 640);
        w->Write(s.data(), frames);
        return path;
    }
    static std::int32_t Frames(const std::string& path) {
        if (!FileExists(path)) return -1;
        return OpenWavReader(path)->Length();
    }

    test::TempFolder home, files;
    const std::string program = EditorProgram();
    const std::string errFile = home.File("stderr.txt");

private:
    std::vector<std::string> env_;
};

TEST_F(EditorProcesses, AHandOverOpensTheFileInTheRunningEditor) {
    if (!FileExists(program)) GTEST_SKIP() << program << " not built";
    const pid_t editor = Launch({});
    ASSERT_GT(editor, 0);
    ASSERT_TRUE(WaitFor([&] { return Listening(); }, 60000));
    const std::string in = MakeWav("in.wav", 1200), out = files.File("out.wav");
    EXPECT_EQ(Wait(Launch({in, "-saveas", out})), 0);
    EXPECT_EQ(Frames(out), 1200);  // done before the starter ended
    EXPECT_EQ(BlockFiles(), 1);
    // A path the block cannot carry is refused by name, and the editor opens nothing.
    const std::string longPath = files.File(std::string(280, 'l') + ".wav");
    EXPECT_EQ(Wait(Launch({longPath})), 1);
    EXPECT_EQ(BlockFiles(), 1);
    EXPECT_EQ(Wait(Launch({"-exit"})), 0);
    EXPECT_EQ(Wait(editor), 0);
    EXPECT_FALSE(Listening());
}

TEST_F(EditorProcesses, TwentySimultaneousStartsLeaveOneEditorWithAllTwentyFiles) {
    if (!FileExists(program)) GTEST_SKIP() << program << " not built";
    std::vector<pid_t> starters;
    for (int i = 0; i < 20; ++i) {
        const std::string in = MakeWav("in" + std::to_string(i) + ".wav", 100 + i);
        starters.push_back(Launch({in}));
    }
    for (pid_t pid : starters) EXPECT_EQ(Wait(pid), 0);
    ASSERT_TRUE(WaitFor([&] { return BlockFiles() == 20; }, 60000)) << BlockFiles();
    // Every starter has ended; what runs now is the one detached editor.
    EXPECT_EQ(Descendants().size(), 1u);
    EXPECT_EQ(Wait(Launch({"-exit"})), 0);
    EXPECT_TRUE(WaitFor([&] { return Descendants().empty(); }, 60000));
}

TEST_F(EditorProcesses, AStartAfterAKilledEditorWorksAndAwkwardNamesSurviveTheRestart) {
    if (!FileExists(program)) GTEST_SKIP() << program << " not built";
    const pid_t editor = Launch({});
    ASSERT_TRUE(WaitFor([&] { return Listening(); }, 60000));
    ::kill(editor, SIGKILL);
    EXPECT_EQ(Wait(editor), -1);
    ASSERT_TRUE(Listening());  // the dead editor's socket is still there

    const std::string in = MakeWav("a b 'c' \"d\" été.wav", 700);
    const std::string out = files.File("sortie « é » $HOME `x`.wav");
    EXPECT_EQ(Wait(Launch({in, "-saveas", out})), 0);
    ASSERT_TRUE(WaitFor([&] { return Frames(out) == 700; }, 60000));
    EXPECT_EQ(Descendants().size(), 1u);
    EXPECT_EQ(Wait(Launch({"-exit"})), 0);
    EXPECT_TRUE(WaitFor([&] { return Descendants().empty(); }, 60000));
}

}  // namespace
}  // namespace sv
