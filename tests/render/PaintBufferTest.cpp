// The paint buffer's memory layout, fills, clipping, keyed copies and lines.
#include <gtest/gtest.h>

#include "PixelChecks.h"

namespace {

// A distinct opaque value for every position.
uint16_t Pattern(int64_t x, int64_t y) { return (uint16_t)((x * 131 + y * 7919 + 1) & ~0x20); }

void FillPattern(PaintBuffer_t& b) {
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) b.Rows()[y][x] = Pattern(x, y);
}

}  // namespace

TEST(PaintBuffer, PitchClearAndSavedBackground) {
    for (int w : {1, 3, 4, 5, 240}) {
        PaintBuffer_t b(w, 7);
        EXPECT_EQ(b.Pitch(), (w + 1) / 2 * 2);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Rows()[0]) % 4, 0u);
        for (int y = 1; y < 7; y++) EXPECT_EQ(b.Rows()[y] - b.Rows()[y - 1], b.Pitch());
        b.Clear();  // the spare pixel of odd rows too
        for (int y = 0; y < 7; y++)
            for (int x = 0; x < b.Pitch(); x++) ASSERT_EQ(b.Rows()[y][x], kDefaultKey) << w << ": " << x << "," << y;
        FillPattern(b);
        b.SaveBackground();
        b.FillRect(0, 0, w, 7, 0x1234);
        b.Clear();
        for (int y = 0; y < 7; y++)
            for (int x = 0; x < w; x++) ASSERT_EQ(b.Rows()[y][x], Pattern(x, y));
        // A second save replaces the first.
        b.FillRect(0, 1, 0, 1, 0x4321);
        b.SaveBackground();
        ClearTo(b, 0);
        EXPECT_EQ(b.Rows()[1][0], 0x4321);
    }
    // Nothing on an empty buffer touches memory.
    PaintBuffer_t empty(0, 5), negative(-3, 4);
    EXPECT_EQ(empty.Rows(), nullptr);
    EXPECT_EQ(negative.Width(), 0);
    empty.Clear(), empty.SaveBackground(), empty.FillRect(0, 0, 10, 10, 1), empty.DarkenRect(0, 0, 10, 10);
    empty.DrawLine(0, 0, 10, 10, 0), empty.CopyKeyed(0, 0, &negative), empty.StretchFrom(0, 0, 4, 4, &negative);
}

TEST(PaintBuffer, FillAndDarkenClipAtEveryEdge) {
    // Inclusive corners: over each edge, inverted, wholly outside, huge.
    const int rects[][4] = {{-3, 2, 0, 2}, {8, 3, 20, 3}, {4, -9, 4, 0}, {5, 5, 5, 99}, {6, 4, 2, 4},
                            {-10, -10, -1, -1}, {9, 6, 12, 12}, {-5, -5, 10000, 10000}, {INT32_MIN, 0, INT32_MAX, 0}};
    // Darkening halves each channel; bit 5 stays clear.
    auto half = [](int p) { return (p >> 11) / 2 << 11 | ((p >> 6) & 31) / 2 << 6 | (p & 31) / 2; };
    PaintBuffer_t filled(9, 6), darkened(9, 6);
    for (auto& r : rects) {
        ClearTo(filled, 0x1082);
        filled.FillRect(r[0], r[1], r[2], r[3], 0x1111);
        FillPattern(darkened);
        darkened.DarkenRect(r[0], r[1], r[2], r[3]);
        for (int y = 0; y < 6; y++)
            for (int x = 0; x < 9; x++) {
                bool in = x >= r[0] && x <= r[2] && y >= r[1] && y <= r[3];
                ASSERT_EQ(filled.Rows()[y][x], in ? 0x1111 : 0x1082) << r[0] << "," << r[1] << " at " << x << "," << y;
                ASSERT_EQ(darkened.Rows()[y][x], in ? half(Pattern(x, y)) : Pattern(x, y)) << x << "," << y;
            }
    }
}

TEST(PaintBuffer, CopyKeyedClipsAndSkipsKey) {
    PaintBuffer_t src(10, 10), dst(5, 5);
    FillPattern(src);
    src.keyColour = src.Rows()[5][6] = Pattern(4, 4);
    for (auto [px, py] : {std::pair{-3, -3}, {3, 4}, {-9, 4}, {2, -9}, {5, 0}, {0, 5}, {-10, 0}, {0, -10},
                          {INT32_MAX, 0}, {INT32_MIN, INT32_MIN}}) {
        ClearTo(dst, 0x0002);
        dst.CopyKeyed(px, py, &src);
        dst.CopyKeyed(0, 0, nullptr);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 5; x++) {
                int64_t sx = x - (int64_t)px, sy = y - (int64_t)py;
                bool in = sx >= 0 && sx < 10 && sy >= 0 && sy < 10 && src.Rows()[sy][sx] != src.keyColour;
                ASSERT_EQ(dst.Rows()[y][x], in ? Pattern(sx, sy) : 0x0002) << px << "," << py << " at " << x << "," << y;
            }
    }
}

TEST(PaintBuffer, LinesStopBeforeTheEndAndClip) {
    PaintBuffer_t b(8, 8);
    // x1, y1, x2, y2, pixels drawn: upward, far outside to far outside
    // (finishing at once), a point, shallow.
    const int lines[][5] = {{2, 7, 2, 0, 7}, {-1000000000, 3, 1000000000, 3, 8},
                            {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 8}, {3, 3, 3, 3, 0}, {0, 0, 4, 2, 4}};
    for (auto& l : lines) {
        ClearTo(b, 0);
        b.DrawLine(l[0], l[1], l[2], l[3], 0x0000FF);  // a red reference
        EXPECT_EQ(CountValue(b, 0xF800), l[4]) << l[0] << "," << l[1];
    }
    // Minor steps round half up.
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {2, 1}, {3, 2}}) EXPECT_EQ(b.Rows()[y][x], 0xF800) << x;
}

// The logo stretched to half its size samples every second pixel of the
// logo drawn at its own size.
TEST(PaintBuffer, LogoStretchesByPointSampling) {
    PaintBuffer_t full(470, 150), half(235, 75);
    ASSERT_TRUE(full.DrawBitmapResource(kLogoResource) && half.DrawBitmapResource(kLogoResource));
    EXPECT_FALSE(half.DrawBitmapResource(kLogoResource + 1));
    int differ = 0;
    for (int y = 0; y < 75; y++)
        for (int x = 0; x < 235; x++) differ += half.Rows()[y][x] != full.Rows()[2 * y][2 * x];
    EXPECT_EQ(differ, 0);
}
