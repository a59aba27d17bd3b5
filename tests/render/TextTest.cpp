// Text in boxes, font sizing for boxes, and name labels.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/Globals.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"
#include "settings/SkinColours.h"
#include "util/Text.h"

namespace {

struct Ink {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, count = 0;
};

Ink FindInk(const PaintBuffer_t& b, uint16_t background) {
    Ink ink;
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++)
            if (b.Rows()[y][x] != background) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ink.count++;
            }
    return ink;
}

class TextTest : public testing::Test {
protected:
    void SetUp() override {
        font = plat::CreateFont(15, 6, 500);
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override { plat::DeleteFont(font); }
    plat::Font* font = nullptr;
};

}  // namespace

TEST(TextFit, FontFollowsTheClippedBox) {
    int h, w;
    FitFontSize(6, 0, 0, 100, 20, 1000, &h, &w);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(w, 10);  // 100 / 10 beats 4 x 20 / 7 = 11
    FitFontSize(1, 0, 0, 100, 21, 1000, &h, &w);
    EXPECT_EQ(w, 12);  // 4 x 21 / 7
    // Only the visible rows count, above and below the buffer.
    FitFontSize(6, 0, 10, 100, 50, 30, &h, &w);
    EXPECT_EQ(h, 19);  // bottom lowered to 29
    FitFontSize(6, 0, -40, 100, 14, 30, &h, &w);
    EXPECT_EQ(h, 14);
    // The width comes from the unclipped box.
    FitFontSize(0, -300, 0, 100, 70, 1000, &h, &w);
    EXPECT_EQ(w, 40);  // 4 x 70 / 7 = 40 < 400 / 4
}

TEST_F(TextTest, MeasuresTheWidestLine) {
    EXPECT_EQ(MeasureText(font, u"ab\nabcdef\nabc"), plat::TextWidth(font, u"abcdef", 6));
    EXPECT_EQ(MeasureText(font, u"abcdef\n"), plat::TextWidth(font, u"abcdef", 6));
    EXPECT_EQ(MeasureText(font, u""), 0);
    EXPECT_EQ(MeasureText(font, nullptr), 0);
    EXPECT_EQ(MeasureText(nullptr, u"x"), 0);
}

TEST_F(TextTest, BackgroundBoxAndAlignment) {
    PaintBuffer_t b(200, 40);
    b.keyColour = 0x0000;
    b.SelectFont(font);
    // -1: only glyph pixels change; any other value fills the clipped box
    // without its right column and bottom row.
    b.Clear();
    b.DrawText(u"", TEXT_LEFT, -5, -5, 50, 20, 0xFFFFFF, 0x0000FF);
    Ink box = FindInk(b, 0);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 49);
    EXPECT_EQ(box.bottom, 19);
    EXPECT_EQ(box.count, 50 * 20);
    EXPECT_EQ(b.Rows()[0][0], 0xF800);

    int inks[3][2];
    for (int align : {TEXT_LEFT, TEXT_CENTRE, TEXT_RIGHT}) {
        b.Clear();
        b.DrawText(u"Hello", align, 10, 0, 190, 40, 0xFFFFFF, kNoBackground);
        Ink ink = FindInk(b, 0);
        ASSERT_GT(ink.count, 20);
        inks[align][0] = ink.left;
        inks[align][1] = ink.right;
        // Vertically centred: the ink straddles the middle row.
        EXPECT_LT(ink.top, 20);
        EXPECT_GT(ink.bottom, 20);
    }
    EXPECT_LT(inks[TEXT_LEFT][0], 14);
    EXPECT_GT(inks[TEXT_RIGHT][1], 184);
    int centre = (inks[TEXT_CENTRE][0] + inks[TEXT_CENTRE][1]) / 2;
    EXPECT_NEAR(centre, 100, 4);
}

