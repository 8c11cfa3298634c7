// Child processes started without a shell, and lock files between processes.
#include "platform/ChildProcess.h"
#include "platform/LockFile.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace sv {
namespace {

TEST(ChildProcessTest, ReportsTheExitCodeAndTakesArgumentsLiterally) {
    test::TempFolder dir;
    const std::string out = dir.File("out.txt");
    ChildProcess child;
    ASSERT_TRUE(child.Start({"sh", "-c", "echo \"$0\"; read x; exit 3", "a b;$(touch x)"}, out));
    ASSERT_TRUE(child.Wait(5000));
    EXPECT_EQ(child.ExitCode(), 3);  // standard input was /dev/null, so read ended at once
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "a b;$(touch x)");
}

TEST(ChildProcessTest, AnOverriddenVariableReplacesOursAndTheRestPassUnchanged) {
    test::TempFolder dir;
    const std::string out = dir.File("env.txt");
    ::setenv("SONVELA_TEST_KEPT", "kept", 1);
    ::setenv("SONVELA_TEST_SET", "ours", 1);
    ChildProcess child;
    child.SetEnvironment("SONVELA_TEST_SET", "first");
    child.SetEnvironment("SONVELA_TEST_SET", "theirs");
    ASSERT_TRUE(child.Start({"sh", "-c", "echo \"$SONVELA_TEST_KEPT $SONVELA_TEST_SET\"; env | grep -c ^SONVELA_TEST_SET="},
                            out));
    ASSERT_TRUE(child.Wait(5000));
    std::ifstream in(out);
    std::string values, count;
    std::getline(in, values);
    std::getline(in, count);
    EXPECT_EQ(values, "kept theirs");
    EXPECT_EQ(count, "1");
    EXPECT_STREQ(std::getenv("SONVELA_TEST_SET"), "ours");
    ::unsetenv("SONVELA_TEST_KEPT");
    ::unsetenv("SONVELA_TEST_SET");
}

TEST(ChildProcessTest, MissingProgramAndKillAreReported) {
    int err = 0;
    ChildProcess missing;
    EXPECT_FALSE(missing.Start({"sonvela-no-such-program"}, {}, &err));
    EXPECT_EQ(err, ENOENT);
    ChildProcess sleeper;
    ASSERT_TRUE(sleeper.Start({"sleep", "30"}));
    EXPECT_FALSE(sleeper.Wait(20));
    EXPECT_TRUE(sleeper.Running());
    sleeper.Kill();
    EXPECT_FALSE(sleeper.Running());
    EXPECT_EQ(sleeper.ExitCode(), -1);
}

TEST(LockFileTest, HeldLockIsBusyForOthersAndGoesAwayOnRelease) {
    test::TempFolder dir;
    const std::string path = dir.File("a.lck");
    LockFile first = LockFile::Acquire(path);
    ASSERT_TRUE(first.Held());
    bool busy = false;
    EXPECT_FALSE(LockFile::Acquire(path, &busy).Held());
    EXPECT_TRUE(busy);
    EXPECT_TRUE(FileLockedElsewhere(path));
    first.Release();
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(LockFile::Acquire(path).Held());
    EXPECT_FALSE(LockFile::Acquire(dir.File("no/such/folder.lck"), &busy).Held());
    EXPECT_FALSE(busy);
}

}  // namespace
}  // namespace sv
