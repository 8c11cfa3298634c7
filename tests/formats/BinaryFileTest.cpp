#include "formats/BinaryFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace sv {
namespace {

TEST(BinaryFileTest, QueuedWritesAreInPlaceForEveryLaterCall) {
    test::TempFolder dir;
    BinaryFile f;
    ASSERT_TRUE(f.Open(dir.File("a.bin"), BinaryFile::Mode::CreateAlways));
    f.WriteBehindOn();
    ASSERT_TRUE(f.Write("HEAD", 4));
    // Three pieces of 240,000 bytes made in place: "xxx...", "yyy...", "zzz...".
    for (int k = 0; k < 3; ++k) {
        char* space = f.WriteSpace(240000);
        std::fill(space, space + 240000, static_cast<char>('x' + k));
        ASSERT_TRUE(f.Write(space, 240000));
    }
    // A header rewritten at the start, as a WAV writer does when it finishes.
    EXPECT_EQ(f.Size(), 720004);
    ASSERT_TRUE(f.Seek(0));
    ASSERT_TRUE(f.Write("head", 4));
    char back[8] = {};
    EXPECT_EQ(f.ReadAt(0, back, 4), 4);
    EXPECT_EQ(std::string(back, 4), "head");
    EXPECT_EQ(f.ReadAt(240004, back, 1), 1);
    EXPECT_EQ(back[0], 'y');
    EXPECT_EQ(f.ReadAt(720003, back, 1), 1);
    EXPECT_EQ(back[0], 'z');
    EXPECT_TRUE(f.Close());
}

TEST(BinaryFileTest, SpaceSetAsideBeyondWhatWasWrittenIsGivenBackOnClose) {
    test::TempFolder dir;
    BinaryFile f;
    ASSERT_TRUE(f.Open(dir.File("b.bin"), BinaryFile::Mode::CreateAlways));
    f.WriteBehindOn();
    f.Preallocate(64 << 20);
    std::vector<char> bytes(100 * 1024, 'q');
    ASSERT_TRUE(f.Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(f.Close());
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("b.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100 * 1024);
    EXPECT_LT(static_cast<std::int64_t>(st.st_blocks) * 512, 1 << 20);
}

}  // namespace
}  // namespace sv
