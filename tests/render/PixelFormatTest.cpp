// The pixel format conversions and the dithering, against plain versions
// over every input.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/Platform.h"
#include "render/PaintBuffer.h"

namespace {

constexpr int kNoise = 5678;

uint32_t RefPixelToRgb(uint16_t p) {
    uint32_t r = (p >> 11) & 31, g = (p >> 6) & 31, b = p & 31;
    return r << 19 | g << 11 | b << 3;
}

uint16_t RefRgbToPixel(uint32_t v) {
    uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    return (uint16_t)((r / 8) << 11 | (g / 8) << 6 | (b / 8));
}

int RefChannel(int c, int t) {
    int v = c / 8;
    if (v < 31 && (t & 7) < (c & 7)) v++;
    return v;
}

// The next kNoise draws, i.e. the table as seen from the current position.
std::vector<int> NoiseCycle() {
    std::vector<int> t(kNoise);
    for (int& v : t) v = PaintBuffer_t::NextDitherNoise();
    return t;
}

}  // namespace

TEST(PixelFormat, ConversionsMatchReferenceOverEveryValue) {
    for (uint32_t p = 0; p < 65536; p++) {
        ASSERT_EQ(PaintBuffer_t::PixelToRgb((uint16_t)p), RefPixelToRgb((uint16_t)p)) << p;
        // Widening and narrowing again keeps everything but bit 5.
        ASSERT_EQ(PaintBuffer_t::RgbToPixel(PaintBuffer_t::PixelToRgb((uint16_t)p)), p & ~0x20u) << p;
    }
    for (uint32_t v = 0; v < (1u << 24); v += 7) ASSERT_EQ(PaintBuffer_t::RgbToPixel(v), RefRgbToPixel(v)) << v;
    // Bits above 23 are ignored.
    EXPECT_EQ(PaintBuffer_t::RgbToPixel(0xFF000000u | 0x787878), 0x7BCF);
    EXPECT_EQ(PaintBuffer_t::PixelToRgb(0x7BCF), 0x787878u);
    EXPECT_EQ(PaintBuffer_t::RgbToPixel(0x787878), 0x7BCF);
    EXPECT_EQ(PaintBuffer_t::RgbToPixel(0x0000FF), 0x001F);
}

TEST(PixelFormat, NoiseIsACycleOfTheTableLength) {
    std::vector<int> a = NoiseCycle(), b = NoiseCycle();
    EXPECT_EQ(a, b);
    bool seen[8] = {};
    for (int v : a) seen[v & 7] = true;
    for (bool s : seen) EXPECT_TRUE(s);
}

TEST(PixelFormat, DitherMatchesReferenceForEveryValueAndNoise) {
    std::vector<int> noise = NoiseCycle();  // the next cycle repeats it
    for (int c = 0; c < 256; c++) {
        int g = 255 - c, b = (c * 37) & 0xFF;
        for (int i = 0; i < kNoise; i++) {
            uint16_t p = PaintBuffer_t::DitherPixel((uint8_t)c, (uint8_t)g, (uint8_t)b);
            int t = noise[i];
            uint16_t want = (uint16_t)(RefChannel(c, t) << 11 | RefChannel(g, t) << 6 | RefChannel(b, t));
            ASSERT_EQ(p, want) << "c=" << c << " draw " << i;
        }
    }
}

TEST(PixelFormat, DitherEdgeValues) {
    for (int i = 0; i < 64; i++) {
        for (int c = 248; c < 256; c++) EXPECT_EQ(PaintBuffer_t::DitherPixel((uint8_t)c, (uint8_t)c, (uint8_t)c), 0xFFDF);
        EXPECT_EQ(PaintBuffer_t::DitherPixel(0, 0, 0), 0);
        EXPECT_EQ(PaintBuffer_t::DitherPixel(120, 120, 120), 0x7BCF);
    }
    std::vector<int> noise = NoiseCycle();
    for (int i = 0; i < 64; i++) {
        uint16_t p = PaintBuffer_t::DitherPixel(7, 0, 0);
        EXPECT_EQ(p >> 11, (noise[i] & 7) == 7 ? 0 : 1);
    }
}

namespace {
std::atomic<int> drawsDone{0};
int DrawNoise(void*) {
    for (int i = 0; i < kNoise * 3; i++) PaintBuffer_t::NextDitherNoise();
    drawsDone.fetch_add(1);
    return 0;
}
}  // namespace

TEST(PixelFormat, NoiseDrawsFromSeveralThreadsKeepTheCycle) {
    std::vector<int> before = NoiseCycle();
    plat::Thread* threads[4];
    for (auto& t : threads) t = plat::StartThread(DrawNoise, nullptr, 5);
    for (auto& t : threads) {
        ASSERT_NE(t, nullptr);
        plat::JoinThread(t);
    }
    // Each draw took its own place: 12 whole cycles later the position is
    // back where it was.
    EXPECT_EQ(NoiseCycle(), before);
}
