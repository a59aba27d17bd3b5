// The browse layout and the motion rules: menu button placement, which
// buttons a menu offers, the bookmark panel and its labels (one line for a
// folder that fits, else the dropped head on a second line in the small
// font), easing of curve and zoom, quarter turns and the repaint throttle.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "BrowserFixture.h"
#include "browser/Bookmark.h"
#include "browser/Repaint.h"
#include "settings/SkinColours.h"

namespace {

using LayoutTest = BrowserTest;

std::vector<int> Commands(const PictureMgr_t* pm) {
    std::vector<int> out;
    for (int k = 0; k < pm->ButtonCount; k++) out.push_back(pm->ButtonRow[k][0]);
    return out;
}

TEST_F(LayoutTest, FourButtonsLieInOneLineFiveInALowerLineOfThreeAndACentredUpperLineOfTwo) {
    // Rows 0..4 of a made-up menu: back, bm, quit, back, bm; the row after
    // the last ends it.
    int saved[6][4];
    std::memcpy(saved, MenuTable, sizeof saved);
    MenuTable[3][0] = 41001, MenuTable[3][1] = 4;
    MenuTable[4][0] = 41003, MenuTable[4][1] = 16;
    MenuTable[5][0] = 41000, MenuTable[5][1] = -1;
    pm->Menu = 0;
    pm->MenuSlide = 0;
    pm->DrawButtons(false);
    const int five[5][4] = {{30, 260, 90, 320},  {90, 260, 150, 320}, {150, 260, 210, 320},
                            {60, 200, 120, 260}, {120, 200, 180, 260}};
    EXPECT_EQ(pm->ButtonCount, 5);  // (the table is put back below)
    EXPECT_EQ(std::memcmp(pm->ButtonRect, five, sizeof five), 0);
    MenuTable[4][0] = 41000;
    pm->DrawButtons(false);
    std::memcpy(MenuTable, saved, sizeof saved);
    const int four[4][4] = {{0, 260, 60, 320}, {60, 260, 120, 320}, {120, 260, 180, 320}, {180, 260, 240, 320}};
    ASSERT_EQ(pm->ButtonCount, 4);
    EXPECT_EQ(std::memcmp(pm->ButtonRect, four, sizeof four), 0);
}

TEST_F(LayoutTest, MenusOfferOnlyWhatApplies) {
    // With the build's skin, so that buttons have icons.
    delete pm;
    CopyWide(u"" LUMATRAY_BUILD_DIR, DataFolder, kPathUnits);
    pm = new PictureMgr_t();
    DataFolder[0] = 0;
    pm->Menu = 0;
    pm->DrawButtons(true);
    // The two arrows, then back, bm, quit: no delete without an entry.
    EXPECT_EQ(Commands(pm), (std::vector<int>{41006, 41007, 41001, 41003, 16}));
    // The arrows sit in the top corners at their own size.
    EXPECT_EQ(pm->ButtonRect[1][0], 213);
    EXPECT_EQ(pm->ButtonRect[1][3], 27);
    // With the menu up only its buttons are live, edges included; a hit
    // shows the lit icon in the button's place.
    EXPECT_EQ(pm->ButtonRect[2][0], 30);
    EXPECT_TRUE(pm->HitButtons(30, 260));
    const PaintBuffer_t* lit = pm->Icon[MenuTable[0][1] + 1];
    EXPECT_EQ(headless::LastFrame()[(260 + 20) * 240 + 30 + 30], lit->Rows()[20][30]);
    EXPECT_NE(lit->Rows()[20][30], lit->keyColour);
    EXPECT_FALSE(pm->HitButtons(29, 260));
    EXPECT_FALSE(pm->HitButtons(5, 5));
    EXPECT_EQ(headless::PendingMessages(41001), 1);

    // The bookmark menu offers "bm_add" only while a slot is free and the
    // folder on view is not bookmarked.
    Bookmark_t slots[kBookmarkSlots];
    for (int i = 0; i < kBookmarkSlots; i++) Bookmarks[i] = &slots[i];
    ASSERT_TRUE(Open(temp.Path()));
    pm->Menu = 16;
    auto offered = [this] {
        pm->Back[0]->CheckBookmark();
        pm->DrawButtons(false);
        return Commands(pm);
    };
    EXPECT_EQ(offered(), (std::vector<int>{41001, 41004, 41005}));
    slots[2].SetFolder(U16(temp.Path()).c_str());
    EXPECT_EQ(offered(), (std::vector<int>{41001, 41005}));
    // Not bookmarked, but no slot free: nothing to add to either.
    for (Bookmark_t& slot : slots) slot.SetFolder(u"/elsewhere");
    EXPECT_EQ(offered(), (std::vector<int>{41001, 41005}));
    for (Bookmark_t*& b : Bookmarks) b = nullptr;
}

TEST_F(LayoutTest, InThePictureViewTheInfoLineComesDownWithTheMenu) {
    pm->Mode = 1;
    pm->Menu = 5;
    pm->MenuSlide = 0.0f;
    pm->PaintFull->Clear();
    std::vector<uint16_t> background(pm->PaintFull->Rows()[0], pm->PaintFull->Rows()[0] + 240);
    pm->DrawButtons(false);
    // Nothing selected: the line is empty, only its dark band shows.
    for (int x = 0; x < 240; x++) EXPECT_EQ(pm->PaintFull->Rows()[0][x], (background[x] & 0xF79F) >> 1) << x;
}

// The labels stack 65 pixels apart from the first slot up, stretched
// over the width with their key colour left out.
TEST_F(LayoutTest, BookmarkLabelsStackAcrossTheWidthWithoutTheirKey) {
    Bookmark_t slots[kBookmarkSlots];
    for (int i = 0; i < kBookmarkSlots; i++) {
        Bookmarks[i] = &slots[i];
        slots[i].SetFolder(u"/pics/a");
    }
    pm->PaintFull->Clear();
    pm->PanelSlide = 1.0f;
    pm->DrawBookmarkPanel();
    const int centres[4] = {227, 162, 97, 32};
    for (int i = 0; i < kBookmarkSlots; i++) {
        EXPECT_EQ((slots[i].top + slots[i].bottom) / 2, centres[i]) << i;
        EXPECT_EQ(slots[i].right - slots[i].left, 240);
    }
    const uint16_t text = PaintBuffer_t::ColourRefToPixel(SkinBookmark) & ~0x20;
    int inked = 0, key = 0;
    for (int y = slots[2].top; y < slots[2].bottom; y++)
        for (int x = 0; x < 240; x++) {
            inked += pm->PaintFull->Rows()[y][x] == text;
            key += pm->PaintFull->Rows()[y][x] == 0x0020;
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(key, 0);
    // A tap on a label posts its slot and is still a gesture.
    EXPECT_FALSE(pm->HitButtons(120, 97));
    EXPECT_EQ(headless::PendingMessages(42006), 1);
    // An empty slot is not drawn and cannot be hit.
    slots[1].SetFolder(u"");
    pm->DrawBookmarkPanel();
    EXPECT_EQ(slots[1].top, -1);
    EXPECT_FALSE(slots[1].Hit(120, 162));
    for (Bookmark_t*& b : Bookmarks) b = nullptr;
}

TEST_F(LayoutTest, ThePopupDarkensItsSquareAndSplitsAtItsLines) {
    // Half slid in, nothing selected: only the square, 60 pixels each way
    // of (120, 130), goes dark.
    PaintBuffer_t* b = pm->PaintFull;
    const uint16_t white = 0xFFDF, dark = 0x7BCF;  // every channel halved, bit 5 clear
    b->FillRect(0, 0, 239, 319, white);
    pm->PopupSlide = 0.5f;
    pm->DrawPopup();
    for (auto [x, y, inside] : {std::tuple{60, 70, true}, {180, 190, true}, {59, 100, false}, {100, 69, false},
                                {181, 100, false}, {100, 191, false}})
        EXPECT_EQ(b->Rows()[y][x], inside ? dark : white) << x << "," << y;
    // On 240 x 320 the line lies at y = 130 and the lower split at x = 120.
    EXPECT_EQ(PictureMgr_t::PopupChoice(239, 129), 1);
    EXPECT_EQ(PictureMgr_t::PopupChoice(119, 130), 3);
    EXPECT_EQ(PictureMgr_t::PopupChoice(120, 130), 2);
    EXPECT_EQ(PictureMgr_t::PopupChoice(0, 319), 3);
}

// Turns take 15 degrees a step the short way round, the last step landing
// on the target; zooms 1.15 times a step.
TEST_F(LayoutTest, CurveAndZoomEaseInFixedSteps) {
    for (auto [from, to, next] : {std::tuple{-180, 0, -165}, {350, 10, 365}, {7, -8, -8}, {0, 16, 15}}) {
        EXPECT_TRUE(PictureMgr_t::TurnStep(&from, to));
        EXPECT_EQ(from, next) << to;
    }
    int done = 5;
    EXPECT_FALSE(PictureMgr_t::TurnStep(&done, 5));
    float zoom = 0.5f;
    int steps = 0;
    while (PictureMgr_t::ZoomStep(&zoom, 1.0f)) steps++;
    EXPECT_EQ(steps, 5);  // 0.575, 0.66125, 0.7604375, 0.874503, then 1
    EXPECT_EQ(zoom, 1.0f);
    EXPECT_TRUE(PictureMgr_t::ZoomStep(&zoom, 0.5f));
    EXPECT_FLOAT_EQ(zoom, 1 / 1.15f);
}

TEST_F(LayoutTest, QuarterTurnsAccumulateWithoutWrapping) {
    for (int i = 0; i < 4; i++) pm->RotateView(true);
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

// The rows [top, bottom] and columns [left, right] of the label's ink
// within rows [y0, y1); top -1 when there is none.
struct Ink {
    int left = 1 << 30, top = -1, right = -1, bottom = -1;
};
Ink InkIn(const PaintBuffer_t* b, int y0, int y1) {
    Ink ink;
    for (int y = y0; y < y1; y++)
        for (int x = 0; x < b->Width(); x++)
            if (b->Rows()[y][x] != b->keyColour) {
                ink = {std::min(ink.left, x), ink.top < 0 ? y : ink.top, std::max(ink.right, x), y};
            }
    return ink;
}

TEST_F(LayoutTest, ABookmarkLabelIsOneLineCentredOrDropsItsHeadToASecondLine) {
    Bookmark_t b;
    b.SetFolder(u"/My Documents");
    EXPECT_EQ(b.SecondLineLength(), 0);
    EXPECT_EQ(std::u16string(b.FirstLine()), u"/My Documents");
    ASSERT_EQ(b.Label()->Width(), 240);
    ASSERT_EQ(b.Label()->Height(), 50);
    Ink ink = InkIn(b.Label(), 0, 50);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 25.0, 4.0);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 120.0, 3.0);
    // A single name wider than the label has no '/' to drop: it stays.
    b.SetFolder(u"/AVeryVeryVeryVeryLongFolderNameIndeed");
    EXPECT_EQ(b.SecondLineLength(), 0);

    // A label just wide enough for "Day1" in the large font (29 x 9).
    plat::Font* large = plat::CreateFont(29, 9, 500);
    int day = plat::TextWidth(large, u"Day1", 4);
    ASSERT_LT(day, plat::TextWidth(large, u"Trip/Day1", 9));
    plat::DeleteFont(large);
    ScreenWidth = day + 11;
    Bookmark_t narrow;
    ScreenWidth = 240;
    narrow.SetFolder(u"/Pics/Trip/Day1");
    EXPECT_EQ(std::u16string(narrow.FirstLine()), u"Day1");
    EXPECT_EQ(std::u16string(narrow.Folder(), narrow.SecondLineLength()), u"/Pics/Trip/");
    // The head in the top 16 rows, the tail below them in the larger font.
    Ink head = InkIn(narrow.Label(), 0, 16), tail = InkIn(narrow.Label(), 16, 50);
    EXPECT_GE(head.top, 0);
    EXPECT_GE(tail.top, 0);
    EXPECT_LT(tail.bottom - tail.top, 30);
    EXPECT_GT(tail.bottom - tail.top, head.bottom - head.top);
}

}  // namespace
