// The quad mapper against a plain per-pixel version and against the
// bilinear mapping it approximates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "render/MapQuad.h"
#include "render/PaintBuffer.h"

namespace {

// Plain version: every pixel of the rectangle, each checked on its own.
void RefMapQuad(const QuadCorner& tl, const QuadCorner& bl, const QuadCorner& tr, const QuadCorner& br,
                const PaintBuffer_t& src, PaintBuffer_t& dst) {
    int64_t dy = (int64_t)br.y - tl.y, dx = (int64_t)tr.x - tl.x;
    if (dy < 1 || dx < 1) return;
    int64_t du = (int64_t)br.u + tl.u - bl.u - tr.u, dv = (int64_t)br.v + tl.v - bl.v - tr.v;
    for (int64_t row = tl.y; row < br.y; row++) {
        if (row < 0 || row >= dst.Height()) continue;
        int64_t k = row - tl.y;
        int64_t uL = ((int64_t)tl.u * dy + k * (bl.u - tl.u)) / dy;
        int64_t vL = ((int64_t)tl.v * dy + k * (bl.v - tl.v)) / dy;
        int64_t su = (((int64_t)(tr.u - tl.u) * dy + k * du) / dy) * 256 / dx;
        int64_t sv = (((int64_t)(tr.v - tl.v) * dy + k * dv) / dy) * 256 / dx;
        for (int64_t t = 0; t < dx; t++) {
            int64_t x = tl.x + t;
            if (x < 0 || x >= dst.Width()) continue;
            int64_t U = uL * 256 + t * su, V = vL * 256 + t * sv;
            if (U < 0 || V < 0 || (U >> 14) >= src.Width() || (V >> 14) >= src.Height()) continue;
            uint16_t p = src.Rows()[V >> 14][U >> 14];
            if (!(p & 0x20)) dst.Rows()[row][x] = p;
        }
    }
}

void Map(const QuadCorner& tl, const QuadCorner& bl, const QuadCorner& tr, const QuadCorner& br,
         const PaintBuffer_t& src, PaintBuffer_t& dst) {
    MapQuad(tl, bl, tr, br, src.Rows(), src.Width(), src.Height(), dst.Rows(), dst.Width(), dst.Height());
}

// Source pixels encode their position; every 7th carries the transparency bit.
void FillSource(PaintBuffer_t& s) {
    for (int y = 0; y < s.Height(); y++)
        for (int x = 0; x < s.Width(); x++) {
            uint16_t p = (uint16_t)(((y & 0xFF) << 8 | (x & 0xFF)) & ~0x20);
            if ((x + 3 * y) % 7 == 0) p |= 0x20;
            s.Rows()[y][x] = p;
        }
}

int CountChanged(const PaintBuffer_t& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) n += b.Rows()[y][x] != b.keyColour;
    return n;
}

bool SameBuffers(const PaintBuffer_t& a, const PaintBuffer_t& b) {
    for (int y = 0; y < a.Height(); y++)
        for (int x = 0; x < a.Width(); x++)
            if (a.Rows()[y][x] != b.Rows()[y][x]) return false;
    return true;
}

}  // namespace

