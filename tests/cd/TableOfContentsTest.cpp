#include "cd/DriveChannel.h"
#include "cd/SimulatedDrive.h"
#include "cd/TableOfContents.h"
#include "core/ProgressTask.h"

#include <gtest/gtest.h>

#include <memory>

namespace sv {
namespace {

struct Drive {
    explicit Drive(SimulatedDisc disc) : drive(std::make_shared<SimulatedDrive>(std::move(disc))) {
        source.drives.push_back(drive);
        channel = std::make_unique<DriveChannel>(source.Open(source.Enumerate()[0], nullptr));
    }
    int Read(CdDiscRecord& disc, std::string* why = nullptr, int budgetMs = kTocBudgetMs) {
        return ReadTableOfContents(*channel, nullptr, disc, why, budgetMs);
    }
    std::shared_ptr<SimulatedDrive> drive;
    SimulatedDriveSource source;
    std::unique_ptr<DriveChannel> channel;
};

// A reply header claiming length bytes, then descriptors of ascending addresses.
std::vector<std::uint8_t> TocReply(std::uint32_t length, int descriptors) {
    std::vector<std::uint8_t> reply(4 + 8 * static_cast<std::size_t>(descriptors));
    reply[0] = static_cast<std::uint8_t>(length >> 8);
    reply[1] = static_cast<std::uint8_t>(length);
    for (int i = 0; i < descriptors; ++i) {
        std::uint32_t address = static_cast<std::uint32_t>(i) * 1500;
        reply[4 + 8 * i + 5] = static_cast<std::uint8_t>(address >> 16);
        reply[4 + 8 * i + 6] = static_cast<std::uint8_t>(address >> 8);
        reply[4 + 8 * i + 7] = static_cast<std::uint8_t>(address);
    }
    return reply;
}

TEST(TableOfContentsTest, ReadsTracksWithTheirDurationsAndMarksDataTracks) {
    SimulatedDisc disc = AudioDisc({13500, 100, 22575}, 32);
    disc.tracks.push_back({36207, true});
    disc.leadOut = 50000;
    Drive d(disc);
    CdDiscRecord record;
    ASSERT_EQ(d.Read(record), 0);
    ASSERT_EQ(record.TrackCount(), 4);
    EXPECT_EQ(record.tracks[0].title, "Track 01");
    EXPECT_EQ(record.tracks[0].start, 32);
    EXPECT_EQ(record.tracks[0].end, 13532);
    EXPECT_EQ(record.tracks[0].duration, 180);
    EXPECT_EQ(record.tracks[1].duration, 1);
    EXPECT_EQ(record.tracks[2].duration, 301);
    EXPECT_EQ(record.tracks[3].title, "Track 04");
    EXPECT_FALSE(record.tracks[2].data);
    EXPECT_TRUE(record.tracks[3].data);
    EXPECT_EQ(record.leadOut, 50000);
    EXPECT_EQ(d.drive->Log().at(0), (std::vector<std::uint8_t>{0x43, 0, 0, 0, 0, 0, 1, 8, 0, 0}));
}

TEST(TableOfContentsTest, NinetyNineTracksAreAllRead) {
    Drive d(AudioDisc(std::vector<std::int32_t>(99, 1000)));
    CdDiscRecord record;
    ASSERT_EQ(d.Read(record), 0);
    ASSERT_EQ(record.TrackCount(), 99);
    EXPECT_EQ(record.tracks[98].title, "Track 99");
    EXPECT_EQ(record.tracks[98].start, 98000);
    EXPECT_EQ(record.leadOut, 99000);
}

TEST(TableOfContentsTest, TheCountIsCutToTheDescriptorsReceivedAndTo99) {
    CdDiscRecord record;
    // Claims 255 tracks; only 5 descriptors came: four tracks and their lead-out.
    std::vector<std::uint8_t> claim = TocReply(10 + 8 * 255, 5);
    ASSERT_EQ(ParseTocReply(claim.data(), static_cast<std::uint32_t>(claim.size()), record), 0);
    EXPECT_EQ(record.TrackCount(), 4);
    EXPECT_EQ(record.leadOut, 6000);

    // A full buffer of 255 descriptors gives 99 tracks, the 100th address as their end.
    std::vector<std::uint8_t> full = TocReply(2046, 255);
    full.resize(kTocBufferBytes);
    ASSERT_EQ(ParseTocReply(full.data(), kTocBufferBytes, record), 0);
    EXPECT_EQ(record.TrackCount(), 99);
    EXPECT_EQ(record.tracks[98].end, 99 * 1500);

    // Through the drive: the residual count says how much arrived.
    Drive d(AudioDisc({1000}));
    d.drive->SetRawToc(claim);
    ASSERT_EQ(d.Read(record), 0);
    EXPECT_EQ(record.TrackCount(), 4);
}

TEST(TableOfContentsTest, RepliesWithoutALeadOutFailAndLeaveNoTracks) {
    CdDiscRecord record;
    record.tracks.resize(3);
    std::vector<std::uint8_t> shortLength = TocReply(6, 2);
    EXPECT_EQ(ParseTocReply(shortLength.data(), static_cast<std::uint32_t>(shortLength.size()), record), 2);
    EXPECT_EQ(record.TrackCount(), 0);
    std::vector<std::uint8_t> header = TocReply(18, 0);
    EXPECT_EQ(ParseTocReply(header.data(), 3, record), 2);
    EXPECT_EQ(ParseTocReply(header.data(), static_cast<std::uint32_t>(header.size()), record), 2);
    // Only the lead-out: a disc without tracks.
    std::vector<std::uint8_t> empty = TocReply(10, 1);
    EXPECT_EQ(ParseTocReply(empty.data(), static_cast<std::uint32_t>(empty.size()), record), 0);
    EXPECT_EQ(record.TrackCount(), 0);
}

TEST(TableOfContentsTest, NoDiscFailsWithTheDrivesSense) {
    Drive d(AudioDisc({1000}));
    d.drive->EjectDisc();
    CdDiscRecord record;
    std::string why;
    EXPECT_EQ(d.Read(record, &why), 2);
    EXPECT_EQ(why, "clé 2, ASC 3Ah, ASCQ 00h");
}

TEST(TableOfContentsTest, ABusyDriveIsAskedAgainWhileTheBudgetLasts) {
    Drive d(AudioDisc({1000, 2000}));
    d.drive->InjectBusy(2);
    CdDiscRecord record;
    ASSERT_EQ(d.Read(record), 0);
    EXPECT_EQ(record.TrackCount(), 2);
    EXPECT_EQ(d.drive->Log().size(), 3u);

    d.drive->InjectBusy(10);
    std::string why;
    EXPECT_EQ(d.Read(record, &why, 700), 2);
    EXPECT_EQ(why, "état 08h");
}

TEST(TableOfContentsTest, ADriveThatDoesNotAnswerInTimeFails) {
    Drive d(AudioDisc({1000}));
    d.drive->SetDelayMs(400);
    CdDiscRecord record;
    std::string why;
    EXPECT_EQ(d.Read(record, &why, 100), 2);
    EXPECT_EQ(why, "le lecteur ne répond pas (délai d'attente dépassé)");
    // The late answer does not disturb the next command.
    d.drive->SetDelayMs(0);
    EXPECT_EQ(d.Read(record), 0);
    EXPECT_EQ(record.TrackCount(), 1);
}

TEST(ScsiSenseTest, OnlyAGoodStatusOrAnEmptyCheckConditionSucceeds) {
    ScsiCommand cmd;
    EXPECT_TRUE(CommandSucceeded(cmd));
    cmd.status = kScsiStatusCheckCondition;
    EXPECT_TRUE(CommandSucceeded(cmd));
    EncodeSense(cmd.sense, {0x03, 0x11, 0x05});
    EXPECT_FALSE(CommandSucceeded(cmd));
    EXPECT_EQ(DescribeFailure(cmd), "clé 3, ASC 11h, ASCQ 05h");
    cmd.sense = {0x72, 0x05, 0x24, 0x01};
    ScsiSense s = DecodeSense(cmd.sense);
    EXPECT_EQ(s.key, 5);
    EXPECT_EQ(s.asc, 0x24);
    EXPECT_EQ(s.ascq, 1);
    cmd.sense.fill(0);
    cmd.status = kScsiStatusBusy;
    EXPECT_FALSE(CommandSucceeded(cmd));
    cmd.status = kScsiStatusGood;
    cmd.transportError = "gone";
    EXPECT_FALSE(CommandSucceeded(cmd));
}

}  // namespace
}  // namespace sv
