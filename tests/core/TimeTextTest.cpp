#include "core/TimeText.h"

#include <gtest/gtest.h>

namespace sv {

TEST(TimeConversion, FramesToMsTruncatesAndSplitsToAvoidOverflow) {
    EXPECT_EQ(FramesToMs(44100, 44100), 1000);
    EXPECT_EQ(FramesToMs(1, 44100), 0);
    // Ten hours at 48 kHz stays exact although frames * 1000 would not fit 32 bits.
    EXPECT_EQ(FramesToMs(1728000000, 48000), 36000000);
}

TEST(TimeConversion, FramesToMsLeavesTheVariableForABadRate) {
    std::int32_t ms = 1234;
    EXPECT_FALSE(FramesToMs(500, 0, ms));
    EXPECT_FALSE(FramesToMs(500, -8000, ms));
    EXPECT_EQ(ms, 1234);
}

TEST(TimeConversion, MsToFrames) {
    EXPECT_EQ(MsToFrames(1500, 44100), 66150);
    EXPECT_EQ(MsToFrames(36000000, 48000), 1728000000);
    EXPECT_EQ(MsToFrames(2147483647, 96000), 2147483647);  // saturates instead of wrapping
}

TEST(TimeText, FormatsHoursMinutesSecondsAndRoundedHundredths) {
    EXPECT_EQ(FormatTimeText(3602345), "1:00:02.35");
    EXPECT_EQ(FormatTimeText(0), "0:00:00.00");
    EXPECT_EQ(FormatTimeText(59994), "0:00:59.99");
    EXPECT_EQ(FormatTimeText(59995), "0:01:00.00");
    EXPECT_EQ(FormatTimeText(-1500), "-0:00:01.50");
    EXPECT_EQ(FormatTimeText(-2147483647 - 1), "-596:31:23.65");
}

TEST(TimeText, ReadsWhatUsersType) {
    EXPECT_EQ(ParseTimeText("1:00:02.35"), 3602350);
    EXPECT_EQ(ParseTimeText("90"), 90000);
    EXPECT_EQ(ParseTimeText("1:30"), 90000);
    EXPECT_EQ(ParseTimeText("0:00:01.5"), 1500);
    EXPECT_EQ(ParseTimeText("2.345"), 2345);
    EXPECT_EQ(ParseTimeText("2.3456"), 2345);  // a fourth decimal adds nothing
    EXPECT_EQ(ParseTimeText("-0:01"), -1000);
    EXPECT_EQ(ParseTimeText("1 min 30"), 130000);  // letters ignored, digits run together
    EXPECT_EQ(ParseTimeText(""), 0);
}

TEST(TimeText, ReadingIsTheInverseOfFormatting) {
    for (std::int32_t ms : {0, 10, 990, 61230, 3599990, 36000000}) {
        EXPECT_EQ(ParseTimeText(FormatTimeText(ms)), ms) << ms;
    }
}

TEST(TimeText, HugeInputSaturates) {
    EXPECT_EQ(ParseTimeText(std::string(40, '9')), 2147483647);
    EXPECT_EQ(ParseTimeText("-" + std::string(40, '9')), -2147483647 - 1);
}

}  // namespace sv
