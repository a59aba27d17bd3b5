#include <gtest/gtest.h>

#include <cmath>

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

// Whole degrees up to two turns, so that a sum of two angles needs no wrap.
TEST(Metrics, TablesHoldWholeDegreesUpToTwoTurns) {
    BuildTrigTables();
    EXPECT_NEAR(cosTable[720], 1.0f, 1e-7);
    EXPECT_NEAR(sinTable[450], 1.0f, 1e-7);
    EXPECT_NEAR(depthTable[270], 1.2f, 1e-6);
    EXPECT_NEAR(dropTable[120], 0.25 * std::pow(0.5, 0.7), 1e-6);
}

}  // namespace