TEST(MapQuad, MatchesPlainVersionOverDenseSweep) {
    PaintBuffer_t src(37, 23);
    FillSource(src);
    PaintBuffer_t got(60, 50), want(60, 50);
    got.keyColour = want.keyColour = 0xFFFF;  // bit 5 set: never written
    std::mt19937 rng(12345);
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int64_t drawn = 0;
    int forms[3] = {};
    for (int n = 0; n < 20000; n++) {
        int x0 = r(-40, 70), y0 = r(-40, 60), x1 = x0 + r(-2, 90), y1 = y0 + r(-2, 80);
        QuadCorner tl{x0, y0, 0, 0}, bl{x0, y1, 0, 0}, tr{x1, y0, 0, 0}, br{x1, y1, 0, 0};
        int kind = n % 5;
        for (QuadCorner* c : {&tl, &bl, &tr, &br}) {
            bool far = kind == 0;  // far outside the source as well
            c->u = far ? r(-4000, 6000) : r(-200, 37 * 64 + 200);
            c->v = far ? r(-4000, 4000) : r(-200, 23 * 64 + 200);
        }
        if (kind == 2) {  // one source row per destination row
            tr.v = tl.v;
            br.v = bl.v;
            forms[1]++;
        } else if (kind == 3) {  // one source column per destination row
            tr.u = tl.u;
            br.u = bl.u;
            forms[0]++;
        } else if (kind == 4) {  // a quarter turn, possibly mirrored
            int W = 37 * 64, H = 23 * 64;
            bool m = n & 16;
            tl.u = m ? W : 0; tl.v = H; tr.u = m ? W : 0; tr.v = 0;
            bl.u = m ? 0 : W; bl.v = H; br.u = m ? 0 : W; br.v = 0;
        } else {
            forms[2]++;
        }
        got.Clear();
        want.Clear();
        Map(tl, bl, tr, br, src, got);
        RefMapQuad(tl, bl, tr, br, src, want);
        ASSERT_TRUE(SameBuffers(got, want)) << "case " << n;
        drawn += CountChanged(got);
    }
    // The sweep draws plenty, through every loop form.
    EXPECT_GT(drawn, 2000000);
    for (int f : forms) EXPECT_GT(f, 1000);
}

TEST(MapQuad, SamplesNearTheBilinearPoint) {
    // The fixed-point walk may drift from the exact bilinear point by the
    // truncations of its per-row divisions: well under a pixel.
    PaintBuffer_t rowsOf(200, 150), colsOf(200, 150);  // each pixel holds its row / column
    for (int y = 0; y < 150; y++)
        for (int x = 0; x < 200; x++) {
            rowsOf.Rows()[y][x] = (uint16_t)(y << 6);
            colsOf.Rows()[y][x] = (uint16_t)(x << 6);
        }
    PaintBuffer_t gotRow(120, 120), gotCol(120, 120);
    gotRow.keyColour = gotCol.keyColour = 0xFFFF;
    std::mt19937 rng(777);
    auto r = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    int checked = 0;
    for (int n = 0; n < 300; n++) {
        double a = r(0, 6.2832), s = r(0.3, 3.0), cx = r(40, 160), cy = r(30, 120), tilt = r(0.6, 1.0);
        double ca = std::cos(a) * s, sa = std::sin(a) * s;
        // Destination [10, 110) x [10, 110); the right edge shrunk by the
        // tilt to make a true quadrilateral.
        auto corner = [&](int x, int y) {
            double ox = x - 60, oy = (y - 60) * (x > 60 ? tilt : 1.0);
            return QuadCorner{x, y, (int)std::lround((cx + ca * ox - sa * oy) * 64),
                              (int)std::lround((cy + sa * ox + ca * oy) * 64)};
        };
        QuadCorner tl = corner(10, 10), tr = corner(110, 10), bl = corner(10, 110), br = corner(110, 110);
        gotRow.Clear();
        gotCol.Clear();
        Map(tl, bl, tr, br, rowsOf, gotRow);
        Map(tl, bl, tr, br, colsOf, gotCol);
        for (int y = 10; y < 110; y += 3)
            for (int x = 10; x < 110; x += 3) {
                double fy = (y - 10) / 100.0, fx = (x - 10) / 100.0;
                double u = ((tl.u * (1 - fx) + tr.u * fx) * (1 - fy) + (bl.u * (1 - fx) + br.u * fx) * fy) / 64;
                double v = ((tl.v * (1 - fx) + tr.v * fx) * (1 - fy) + (bl.v * (1 - fx) + br.v * fx) * fy) / 64;
                if (u < 1 || v < 1 || u >= 199 || v >= 149) continue;
                ASSERT_NE(gotRow.Rows()[y][x], 0xFFFF) << n << " " << x << "," << y;
                EXPECT_NEAR(gotRow.Rows()[y][x] >> 6, v - 0.5, 0.6) << n << " " << x << "," << y;
                EXPECT_NEAR(gotCol.Rows()[y][x] >> 6, u - 0.5, 0.6) << n << " " << x << "," << y;
                checked++;
            }
    }
    EXPECT_GT(checked, 100000);
}

