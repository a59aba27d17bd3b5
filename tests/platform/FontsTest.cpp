#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/Platform.h"

namespace {

int Ink(const plat::Coverage& c) {
    int sum = 0;
    for (int i = 0; i < c.width * c.height; i++) sum += c.pixels[i];
    return sum;
}

TEST(Fonts, SizeFollowsCellHeightAndAverageWidth) {
    plat::Font* f = plat::CreateFont(15, 6, 500);
    ASSERT_NE(f, nullptr);
    int ascent = 0, height = 0;
    plat::FontMetrics(f, &ascent, &height);
    EXPECT_EQ(height, 15);
    EXPECT_GT(ascent, 7);
    EXPECT_LT(ascent, 15);
    // 26 letters at an average of 6 pixels (hinting rounds each advance).
    int w = plat::TextWidth(f, u"abcdefghijklmnopqrstuvwxyz", -1);
    EXPECT_GE(w, 26 * 5);
    EXPECT_LE(w, 26 * 7);
    plat::Font* wide = plat::CreateFont(15, 12, 500);
    ASSERT_NE(wide, nullptr);
    EXPECT_GT(plat::TextWidth(wide, u"abcdefghijklmnopqrstuvwxyz", -1), w * 3 / 2);
    plat::DeleteFont(wide);
    plat::DeleteFont(f);
    EXPECT_EQ(plat::CreateFont(0, 0, 400), nullptr);
}

TEST(Fonts, RenderedLineHasInkInsideTheMeasuredBox) {
    plat::Font* f = plat::CreateFont(20, 0, 400);
    ASSERT_NE(f, nullptr);
    plat::Coverage c;
    ASSERT_TRUE(plat::RenderText(f, u"Lumatray Фото 写真", -1, &c));
    EXPECT_EQ(c.width, plat::TextWidth(f, u"Lumatray Фото 写真", -1));
    EXPECT_EQ(c.height, 20);
    ASSERT_NE(c.pixels, nullptr);
    EXPECT_GT(Ink(c), 0);
    // Capitals stand on the baseline: solid ink in the row above it, none
    // in the row below.
    plat::Coverage caps;
    ASSERT_TRUE(plat::RenderText(f, u"HHH", 3, &caps));
    int above = 0, below = 0;
    for (int x = 0; x < caps.width; x++) {
        above = std::max(above, (int)caps.pixels[(caps.baseline - 1) * caps.width + x]);
        below = std::max(below, (int)caps.pixels[caps.baseline * caps.width + x]);
    }
    EXPECT_GT(above, 200);
    EXPECT_EQ(below, 0);
    plat::FreeCoverage(&caps);
    plat::FreeCoverage(&c);
    EXPECT_EQ(c.pixels, nullptr);

    plat::Coverage empty;
    EXPECT_TRUE(plat::RenderText(f, u"", 0, &empty));
    EXPECT_EQ(empty.width, 0);
    plat::DeleteFont(f);
}

TEST(Fonts, BoldHasMoreInk) {
    plat::Font* regular = plat::CreateFont(24, 0, 400);
    plat::Font* bold = plat::CreateFont(24, 0, 700);
    ASSERT_TRUE(regular && bold);
    plat::Coverage a, b;
    ASSERT_TRUE(plat::RenderText(regular, u"Bold", -1, &a));
    ASSERT_TRUE(plat::RenderText(bold, u"Bold", -1, &b));
    EXPECT_GT(Ink(b), Ink(a) * 11 / 10);
    plat::FreeCoverage(&a);
    plat::FreeCoverage(&b);
    plat::DeleteFont(regular);
    plat::DeleteFont(bold);
}

TEST(Fonts, OneFontServesSeveralThreads) {
    plat::Font* f = plat::CreateFont(16, 0, 400);
    ASSERT_NE(f, nullptr);
    int expected = plat::TextWidth(f, u"thread safe", -1);
    std::atomic<int> wrong{0};
    auto work = [&] {
        for (int i = 0; i < 50; i++) {
            plat::Coverage c;
            if (!plat::RenderText(f, u"thread safe", -1, &c) || c.width != expected) wrong++;
            plat::FreeCoverage(&c);
            plat::Font* own = plat::CreateFont(12, 0, 400);
            if (!own) wrong++;
            plat::DeleteFont(own);
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    plat::DeleteFont(f);
}

}  // namespace
