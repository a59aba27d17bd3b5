#include <gtest/gtest.h>

#include "app/Globals.h"

namespace {

struct Expected {
    int width, height;
    int screenWidth, iconSize, dragThreshold, dragSlack, uiScale, nameDrop, backSlots;
};

TEST(Metrics, DerivedFromTheClientSize) {
    const Expected cases[] = {
        {240, 320, 240, 120, 30, 15, 1, 16, 4},  // diagonal 400
        {480, 640, 480, 240, 60, 30, 2, 32, 4},  // diagonal 800
        {360, 480, 360, 180, 45, 22, 1, 16, 4},  // diagonal exactly 600
        {361, 481, 361, 180, 45, 22, 2, 32, 4},  // diagonal 601.4, truncated 601
        {240, 240, 240, 120, 30, 15, 1, 16, 2},  // square: fewest ancestor slots
        {150, 400, 150, 75, 20, 10, 1, 16, 4},   // narrow: the threshold floor
        {320, 240, 240, 120, 30, 15, 1, 16, 2},  // landscape: the smaller side
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << e.width << "x" << e.height);
        SetScreenMetrics(e.width, e.height);
        EXPECT_EQ(ScreenWidth, e.screenWidth);
        EXPECT_EQ(ScreenHeight, e.height);
        EXPECT_EQ(IconSize, e.iconSize);
        EXPECT_EQ(DragThreshold, e.dragThreshold);
        EXPECT_EQ(DragSlack, e.dragSlack);
        EXPECT_EQ(UiScale, e.uiScale);
        EXPECT_EQ(NameDrop, e.nameDrop);
        EXPECT_EQ(BackSlotCount, e.backSlots);
    }
    SetScreenMetrics(240, 320);
}

}  // namespace
