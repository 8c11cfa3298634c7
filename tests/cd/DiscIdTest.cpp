#include "cd/DiscId.h"

#include <discid/discid.h>
#include <gtest/gtest.h>

#include <random>

namespace sv {
namespace {

CdDiscRecord DiscOf(const std::vector<std::int32_t>& starts, std::int32_t leadOut) {
    CdDiscRecord disc;
    for (std::int32_t s : starts) disc.tracks.push_back({0, "", 0, s, 0, "", false});
    disc.leadOut = leadOut;
    return disc;
}

// The identifier the reference library computes from the same table of contents.
std::string ReferenceId(const CdDiscRecord& disc) {
    DiscId* reference = discid_new();
    int offsets[100] = {};
    offsets[0] = disc.leadOut + 150;
    for (int i = 0; i < disc.TrackCount(); ++i) offsets[i + 1] = disc.tracks[static_cast<std::size_t>(i)].start + 150;
    std::string id;
    if (discid_put(reference, 1, disc.TrackCount(), offsets)) id = discid_get_freedb_id(reference);
    discid_free(reference);
    return id;
}

TEST(DiscIdTest, AgreesWithTheReferenceOverManyTablesOfContents) {
    std::mt19937 random(22);
    for (int round = 0; round < 500; ++round) {
        const int count = 1 + static_cast<int>(random() % 99);
        std::int32_t at = static_cast<std::int32_t>(random() % 400);
        std::vector<std::int32_t> starts;
        for (int i = 0; i < count; ++i) {
            starts.push_back(at);
            at += 150 + static_cast<std::int32_t>(random() % 4000);
        }
        CdDiscRecord disc = DiscOf(starts, at);
        ASSERT_EQ(CddbDiscIdText(disc), ReferenceId(disc)) << "round " << round;
    }
}

TEST(DiscIdTest, FirstTrackAtSector32And99TracksMatchTheReference) {
    // 0:02.32 lies in the third second counted with the pregap, not the first.
    CdDiscRecord late = DiscOf({32, 18000, 36000}, 54000);
    EXPECT_EQ(CddbDiscIdText(late), ReferenceId(late));
    EXPECT_EQ(CddbDiscIdText(late), "1802d003");

    std::vector<std::int32_t> starts;
    for (int i = 0; i < 99; ++i) starts.push_back(i * 3000);
    CdDiscRecord full = DiscOf(starts, 99 * 3000);
    EXPECT_EQ(CddbDiscId(full) & 0xFF, 0x63u);
    EXPECT_EQ(CddbDiscIdText(full), ReferenceId(full));
}

TEST(DiscIdTest, QueryLineCountsOffsetsWithThePregapAndTheDiscLengthInSeconds) {
    CdDiscRecord disc = DiscOf({32, 18000, 36000}, 54000);
    EXPECT_EQ(CddbQueryLine(disc), "cddb query 1802d003 3 182 18150 36150 722\n");
}

}  // namespace
}  // namespace sv
