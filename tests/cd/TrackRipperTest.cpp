#include "cd/DriveChannel.h"
#include "cd/SimulatedDrive.h"
#include "cd/TrackRipper.h"
#include "CdTestSupport.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

// Sector contents whose samples say where they are: left = frame index within the disc (low
// 16 bits), right = its negation.
void CountingContent(std::int32_t lba, std::uint8_t* sector) {
    for (int f = 0; f < kCdFramesPerSector; ++f) {
        auto left = static_cast<std::uint16_t>(lba * kCdFramesPerSector + f);
        auto right = static_cast<std::uint16_t>(-static_cast<std::int16_t>(left));
        sector[4 * f] = static_cast<std::uint8_t>(left);
        sector[4 * f + 1] = static_cast<std::uint8_t>(left >> 8);
        sector[4 * f + 2] = static_cast<std::uint8_t>(right);
        sector[4 * f + 3] = static_cast<std::uint8_t>(right >> 8);
    }
}

class TrackRipperTest : public ::testing::Test {
protected:
    TrackRipperTest() {
        SimulatedDisc disc = AudioDisc({100, 200});
        disc.content = CountingContent;
        drive = std::make_shared<SimulatedDrive>(disc);
        source.drives.push_back(drive);
        writer.Reset(new test::RecordingWriter);
    }
    int Rip(std::uint32_t first, std::uint32_t end, int budgetMs = kReadBudgetMs) {
        return test::RunUnderProgress(host, [&](LProgressTask& t) {
            return RipTrackFromDrive(source, {0, first, end, "Track 02"}, *writer, t, budgetMs);
        });
    }

    std::shared_ptr<SimulatedDrive> drive;
    SimulatedDriveSource source;
    Ref<test::RecordingWriter> writer;
    test::CancellableHost host;
};

TEST_F(TrackRipperTest, RipsBitExactInPiecesOfAtMost8192Frames) {
    ASSERT_EQ(Rip(100, 300), 0);
    ASSERT_EQ(writer->samples.size(), 200u * 588 * 2);
    for (std::size_t f = 0; f < 200u * 588; ++f) {
        auto left = static_cast<std::int16_t>(static_cast<std::uint16_t>(100 * 588 + f));
        ASSERT_EQ(writer->samples[2 * f], left * 16) << f;
        auto right = static_cast<std::int16_t>(static_cast<std::uint16_t>(-left));
        ASSERT_EQ(writer->samples[2 * f + 1], right * 16) << f;
    }
    // 13 sectors first, then 27 at a time: 7644 frames, then 8192 + 7684 per read.
    EXPECT_EQ(writer->pieces.front(), 7644);
    EXPECT_EQ(writer->pieces[1], 8192);
    EXPECT_EQ(writer->pieces[2], 7684);
    for (std::int32_t piece : writer->pieces) EXPECT_LE(piece, 8192);
    auto log = drive->Log();
    ASSERT_EQ(log.size(), 8u);  // 13 + 6 x 27 + 25
    EXPECT_EQ(log[0], (std::vector<std::uint8_t>{0xBE, 0, 0, 0, 0, 100, 0, 0, 13, 0xF0, 0, 0}));
    EXPECT_EQ(log[1], (std::vector<std::uint8_t>{0xBE, 0, 0, 0, 0, 113, 0, 0, 27, 0xF0, 0, 0}));
    EXPECT_EQ(log[7], (std::vector<std::uint8_t>{0xBE, 0, 0, 0, 1, 19, 0, 0, 25, 0xF0, 0, 0}));
    EXPECT_EQ(host.progressTexts, (std::vector<std::string>{"0:Loading Track 02", "1:Ripping Digital Audio..."}));
    EXPECT_EQ(host.progressPercents.back(), 100);
}

TEST_F(TrackRipperTest, ConvertsExtremeSamples) {
    const std::uint8_t bytes[] = {0xFF, 0x7F, 0x00, 0x80, 0x01, 0x00, 0xFF, 0xFF};
    std::int32_t samples[4];
    ConvertCdAudio(bytes, 2, samples);
    EXPECT_EQ(samples[0], 524272);
    EXPECT_EQ(samples[1], -524288);
    EXPECT_EQ(samples[2], 16);
    EXPECT_EQ(samples[3], -16);
}

TEST_F(TrackRipperTest, CancelEndsWithOneAndKeepsWhatWasDelivered) {
    writer->afterWrite = [this](test::RecordingWriter& w) {
        if (w.framesWritten >= 20000) host.cancelled = true;
    };
    ASSERT_EQ(Rip(0, 300), 1);
    // The cancel came while the second read was delivered: the third, already under way,
    // is not delivered and no fourth is started.
    EXPECT_EQ(writer->framesWritten, 40 * 588);
    EXPECT_EQ(writer->samples.size(), 40u * 588 * 2);
    EXPECT_EQ(drive->Log().size(), 3u);
}

TEST_F(TrackRipperTest, AFailedReadEndsWithTwoAndSaysWhere) {
    drive->InjectSense(150, {0x03, 0x11, 0x05});
    ASSERT_EQ(Rip(100, 300), 2);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0], "Erreur de lecture du CD au secteur 140 : clé 3, ASC 11h, ASCQ 05h.");
    EXPECT_EQ(writer->framesWritten, 40 * 588);
}

TEST_F(TrackRipperTest, ReadsPastTheLeadOutASlowDriveAndAMissingDriveFail) {
    ASSERT_EQ(Rip(290, 310), 2);
    EXPECT_EQ(host.progressErrors.back(), "Erreur de lecture du CD au secteur 290 : clé 5, ASC 21h, ASCQ 00h.");

    drive->SetDelayMs(300);
    ASSERT_EQ(Rip(0, 10, 50), 2);
    EXPECT_EQ(host.progressErrors.back(),
              "Erreur de lecture du CD au secteur 0 : le lecteur ne répond pas (délai d'attente dépassé).");
    drive->SetDelayMs(0);

    source.failOpen = true;
    ASSERT_EQ(Rip(0, 10), 2);
    EXPECT_EQ(host.progressErrors.back(),
              "Impossible d'ouvrir le lecteur de CD : /dev/sim0 : impossible d'ouvrir le lecteur.");
}

TEST_F(TrackRipperTest, ABusyDriveIsWaitedForAndAnEmptyTrackDeliversNothing) {
    drive->InjectBusy(1);
    ASSERT_EQ(Rip(0, 40), 0);
    EXPECT_EQ(writer->framesWritten, 40 * 588);
    EXPECT_EQ(Rip(50, 50), 0);
    EXPECT_EQ(writer->framesWritten, 40 * 588);
}

}  // namespace
}  // namespace sv
