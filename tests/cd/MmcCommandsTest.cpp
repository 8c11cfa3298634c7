#include "cd/MmcCommands.h"
#include "formats/BigEndian.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

ScsiCommand Reply(std::vector<std::uint8_t> bytes, std::uint32_t missing = 0) {
    ScsiCommand cmd;
    cmd.data = std::move(bytes);
    cmd.residual = missing;
    return cmd;
}

TEST(MmcCommands, TheFastestWriteSpeedComesFromTheDescriptorsWhenTheOldFieldIsZero) {
    std::vector<std::uint8_t> bytes(8 + 40, 0);
    std::uint8_t* page = bytes.data() + 8;
    page[0] = 0x2A;
    page[1] = 38;
    page[3] = 0x01;  // CD-R only
    PutBe16(page + 30, 2);
    PutBe16(page + 34, 4234);
    PutBe16(page + 38, 7056);
    DriveCapabilities caps;
    ASSERT_TRUE(ParseCapabilities(Reply(bytes), caps));
    EXPECT_TRUE(caps.writesCdR);
    EXPECT_FALSE(caps.writesCdRw);
    EXPECT_EQ(caps.maxWriteKBps, 7056u);
    // The same page with its descriptors cut off by the residual keeps only what arrived.
    ASSERT_TRUE(ParseCapabilities(Reply(bytes, 4), caps));
    EXPECT_EQ(caps.maxWriteKBps, 4234u);
    page[0] = 0x05;
    EXPECT_FALSE(ParseCapabilities(Reply(bytes), caps));
}

TEST(MmcCommands, DiscCapacityIsTheLastLeadOutLessThePregapAndUnknownWhenTheDiscDoesNotSay) {
    std::vector<std::uint8_t> bytes(34, 0);
    bytes[2] = 0x10 | 0x01;  // erasable, appendable
    bytes[21] = 79;
    bytes[22] = 59;
    bytes[23] = 74;
    DiscInformation disc;
    ASSERT_TRUE(ParseDiscInformation(Reply(bytes), disc));
    EXPECT_TRUE(disc.erasable);
    EXPECT_EQ(disc.status, DiscStatus::Appendable);
    EXPECT_EQ(disc.capacitySectors, 359849);
    bytes[21] = bytes[22] = bytes[23] = 0xFF;
    ASSERT_TRUE(ParseDiscInformation(Reply(bytes), disc));
    EXPECT_EQ(disc.capacitySectors, 0);
    EXPECT_FALSE(ParseDiscInformation(Reply(bytes, 12), disc));
}

}  // namespace
}  // namespace sv
