// The paint buffer's memory layout, fills, clipping and keyed copies.
#include <gtest/gtest.h>

#include "app/Globals.h"
#include "render/PaintBuffer.h"

namespace {

// A distinct opaque value for every position.
uint16_t Pattern(int x, int y) { return (uint16_t)((x * 131 + y * 7919 + 1) & ~0x20); }

void FillPattern(PaintBuffer_t& b) {
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) b.Rows()[y][x] = Pattern(x, y);
}

int CountValue(const PaintBuffer_t& b, uint16_t v) {
    int n = 0;
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) n += b.Rows()[y][x] == v;
    return n;
}

}  // namespace

TEST(PaintBuffer, RowsArePitchedAndAligned) {
    for (int w : {1, 3, 4, 5, 240}) {
        PaintBuffer_t b(w, 7);
        EXPECT_EQ(b.Pitch(), (w + 1) / 2 * 2);
        EXPECT_EQ(b.keyColour, 0x7BCF);
        for (int y = 0; y < 7; y++) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Rows()[y]) % 4, 0u);
            if (y) EXPECT_EQ(b.Rows()[y] - b.Rows()[y - 1], b.Pitch());
        }
    }
    PaintBuffer_t empty(0, 5), negative(-3, 4);
    EXPECT_EQ(empty.Rows(), nullptr);
    EXPECT_EQ(negative.Width(), 0);
    // Nothing on an empty buffer touches memory.
    empty.Clear();
    empty.SaveBackground();
    empty.FillRect(0, 0, 10, 10, 1);
    empty.DarkenRect(0, 0, 10, 10);
    empty.DrawLine(0, 0, 10, 10, 0);
    empty.CopyKeyed(0, 0, &negative);
    empty.StretchFrom(0, 0, 4, 4, &negative);
}

TEST(PaintBuffer, ClearFillsSparePixelAndRestoresSavedBackground) {
    PaintBuffer_t b(3, 4);
    b.Clear();
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < b.Pitch(); x++) EXPECT_EQ(b.Rows()[y][x], 0x7BCF) << x << "," << y;
    FillPattern(b);
    b.SaveBackground();
    b.FillRect(0, 0, 2, 3, 0x1234);
    b.Clear();
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 3; x++) EXPECT_EQ(b.Rows()[y][x], Pattern(x, y));
    // A second save replaces the first.
    b.FillRect(1, 1, 1, 1, 0x4321);
    b.SaveBackground();
    b.keyColour = 0;
    b.FillRect(0, 0, 2, 3, 0);
    b.Clear();
    EXPECT_EQ(b.Rows()[1][1], 0x4321);
}

TEST(PaintBuffer, RectanglesClipAtEveryEdge) {
    PaintBuffer_t b(9, 6);
    b.Clear();
    b.FillRect(-5, -5, 10000, 10000, 0x1111);
    EXPECT_EQ(CountValue(b, 0x1111), 54);
    // One rectangle over each edge, one inverted, one wholly outside.
    b.Clear();
    b.FillRect(-3, 2, 0, 2, 1);     // left: column 0 only
    b.FillRect(8, 3, 20, 3, 2);     // right: column 8 only
    b.FillRect(4, -9, 4, 0, 3);     // top: row 0 only
    b.FillRect(5, 5, 5, 99, 4);     // bottom: row 5 only
    b.FillRect(6, 4, 2, 4, 5);      // right < left: nothing
    b.FillRect(-10, -10, -1, -1, 6);
    b.FillRect(9, 6, 12, 12, 7);
    EXPECT_EQ(b.Rows()[2][0], 1);
    EXPECT_EQ(b.Rows()[3][8], 2);
    EXPECT_EQ(b.Rows()[0][4], 3);
    EXPECT_EQ(b.Rows()[5][5], 4);
    EXPECT_EQ(CountValue(b, 0x7BCF), 54 - 4);

    b.FillRect(0, 0, 8, 5, 0xFFFF);
    b.FillRect(0, 0, 0, 0, 0x0020);
    b.DarkenRect(-1, -1, 100, 0);
    EXPECT_EQ(b.Rows()[0][0], 0x0000);
    EXPECT_EQ(b.Rows()[0][8], 0x7BCF);
    EXPECT_EQ(b.Rows()[1][0], 0xFFFF);
    // Darkening halves each channel and never sets bit 5.
    for (uint32_t p = 0; p < 65536; p++) {
        b.Rows()[3][3] = (uint16_t)p;
        b.DarkenRect(3, 3, 3, 3);
        uint16_t d = b.Rows()[3][3];
        ASSERT_EQ(d >> 11, (p >> 11) / 2);
        ASSERT_EQ((d >> 6) & 31, ((p >> 6) & 31) / 2);
        ASSERT_EQ(d & 31, (p & 31) / 2);
        ASSERT_EQ(d & 0x20, 0);
    }
}