TEST(MapQuad, StretchTransparencyAndClipping) {
    PaintBuffer_t src(2, 2);
    src.Rows()[0][0] = 0x1000; src.Rows()[0][1] = 0x2000;
    src.Rows()[1][0] = 0x3000; src.Rows()[1][1] = 0x4020;  // transparent
    PaintBuffer_t dst(6, 6);
    dst.keyColour = 0x0001;
    dst.Clear();
    dst.StretchFrom(1, 1, 5, 5, &src);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 6; x++) {
            uint16_t want = 0x0001;
            if (x >= 1 && x < 5 && y >= 1 && y < 5) {
                int sx = (x - 1) / 2, sy = (y - 1) / 2;
                want = sx && sy ? 0x0001 : src.Rows()[sy][sx];
            }
            EXPECT_EQ(dst.Rows()[y][x], want) << x << "," << y;
        }
    // Past every edge: only the inside is drawn, each pixel from the place
    // the unclipped mapping gives it.
    PaintBuffer_t big(30, 30);
    FillSource(big);
    dst.Clear();
    dst.StretchFrom(-12, -12, 18, 18, &big);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 6; x++) {
            uint16_t p = big.Rows()[y + 12][x + 12];
            EXPECT_EQ(dst.Rows()[y][x], (p & 0x20) ? 0x0001 : p);
        }
    // Wholly outside, empty, inverted, null: nothing.
    dst.Clear();
    dst.StretchFrom(6, 0, 20, 6, &big);
    dst.StretchFrom(-20, 0, 0, 6, &big);
    dst.StretchFrom(0, 6, 6, 20, &big);
    dst.StretchFrom(0, -20, 6, 0, &big);
    dst.StretchFrom(2, 2, 2, 5, &big);
    dst.StretchFrom(5, 5, 2, 2, &big);
    dst.StretchFrom(0, 0, 6, 6, nullptr);
    MapQuad({0, 0, 0, 0}, {0, 6, 0, 64}, {6, 0, 64, 0}, {6, 6, 64, 64}, nullptr, 1, 1, dst.Rows(), 6, 6);
    EXPECT_EQ(CountChanged(dst), 0);
}

TEST(MapQuad, RefusesOversizeSourcesAndCorners) {
    // The rows are never read: the sizes alone must refuse.
    uint16_t pixel = 0x1214;
    uint16_t* row = &pixel;
    uint16_t* rows[1] = {row};
    PaintBuffer_t dst(4, 4);
    dst.keyColour = 0x0001;
    dst.Clear();
    QuadCorner tl{0, 0, 0, 0}, bl{0, 4, 0, 0}, tr{4, 0, 0, 0}, br{4, 4, 0, 0};
    MapQuad(tl, bl, tr, br, rows, kMaxMapSource, 1, dst.Rows(), 4, 4);
    MapQuad(tl, bl, tr, br, rows, 1, kMaxMapSource, dst.Rows(), 4, 4);
    MapQuad(tl, bl, tr, br, rows, 0, 1, dst.Rows(), 4, 4);
    // Corners at the ends of the integer range.
    QuadCorner far{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN};
    MapQuad(far, bl, tr, br, rows, 1, 1, dst.Rows(), 4, 4);
    EXPECT_EQ(CountChanged(dst), 0);
    MapQuad(tl, bl, tr, br, rows, 1, 1, dst.Rows(), 4, 4);
    EXPECT_EQ(CountChanged(dst), 16);
}

TEST(MapQuad, FitScale) {
    EXPECT_FLOAT_EQ(FitScale(2000, 1000, 500000), 0.5f);
    EXPECT_FLOAT_EQ(FitScale(100, 100, 20000), 1.0f);
    EXPECT_FLOAT_EQ(FitScale(0, 100, 1), 1.0f);
    EXPECT_FLOAT_EQ(FitScale(100, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(FitScale(100, 100, 10000), 1.0f);
    // The product must not wrap in 32 bits.
    float f = FitScale(65535, 65535, 2000000);
    EXPECT_NEAR(f * 65535.0 * f * 65535.0, 2000000.0, 2000.0);
    // No budget left still gives a usable factor.
    EXPECT_GT(FitScale(100, 100, 0), 0.0f);
    EXPECT_GT(FitScale(100, 100, -5), 0.0f);
}
