// The browse layout and the motion rules: menu button placement, which
// buttons a menu offers, the bookmark panel, easing of curve and zoom,
// quarter turns, the repaint throttle and the nested-lock check.
#include "BrowserFixture.h"
#include "browser/Bookmark.h"
#include "browser/Repaint.h"

namespace {

using LayoutTest = BrowserTest;

std::vector<int> Commands(const PictureMgr_t* pm) {
    std::vector<int> out;
    for (int k = 0; k < pm->ButtonCount; k++) out.push_back(pm->ButtonRow[k][0]);
    return out;
}

TEST_F(LayoutTest, FiveButtonsLieInALowerLineOfThreeAndACentredUpperLineOfTwo) {
    // Rows 0..4 of a made-up menu: back, bm, quit, back, bm.
    int saved[6][4];
    for (int r = 0; r < 6; r++)
        for (int f = 0; f < 4; f++) saved[r][f] = MenuTable[r][f];
    MenuTable[3][0] = 41001, MenuTable[3][1] = 4;
    MenuTable[4][0] = 41003, MenuTable[4][1] = 16;
    MenuTable[5][0] = 41000, MenuTable[5][1] = -1;
    pm->Menu = 0;
    pm->MenuSlide = 0;
    pm->DrawButtons(false);
    for (int r = 0; r < 6; r++)
        for (int f = 0; f < 4; f++) MenuTable[r][f] = saved[r][f];
    ASSERT_EQ(pm->ButtonCount, 5);
    const int expected[5][4] = {{30, 260, 90, 320},  {90, 260, 150, 320}, {150, 260, 210, 320},
                                {60, 200, 120, 260}, {120, 200, 180, 260}};
    for (int k = 0; k < 5; k++)
        for (int f = 0; f < 4; f++) EXPECT_EQ(pm->ButtonRect[k][f], expected[k][f]) << k << "," << f;
}

TEST_F(LayoutTest, MenusOfferOnlyWhatApplies) {
    pm->Menu = 0;
    pm->DrawButtons(true);
    // The two arrows, then back, bm, quit: no delete without an entry.
    EXPECT_EQ(Commands(pm), (std::vector<int>{41006, 41007, 41001, 41003, 16}));

    // The bookmark menu offers "bm_add" only while a slot is free and the
    // folder on view is not bookmarked.
    Bookmark_t slots[kBookmarkSlots];
    for (int i = 0; i < kBookmarkSlots; i++) Bookmarks[i] = &slots[i];
    ASSERT_TRUE(Open(temp.Path()));
    pm->Menu = 16;
    pm->DrawButtons(false);
    EXPECT_EQ(Commands(pm), (std::vector<int>{41001, 41004, 41005}));
    slots[2].SetFolder(U16(temp.Path()).c_str());
    pm->Back[0]->CheckBookmark();
    pm->DrawButtons(false);
    EXPECT_EQ(Commands(pm), (std::vector<int>{41001, 41005}));
    // Not bookmarked, but no slot free: nothing to add to either.
    for (Bookmark_t& slot : slots) slot.SetFolder(u"/elsewhere");
    pm->Back[0]->CheckBookmark();
    pm->DrawButtons(false);
    EXPECT_EQ(Commands(pm), (std::vector<int>{41001, 41005}));
    for (Bookmark_t*& b : Bookmarks) b = nullptr;
}

TEST_F(LayoutTest, BookmarkLabelsStack65PixelsApartFromTheFirstSlotUp) {
    Bookmark_t slots[kBookmarkSlots];
    for (int i = 0; i < kBookmarkSlots; i++) {
        Bookmarks[i] = &slots[i];
        slots[i].SetFolder(u"/pics/a");
    }
    pm->PanelSlide = 1.0f;
    pm->DrawBookmarkPanel();
    const int centres[4] = {227, 162, 97, 32};
    for (int i = 0; i < kBookmarkSlots; i++) {
        EXPECT_EQ((slots[i].top + slots[i].bottom) / 2, centres[i]) << i;
        EXPECT_EQ(slots[i].left, 0);
        EXPECT_EQ(slots[i].right, 240);
    }
    // A tap on a label posts its slot and is still a gesture.
    EXPECT_FALSE(pm->HitButtons(120, 97));
    // An empty slot is not drawn and cannot be hit.
    slots[1].SetFolder(u"");
    pm->DrawBookmarkPanel();
    EXPECT_EQ(slots[1].top, -1);
    EXPECT_FALSE(slots[1].Hit(120, 162));
    for (Bookmark_t*& b : Bookmarks) b = nullptr;
}

TEST_F(LayoutTest, CurveAndZoomEaseInFixedSteps) {
    int turn = -180;
    std::vector<int> turns;
    while (PictureMgr_t::TurnStep(&turn, 0)) turns.push_back(turn);
    EXPECT_EQ(turns, (std::vector<int>{-165, -150, -135, -120, -105, -90, -75, -60, -45, -30, -15, 0}));
    turn = 350;  // the short way round, through 360
    EXPECT_TRUE(PictureMgr_t::TurnStep(&turn, 10));
    EXPECT_EQ(turn, 365);
    turn = 7;
    EXPECT_TRUE(PictureMgr_t::TurnStep(&turn, -8));
    EXPECT_EQ(turn, -8);
    EXPECT_FALSE(PictureMgr_t::TurnStep(&turn, -8));

    float zoom = 0.5f;
    std::vector<float> zooms;
    while (PictureMgr_t::ZoomStep(&zoom, 1.0f)) zooms.push_back(zoom);
    ASSERT_EQ(zooms.size(), 5u);
    const float expected[5] = {0.575f, 0.66125f, 0.7604375f, 0.874503f, 1.0f};
    for (int i = 0; i < 5; i++) EXPECT_NEAR(zooms[i], expected[i], 1e-5f) << i;
    zoom = 1.0f;
    EXPECT_TRUE(PictureMgr_t::ZoomStep(&zoom, 0.5f));
    EXPECT_FLOAT_EQ(zoom, 0.8695652f);
}

TEST_F(LayoutTest, QuarterTurnsAccumulateWithoutWrapping) {
    pm->RotateView(true);
    pm->RotateView(true);
    EXPECT_EQ(pm->Angle, 180);
    pm->RotateView(true);
    pm->RotateView(true);
    EXPECT_EQ(pm->Angle, 360);
    EXPECT_EQ(pm->TargetAngle, 360);
    pm->RotateView(false);
    EXPECT_EQ(pm->Angle, 270);
}

TEST_F(LayoutTest, UnforcedRepaintsWithin200MsAreDropped) {
    uint32_t t0 = plat::TickCount();
    RequestRepaint(true);
    headless::Reset(240, 320);  // the forced paint leaves the queue
    RequestRepaint(false);
    // Only a machine stalled for 200 ms between the calls could see a post.
    if (plat::TickCount() - t0 < 190) {
        EXPECT_EQ(headless::PendingMessages(plat::MSG_PAINT), 0);
    }
    plat::Sleep(201);
    RequestRepaint(false);
    EXPECT_EQ(headless::PendingMessages(plat::MSG_PAINT), 1);
}

TEST_F(LayoutTest, ANestedLockIsReported) {
    static int nested;
    nested = 0;
    NestedLockHook = [] { nested++; };
    pm->Pause(true);
    pm->Pause(true);
    pm->Pause(false);
    NestedLockHook = nullptr;
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(pm->Flags & PM_LOCKED);
}

}  // namespace