TEST(PaintBuffer, CopyKeyedClipsAndSkipsKey) {
    PaintBuffer_t src(10, 10);
    FillPattern(src);
    src.keyColour = Pattern(4, 4);
    src.Rows()[5][6] = src.keyColour;
    PaintBuffer_t dst(5, 5);
    dst.keyColour = 0x0002;
    dst.Clear();
    dst.CopyKeyed(-3, -3, &src);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 5; x++) {
            bool key = (x == 1 && y == 1) || (x == 3 && y == 2);
            EXPECT_EQ(dst.Rows()[y][x], key ? 0x0002 : Pattern(x + 3, y + 3)) << x << "," << y;
        }
    // Right and bottom edges, outside on every side, null.
    dst.Clear();
    dst.CopyKeyed(3, 4, &src);
    EXPECT_EQ(dst.Rows()[4][4], Pattern(1, 0));
    EXPECT_EQ(dst.Rows()[3][4], 0x0002);
    EXPECT_EQ(CountValue(dst, 0x0002), 23);
    dst.Clear();
    for (auto [x, y] : {std::pair{5, 0}, {0, 5}, {-10, 0}, {0, -10}, {INT32_MAX, 0}, {INT32_MIN, INT32_MIN}})
        dst.CopyKeyed(x, y, &src);
    dst.CopyKeyed(0, 0, nullptr);
    EXPECT_EQ(CountValue(dst, 0x0002), 25);
}

TEST(PaintBuffer, LinesFollowBresenhamAndClip) {
    PaintBuffer_t b(8, 8);
    b.keyColour = 0;
    b.Clear();
    b.DrawLine(0, 0, 4, 2, 0x0000FF);  // red reference
    // The end point is not drawn; minor steps round half up.
    uint16_t red = 0xF800;
    EXPECT_EQ(b.Rows()[0][0], red);
    EXPECT_EQ(b.Rows()[1][1], red);
    EXPECT_EQ(b.Rows()[1][2], red);
    EXPECT_EQ(b.Rows()[2][3], red);
    EXPECT_EQ(b.Rows()[2][4], 0);
    EXPECT_EQ(CountValue(b, red), 4);
    // Steep, reversed and vertical lines.
    b.Clear();
    b.DrawLine(2, 7, 2, 0, 0xFF0000);  // blue, upward
    EXPECT_EQ(CountValue(b, 0x001F), 7);
    EXPECT_EQ(b.Rows()[0][2], 0);
    // A line from far outside to far outside draws only the pixels on the
    // buffer and finishes at once.
    b.Clear();
    b.DrawLine(-1000000000, 3, 1000000000, 3, 0xFFFFFF);
    EXPECT_EQ(CountValue(b, 0xFFFF), 8);
    b.Clear();
    b.DrawLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0x00FF00);
    EXPECT_EQ(CountValue(b, 0x07E0), 8);  // the diagonal
    b.Clear();
    b.DrawLine(3, 3, 3, 3, 0xFFFFFF);
    EXPECT_EQ(CountValue(b, 0xFFFF), 0);
}

TEST(PaintBuffer, LogoAndNoImage) {
    PaintBuffer_t b(47, 15);
    b.keyColour = 0x0841;
    b.Clear();
    EXPECT_FALSE(b.DrawBitmapResource(110));
    EXPECT_EQ(CountValue(b, 0x0841), 47 * 15);
    EXPECT_TRUE(b.DrawBitmapResource(kLogoResource));
    EXPECT_LT(CountValue(b, 0x0841), 47 * 15 / 2);

    UiScale = 1;
    PaintBuffer_t frame(100, 120);
    frame.keyColour = 0;
    frame.Clear();
    NoImage = nullptr;
    frame.DrawNoImage();
    EXPECT_EQ(CountValue(frame, 0), 100 * 120);
    PaintBuffer_t no(70, 70);
    no.keyColour = 0xF81F;
    no.FillRect(0, 0, 69, 69, 0x1234);
    no.Rows()[0][0] = 0xF81F;
    NoImage = &no;
    frame.DrawNoImage();
    NoImage = nullptr;
    EXPECT_EQ(CountValue(frame, 0x1234), 70 * 70 - 1);
    EXPECT_EQ(frame.Rows()[25][15], 0);  // the keyed corner
    EXPECT_EQ(frame.Rows()[25][16], 0x1234);
    EXPECT_EQ(frame.Rows()[94][84], 0x1234);
}
