#include "views/LevelMeterWidget.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace sv {
namespace {

TEST(LDBDisplay, ScaleRunsFromMinus36AtTheLeftToPlus12AtTheRight) {
    EXPECT_EQ(LDBDisplay::LevelToX(-36, 480), 0);
    EXPECT_EQ(LDBDisplay::LevelToX(-127, 480), 0);
    EXPECT_EQ(LDBDisplay::LevelToX(0, 480), 360);
    EXPECT_EQ(LDBDisplay::LevelToX(12, 480), 480);
    EXPECT_EQ(LDBDisplay::LevelToX(40, 480), 480);
}

TEST(LDBDisplay, LinkedTextShowsThePeakOrDashesForSilence) {
    LDBDisplay meter;
    QLabel text;
    meter.SetLinkedText(&text);
    EXPECT_EQ(text.text(), "--dB");
    const std::int8_t levels[] = {-20, 3};
    meter.SetLevels(2, levels);
    EXPECT_EQ(text.text(), "3dB");
    meter.Clear();
    EXPECT_EQ(meter.Levels().size(), 1u);
    EXPECT_EQ(text.text(), "--dB");
}

}  // namespace
}  // namespace sv
