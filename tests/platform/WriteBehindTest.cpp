#include "platform/WriteBehind.h"

#include "platform/UniqueFd.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace sv {
namespace {

std::vector<char> Pattern(std::size_t n) {
    std::vector<char> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

std::vector<char> Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WriteBehindTest, EveryByteArrivesInOrderWhateverTheSizesAppendedOrMadeInPlace) {
    test::TempFolder dir;
    const std::string path = dir.File("out");
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    ASSERT_TRUE(fd.valid());
    // Enough for every piece to go round the ring a few times, in sizes that straddle pieces.
    const std::vector<char> bytes = Pattern(11 * WriteBehind::kPieceBytes + 12345);
    {
        WriteBehind out(fd.get());
        std::size_t at = 0, step = 1;
        bool inPlace = false;
        while (at < bytes.size()) {
            const std::size_t n = std::min({step, bytes.size() - at, WriteBehind::kPieceBytes});
            if (inPlace) {
                std::copy(bytes.begin() + at, bytes.begin() + at + n, out.Reserve(n));
                out.Commit(n);
            } else {
                ASSERT_TRUE(out.Append(bytes.data() + at, n));
            }
            at += n;
            step = step * 3 + 1;
            if (step > 3 * WriteBehind::kPieceBytes) step = 17;
            inPlace = !inPlace;
        }
        int err = -1;
        EXPECT_TRUE(out.Drain(&err));
        EXPECT_EQ(err, 0);
        // More after a drain, left for the destructor to write.
        ASSERT_TRUE(out.Append("tail", 4));
    }
    std::vector<char> expected = bytes;
    expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
    EXPECT_EQ(Content(path), expected);
}

TEST(WriteBehindTest, AFullDiskIsReportedByDrainAndDropsWhatFollows) {
    UniqueFd fd(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (!fd.valid()) GTEST_SKIP() << "no /dev/full";
    WriteBehind out(fd.get());
    const std::vector<char> bytes = Pattern(4 * WriteBehind::kPieceBytes);
    out.Append(bytes.data(), bytes.size());
    int err = 0;
    EXPECT_FALSE(out.Drain(&err));
    EXPECT_EQ(err, ENOSPC);
    EXPECT_TRUE(out.Failed());
    EXPECT_FALSE(out.Append(bytes.data(), 10));
    // A short file never reaches the thread: its failure shows on the drain all the same.
    WriteBehind small(fd.get());
    EXPECT_TRUE(small.Append("abc", 3));
    EXPECT_FALSE(small.Drain(&err));
    EXPECT_EQ(err, ENOSPC);
}

}  // namespace
}  // namespace sv
