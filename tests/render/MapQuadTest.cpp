// The quad mapper against a plain per-pixel version; StretchFrom and FitScale.
#include <gtest/gtest.h>

#include <random>

#include "PixelChecks.h"
#include "render/MapQuad.h"

namespace {

// Plain version: every pixel of the rectangle, each checked on its own.
void RefMapQuad(const QuadCorner& tl, const QuadCorner& bl, const QuadCorner& tr, const QuadCorner& br,
                const PaintBuffer_t& src, PaintBuffer_t& dst) {
    int64_t dy = (int64_t)br.y - tl.y, dx = (int64_t)tr.x - tl.x;
    if (dy < 1 || dx < 1) return;
    int64_t du = (int64_t)br.u + tl.u - bl.u - tr.u, dv = (int64_t)br.v + tl.v - bl.v - tr.v;
    for (int64_t row = std::max<int64_t>(tl.y, 0); row < br.y && row < dst.Height(); row++) {
        int64_t k = row - tl.y;
        int64_t uL = ((int64_t)tl.u * dy + k * (bl.u - tl.u)) / dy, vL = ((int64_t)tl.v * dy + k * (bl.v - tl.v)) / dy;
        int64_t su = (((int64_t)(tr.u - tl.u) * dy + k * du) / dy) * 256 / dx;
        int64_t sv = (((int64_t)(tr.v - tl.v) * dy + k * dv) / dy) * 256 / dx;
        for (int64_t t = 0, x = tl.x; t < dx; t++, x++) {
            int64_t U = uL * 256 + t * su, V = vL * 256 + t * sv;
            if (x < 0 || x >= dst.Width() || U < 0 || V < 0 || (U >> 14) >= src.Width() || (V >> 14) >= src.Height())
                continue;
            uint16_t p = src.Rows()[V >> 14][U >> 14];
            if (!(p & 0x20)) dst.Rows()[row][x] = p;
        }
    }
}

}  // namespace

TEST(MapQuad, MatchesPlainVersionOverRandomCorners) {
    PaintBuffer_t src(37, 23), got(60, 50), want(60, 50);
    // Pixels encode their position; every 7th carries the transparency bit.
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++) src.Rows()[y][x] = (uint16_t)((y << 8 | x) & ~0x20) | ((x + 3 * y) % 7 ? 0 : 0x20);
    std::mt19937 rng(12345);
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int64_t drawn = 0;
    for (int n = 0; n < 20000; n++) {
        // Rectangles over every edge, wholly outside, empty and inverted.
        int x0 = r(-40, 70), y0 = r(-40, 60), x1 = x0 + r(-2, 90), y1 = y0 + r(-2, 80);
        QuadCorner tl{x0, y0, 0, 0}, bl{x0, y1, 0, 0}, tr{x1, y0, 0, 0}, br{x1, y1, 0, 0};
        int kind = n % 5, W = 37 * 64, H = 23 * 64;
        for (QuadCorner* c : {&tl, &bl, &tr, &br}) {
            c->u = kind == 0 ? r(-4000, 6000) : r(-200, W + 200);  // kind 0: far outside the source too
            c->v = kind == 0 ? r(-4000, 4000) : r(-200, H + 200);
        }
        // The loop forms: one source row per destination row (kind 2), one
        // column (3), any slant (0, 1); kind 4 a quarter turn, mirrored every other time.
        if (kind == 2) tr.v = tl.v, br.v = bl.v;
        if (kind == 3) tr.u = tl.u, br.u = bl.u;
        if (kind == 4) tl.u = tr.u = n & 16 ? W : 0, bl.u = br.u = n & 16 ? 0 : W, tl.v = bl.v = H, tr.v = br.v = 0;
        ClearTo(got, 0xFFFF);  // bit 5 set: never copied
        ClearTo(want, 0xFFFF);
        MapQuad(tl, bl, tr, br, src.Rows(), 37, 23, got.Rows(), 60, 50);
        RefMapQuad(tl, bl, tr, br, src, want);
        ASSERT_TRUE(SamePixels(got, want)) << "case " << n;
        drawn += 60 * 50 - CountValue(got, 0xFFFF);
    }
    EXPECT_GT(drawn, 2000000);  // the sweep draws plenty
}

TEST(MapQuad, StretchTwoByTwoOntoFourByFour) {
    PaintBuffer_t src(2, 2), dst(6, 6);
    src.Rows()[0][0] = 0x1000, src.Rows()[0][1] = 0x2000, src.Rows()[1][0] = 0x3000;
    src.Rows()[1][1] = 0x4020;  // transparent
    ClearTo(dst, 0x0001);
    dst.StretchFrom(1, 1, 5, 5, &src);
    dst.StretchFrom(0, 0, 6, 6, nullptr);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 6; x++) {
            int sx = (x - 1) / 2, sy = (y - 1) / 2;
            bool inside = x >= 1 && x < 5 && y >= 1 && y < 5 && !(sx && sy);
            EXPECT_EQ(dst.Rows()[y][x], inside ? src.Rows()[sy][sx] : 0x0001) << x << "," << y;
        }
}

TEST(MapQuad, RefusesOversizeSourcesAndMissingRows) {
    // The one pixel is never read: the sizes alone must refuse.
    uint16_t pixel = 0x1214, *rows[1] = {&pixel};
    PaintBuffer_t dst(4, 4);
    ClearTo(dst, 0x0001);
    QuadCorner tl{0, 0, 0, 0}, bl{0, 4, 0, 0}, tr{4, 0, 0, 0}, br{4, 4, 0, 0};
    MapQuad(tl, bl, tr, br, rows, kMaxMapSource, 1, dst.Rows(), 4, 4);
    MapQuad(tl, bl, tr, br, rows, 1, kMaxMapSource, dst.Rows(), 4, 4);
    MapQuad(tl, bl, tr, br, rows, 0, 1, dst.Rows(), 4, 4);
    MapQuad(tl, bl, tr, br, nullptr, 1, 1, dst.Rows(), 4, 4);
    MapQuad({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN}, bl, tr, br, rows, 1, 1, dst.Rows(), 4, 4);
    EXPECT_EQ(CountValue(dst, 0x0001), 16);
    MapQuad(tl, bl, tr, br, rows, kMaxMapSource - 1, 1, dst.Rows(), 4, 4);  // the largest accepted
    EXPECT_EQ(CountValue(dst, 0x1214), 16);
}

TEST(MapQuad, FitScale) {
    EXPECT_FLOAT_EQ(FitScale(2000, 1000, 500000), 0.5f);
    for (auto [w, h] : {std::pair{100, 100}, {0, 100}, {100, 0}}) EXPECT_FLOAT_EQ(FitScale(w, h, 10000), 1.0f);
    float f = FitScale(65535, 65535, 2000000);  // the product must not wrap in 32 bits
    EXPECT_NEAR(f * 65535.0 * f * 65535.0, 2000000.0, 2000.0);
    EXPECT_GT(FitScale(100, 100, 0), 0.0f);  // no budget left still gives a usable factor
}
