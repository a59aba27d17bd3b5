// The pixel format conversions and the dithering, against plain versions
// over every input.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Platform.h"
#include "render/PaintBuffer.h"

namespace {

constexpr int kNoise = 5678;

// The next kNoise draws, i.e. the table as seen from the current position.
std::vector<int> NoiseCycle() {
    std::vector<int> t(kNoise);
    for (int& v : t) v = PaintBuffer_t::NextDitherNoise();
    return t;
}

}  // namespace

TEST(PixelFormat, ConversionsMatchReferenceOverEveryValue) {
    for (uint32_t p = 0; p < 65536; p++) {
        ASSERT_EQ(PaintBuffer_t::PixelToRgb((uint16_t)p), (p >> 11) << 19 | ((p >> 6) & 31) << 11 | (p & 31) << 3) << p;
        // Widening and narrowing again keeps everything but bit 5.
        ASSERT_EQ(PaintBuffer_t::RgbToPixel(PaintBuffer_t::PixelToRgb((uint16_t)p)), p & ~0x20u) << p;
    }
    // Bits above 23 ignored.
    for (uint32_t v = 0; v < (1u << 24); v += 7)
        ASSERT_EQ(PaintBuffer_t::RgbToPixel(v | 0xFF000000u), (v >> 19) << 11 | ((v >> 11) & 31) << 6 | (v & 0xFF) >> 3) << v;
}

TEST(PixelFormat, DitherMatchesReferenceForEveryValueAndNoise) {
    auto ref = [](int c, int t) { return c / 8 + (c / 8 < 31 && (t & 7) < (c & 7)); };
    std::vector<int> noise = NoiseCycle();  // the next cycle repeats it
    for (int c = 0; c < 256; c++)
        for (int i = 0; i < kNoise; i++) {
            int g = 255 - c, b = (c * 37) & 0xFF, t = noise[i];
            ASSERT_EQ(PaintBuffer_t::DitherPixel((uint8_t)c, (uint8_t)g, (uint8_t)b),
                      ref(c, t) << 11 | ref(g, t) << 6 | ref(b, t)) << "c=" << c << " draw " << i;
        }
}

TEST(PixelFormat, NoiseDrawsFromSeveralThreadsKeepTheCycle) {
    std::vector<int> before = NoiseCycle();
    plat::Thread* threads[4];
    for (auto& t : threads)
        t = plat::StartThread([](void*) { for (int i = 0; i < kNoise * 3; i++) PaintBuffer_t::NextDitherNoise(); return 0; }, nullptr, 5);
    for (auto& t : threads) plat::JoinThread(t);
    // Each draw took its own place: 12 whole cycles later the position is back.
    EXPECT_EQ(NoiseCycle(), before);
}