TEST_F(TextTest, TextIsClippedToBoxAndBuffer) {
    PaintBuffer_t b(60, 20);
    b.keyColour = 0;
    b.SelectFont(font);
    b.Clear();
    b.DrawText(u"WWWWWWWWWWWWWWWWWWWW", TEXT_LEFT, 5, 2, 25, 18, 0xFFFFFF, kNoBackground);
    Ink ink = FindInk(b, 0);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 24);
    EXPECT_GE(ink.top, 2);
    EXPECT_LE(ink.bottom, 17);
    // Boxes past every edge of the buffer draw without touching outside it.
    for (auto [l, t] : {std::pair{-30, 0}, {40, 0}, {0, -12}, {0, 12}, {-1000000, -1000000}}) {
        b.DrawText(u"WWWWWWWWWW", TEXT_CENTRE, l, t, l + 70, t + 20, 0xFFFFFF, 0x00FF00);
        b.DrawTextFit(u"WWWWWWWWWW", TEXT_RIGHT, l, t, l + 70, t + 20, 0xFFFFFF, kNoBackground);
    }
    b.DrawTextFit(u"W", TEXT_LEFT, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFF, kNoBackground);
    b.DrawTextFit(u"W", TEXT_LEFT, 0, 30, 60, 40, 0xFFFFFF, kNoBackground);  // no visible rows
    b.DrawText(nullptr, TEXT_LEFT, 0, 0, 60, 20, 0xFFFFFF, kNoBackground);
    b.SelectFont(nullptr);
    b.DrawText(u"W", TEXT_LEFT, 0, 0, 60, 20, 0xFFFFFF, kNoBackground);
}

TEST_F(TextTest, FitTextUsesTheBoxHeight) {
    PaintBuffer_t b(300, 100);
    b.keyColour = 0;
    b.Clear();
    b.DrawTextFit(u"Hg", TEXT_LEFT, 0, 0, 300, 20, 0xFFFFFF, kNoBackground);
    int small = FindInk(b, 0).bottom - FindInk(b, 0).top;
    b.Clear();
    b.DrawTextFit(u"Hg", TEXT_LEFT, 0, 0, 300, 80, 0xFFFFFF, kNoBackground);
    int large = FindInk(b, 0).bottom - FindInk(b, 0).top;
    EXPECT_GT(large, 3 * small);
    EXPECT_EQ(b.SelectedFont(), nullptr);  // the fitted font lives for one call
}

TEST_F(TextTest, LabelHasNoKeyFringe) {
    PaintBuffer_t label(120, 16);
    label.keyColour = kMagentaKey;
    label.Clear();
    label.SelectFont(font);
    label.DrawText(u"Summer 2024 @ sea", TEXT_CENTRE, 0, 0, 120, 16, 0x00FFFF, kNoBackground);
    uint16_t yellow = PaintBuffer_t::ColourRefToPixel(0x00FFFF);
    int text = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 120; x++) {
            uint16_t p = label.Rows()[y][x];
            ASSERT_TRUE(p == kMagentaKey || p == yellow) << std::hex << p << " at " << std::dec << x << "," << y;
            text += p == yellow;
        }
    EXPECT_GT(text, 30);
    // Over other colours the edges are smoothed.
    PaintBuffer_t frame(120, 16);
    frame.keyColour = 0x0000;
    frame.Clear();
    frame.FillRect(0, 0, 119, 15, 0x1082);
    frame.SelectFont(font);
    frame.DrawText(u"Summer 2024 @ sea", TEXT_CENTRE, 0, 0, 120, 16, 0x00FFFF, kNoBackground);
    int between = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 120; x++) between += frame.Rows()[y][x] != 0x1082 && frame.Rows()[y][x] != yellow;
    EXPECT_GT(between, 0);
}

TEST_F(TextTest, PictureNameMakesOneLabel) {
    UiFont = font;
    NameDrop = 16;
    SkinFileName = 0x00FFFFFF;
    PaintBuffer_t frame(240, 320);
    {
        Picture_t entry(KIND_PICTURE);
        entry.SetDisplayName(u"first\nsecond line");
        frame.SetPictureName(&entry);
        PaintBuffer_t* one = entry.Label();
        ASSERT_NE(one, nullptr);
        EXPECT_EQ(one->Width(), plat::TextWidth(font, u"second line", 11) + 4);
        EXPECT_EQ(one->Height(), 16);
        EXPECT_EQ(one->keyColour, kMagentaKey);
        EXPECT_GT(FindInk(*one, kMagentaKey).count, 10);
        entry.SetDisplayName(u"x");
        frame.SetPictureName(&entry);  // the first label is destroyed by the entry
        ASSERT_NE(entry.Label(), nullptr);
        EXPECT_EQ(entry.Label()->Width(), plat::TextWidth(font, u"x", 1) + 4);
    }
    frame.SetPictureName(nullptr);
    UiFont = nullptr;
}

