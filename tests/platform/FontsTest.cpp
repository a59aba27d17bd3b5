#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>

#include "platform/Platform.h"

namespace {

TEST(Fonts, SizeFollowsCellHeightAndAverageWidthAndInkSitsOnTheBaseline) {
    plat::Font* f = plat::CreateFont(15, 6, 500);
    plat::Font* wide = plat::CreateFont(15, 12, 500);
    ASSERT_TRUE(f && wide);
    int ascent = 0, height = 0;
    plat::FontMetrics(f, &ascent, &height);
    EXPECT_EQ(height, 15);
    EXPECT_TRUE(ascent > 7 && ascent < 15) << ascent;
    // 26 letters at an average of 6 pixels (hinting rounds each advance).
    int w = plat::TextWidth(f, u"abcdefghijklmnopqrstuvwxyz", -1);
    EXPECT_TRUE(w >= 26 * 5 && w <= 26 * 7) << w;
    EXPECT_GT(plat::TextWidth(wide, u"abcdefghijklmnopqrstuvwxyz", -1), w * 3 / 2);
    // Capitals stand on the baseline: solid ink in the row above it, none below.
    plat::Coverage caps;
    ASSERT_TRUE(plat::RenderText(f, u"HHH", 3, &caps));
    ASSERT_NE(caps.pixels, nullptr);
    const uint8_t* row = caps.pixels + (caps.baseline - 1) * caps.width;
    EXPECT_GT(*std::max_element(row, row + caps.width), 200);
    EXPECT_EQ(*std::max_element(row + caps.width, row + 2 * caps.width), 0);
    plat::FreeCoverage(&caps);
    plat::DeleteFont(wide);
    plat::DeleteFont(f);
    EXPECT_EQ(plat::CreateFont(0, 0, 400), nullptr);

}

bool SameCoverage(const plat::Coverage& a, const plat::Coverage& b) {
    if (a.width != b.width || a.height != b.height || a.baseline != b.baseline) return false;
    if (!a.pixels || !b.pixels) return a.pixels == b.pixels;
    return memcmp(a.pixels, b.pixels, (size_t)a.width * a.height) == 0;
}

// Text drawn again, by two threads sharing the font while each keeps
// filling its glyph cache several times over (every code point from U+0020
// up), comes out as from a font that has drawn nothing before.
TEST(Fonts, RepeatedTextFromThreadsSharingAFontMatchesAFreshFont) {
    const char16_t* texts[] = {u"IMG_0001.jpg", u"Lumatray Фото 写真", u"a\tb\x01" u"c ffi", u"\U0001F600 x"};
    std::u16string many;
    for (char16_t cp = 0x20; cp < 0x900; cp++) many += cp;
    for (auto [height, width, weight] : {std::tuple{15, 6, 500}, {24, 0, 700}, {9, 3, 400}, {200, 0, 400}}) {
        plat::Coverage expected[4];
        for (int i = 0; i < 4; i++) {
            plat::Font* fresh = plat::CreateFont(height, width, weight);
            ASSERT_TRUE(plat::RenderText(fresh, texts[i], -1, &expected[i]));
            plat::DeleteFont(fresh);
        }
        plat::Font* f = plat::CreateFont(height, width, weight);
        std::atomic<int> wrong{0};
        auto work = [&](int first) {
            for (int i = 0; i < 40; i++) {
                int k = (first + i) % 4;
                plat::Coverage c;
                if (!plat::RenderText(f, texts[k], -1, &c) || !SameCoverage(c, expected[k]) ||
                    plat::TextWidth(f, texts[k], -1) != c.width)
                    wrong++;
                plat::FreeCoverage(&c);
                if (i % 10 == first) {  // empties the cache under the other thread
                    plat::RenderText(f, many.c_str(), height > 100 ? 300 : -1, &c);
                    plat::FreeCoverage(&c);
                }
            }
        };
        std::thread a(work, 0), b(work, 1);
        a.join();
        b.join();
        EXPECT_EQ(wrong.load(), 0) << height;
        for (auto& c : expected) plat::FreeCoverage(&c);
        plat::DeleteFont(f);
    }
}

}  // namespace
