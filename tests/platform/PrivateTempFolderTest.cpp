#include "platform/PrivateTempFolder.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

TEST(PrivateTempFolderTest, IsMadeFreshForOurUserOnlyAndGoesWithItsContent) {
    test::TempFolder tmp;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    std::string path;
    {
        PrivateTempFolder a = PrivateTempFolder::Create("CDAudioBurn");
        PrivateTempFolder b = PrivateTempFolder::Create("CDAudioBurn");
        ASSERT_TRUE(a.Valid() && b.Valid());
        EXPECT_NE(a.Path(), b.Path());
        EXPECT_EQ(a.Path().rfind(tmp.path() + "/sonvela-CDAudioBurn-", 0), 0u);
        struct stat st {};
        ASSERT_EQ(::stat(a.Path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_EQ(::mkdir(a.File("inner").c_str(), 0700), 0);
        std::ofstream(a.File("inner/Track 1.wav")) << "x";
        path = a.Path();
    }
    ::setenv("TMPDIR", "relative", 1);
    EXPECT_FALSE(PrivateTempFolder::Create("CDAudioBurn").Valid());
    ::unsetenv("TMPDIR");
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(tmp.List().empty());
}

TEST(PrivateTempFolderTest, EmptyingRemovesLinksWithoutFollowingThem) {
    test::TempFolder tmp;
    test::TempFolder victim;
    std::ofstream(victim.File("precious.wav")) << "keep me";
    ASSERT_EQ(::mkdir((tmp.path() + "/staging").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(victim.path().c_str(), (tmp.path() + "/staging/folder-link").c_str()), 0);
    ASSERT_EQ(::symlink(victim.File("precious.wav").c_str(), (tmp.path() + "/staging/file-link").c_str()), 0);
    EXPECT_TRUE(EmptyFolderNoFollow(tmp.path() + "/staging"));
    EXPECT_FALSE(Exists(tmp.path() + "/staging/folder-link"));
    EXPECT_FALSE(Exists(tmp.path() + "/staging/file-link"));
    EXPECT_TRUE(Exists(victim.File("precious.wav")));

    // A link given as the folder itself is refused, not followed.
    ASSERT_EQ(::symlink(victim.path().c_str(), (tmp.path() + "/CDAudioBurn").c_str()), 0);
    EXPECT_FALSE(EmptyFolderNoFollow(tmp.path() + "/CDAudioBurn"));
    EXPECT_TRUE(Exists(victim.File("precious.wav")));
}

}  // namespace
}  // namespace sv