namespace {

bool SamePixels(const PaintBuffer_t& a, const PaintBuffer_t& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); y++)
        if (memcmp(a.Rows()[y], b.Rows()[y], (size_t)a.Width() * 2) != 0) return false;
    return true;
}

struct FitCase {
    const char16_t* text;
    int left, top, right, bottom;
};
// More sizes than the fitted fonts kept at once.
const FitCase kFitCases[] = {
    {u"IMG_0001.jpg", 0, 0, 240, 20},     {u"12/345", 0, 0, 80, 20},
    {u"a long picture name.jpg", 80, 0, 240, 20}, {u"Hg", 0, 0, 240, 60},
    {u"Фото 写真", 10, 5, 200, 30},         {u"x", 0, 0, 30, 12},
    {u"WWWWWWWW", 0, 0, 240, 40},         {u"1/2000 f/2.8", 0, 2, 240, 26},
    {u"Summer 2024 @ sea", 0, 0, 240, 16}, {u"IMG_0001.jpg", 0, 0, 240, 34},
};

// The text drawn as a fitted box once was, with a font of its own.
void DrawWithFreshFont(PaintBuffer_t& b, const FitCase& c) {
    int h, w;
    FitFontSize(WideLength(c.text), c.left, c.top, c.right, c.bottom, b.Height(), &h, &w);
    plat::Font* font = plat::CreateFont(h, w, 500);
    ASSERT_NE(font, nullptr);
    b.SelectFont(font);
    b.DrawText(c.text, TEXT_RIGHT, c.left, c.top, c.right, c.bottom, 0xFFFFFF, kNoBackground);
    b.SelectFont(nullptr);
    plat::DeleteFont(font);
}

}  // namespace

TEST(TextFitFonts, KeptFontsDrawLikeFreshOnes) {
    for (int round = 0; round < 3; round++) {
        for (const FitCase& c : kFitCases) {
            PaintBuffer_t fresh(240, 64), kept(240, 64);
            fresh.keyColour = kept.keyColour = 0x1082;
            fresh.Clear();
            DrawWithFreshFont(fresh, c);
            // The second draw finds the font the first one kept.
            for (int again = 0; again < 2; again++) {
                kept.Clear();
                kept.DrawTextFit(c.text, TEXT_RIGHT, c.left, c.top, c.right, c.bottom, 0xFFFFFF, kNoBackground);
                EXPECT_GT(FindInk(kept, 0x1082).count, 0);
                EXPECT_TRUE(SamePixels(fresh, kept)) << "round " << round << " box height " << c.bottom - c.top;
            }
        }
        if (round == 1) ReleaseFitFonts();  // later calls make new fonts
    }
}

TEST(TextFitFonts, TwoThreadsDrawTheSamePixels) {
    constexpr int kCases = sizeof kFitCases / sizeof kFitCases[0];
    PaintBuffer_t* expected[kCases];
    for (int i = 0; i < kCases; i++) {
        expected[i] = new PaintBuffer_t(240, 64);
        expected[i]->keyColour = 0;
        expected[i]->Clear();
        DrawWithFreshFont(*expected[i], kFitCases[i]);
    }
    std::atomic<int> wrong{0};
    auto work = [&](int first) {
        PaintBuffer_t b(240, 64);
        b.keyColour = 0;
        for (int i = 0; i < 120; i++) {
            int k = (first + i * 3) % kCases;
            const FitCase& c = kFitCases[k];
            b.Clear();
            b.DrawTextFit(c.text, TEXT_RIGHT, c.left, c.top, c.right, c.bottom, 0xFFFFFF, kNoBackground);
            if (!SamePixels(b, *expected[k])) wrong++;
        }
    };
    std::thread a(work, 0), b(work, 5);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    for (PaintBuffer_t* e : expected) delete e;
}
