// Bookmark labels: one line for a folder that fits, the dropped head on a
// second line in the small font for one that does not, a single long name
// kept whole.
#include "BrowserFixture.h"
#include "browser/Bookmark.h"

namespace {

using BookmarkTest = BrowserTest;

// The box holding every pixel of the label that is not its key, within
// rows [y0, y1); top -1 when there is none.
struct Ink {
    int left = 1 << 30, top = -1, right = -1, bottom = -1;
};
Ink InkIn(const PaintBuffer_t* b, int y0, int y1) {
    Ink ink;
    for (int y = y0; y < y1; y++)
        for (int x = 0; x < b->Width(); x++) {
            if (b->Rows()[y][x] == b->keyColour) continue;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    return ink;
}

TEST_F(BookmarkTest, AFolderThatFitsIsOneLineCentredInTheWholeLabel) {
    Bookmark_t b;
    b.SetFolder(u"/My Documents");
    EXPECT_EQ(b.SecondLineLength(), 0);
    EXPECT_EQ(std::u16string(b.FirstLine()), u"/My Documents");
    const PaintBuffer_t* label = b.Label();
    ASSERT_EQ(label->Width(), 240);
    ASSERT_EQ(label->Height(), 50);
    Ink ink = InkIn(label, 0, 50);
    ASSERT_GE(ink.top, 0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 25.0, 4.0);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 120.0, 3.0);
    // A single name wider than the label has no '/' to drop: it stays.
    b.SetFolder(u"/AVeryVeryVeryVeryLongFolderNameIndeed");
    EXPECT_EQ(b.SecondLineLength(), 0);
}

TEST_F(BookmarkTest, ALongFolderLosesLeadingComponentsToASecondLine) {
    // A label just wide enough for "Day1" in the large font (33 high: the
    // font is 29 x 9).
    plat::Font* large = plat::CreateFont(29, 9, 500);
    ASSERT_NE(large, nullptr);
    int day = plat::TextWidth(large, u"Day1", 4), trip = plat::TextWidth(large, u"Trip/Day1", 9);
    plat::DeleteFont(large);
    ASSERT_LT(day, trip);
    ScreenWidth = day + 11;
    Bookmark_t b;
    ScreenWidth = 240;
    b.SetFolder(u"/Pics/Trip/Day1");
    EXPECT_EQ(std::u16string(b.FirstLine()), u"Day1");
    EXPECT_EQ(std::u16string(b.Folder(), b.SecondLineLength()), u"/Pics/Trip/");
    // The head in the top 16 rows, the tail below them.
    const PaintBuffer_t* label = b.Label();
    Ink head = InkIn(label, 0, 16), tail = InkIn(label, 16, 50);
    EXPECT_GE(head.top, 0);
    EXPECT_GE(tail.top, 0);
    EXPECT_LT(tail.bottom - tail.top, 30);
    EXPECT_GT(tail.bottom - tail.top, head.bottom - head.top) << "the tail in the larger font";
}

}  // namespace
