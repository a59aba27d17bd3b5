// Text in boxes, font sizing for boxes, name labels and the fonts kept
// between fitted draws.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "PixelChecks.h"
#include "app/Globals.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/Text.h"
#include "settings/SkinColours.h"
#include "util/Text.h"

namespace {

// Bounding box (left, top, right, bottom) of the pixels differing from the background.
std::vector<int> InkBox(const PaintBuffer_t& b, uint16_t background) {
    std::vector<int> k = {1 << 30, 1 << 30, -1, -1};
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++)
            if (b.Rows()[y][x] != background) k = {std::min(k[0], x), std::min(k[1], y), std::max(k[2], x), std::max(k[3], y)};
    return k;
}

class TextTest : public testing::Test {
protected:
    plat::Font* font = plat::CreateFont(15, 6, 500);
    ~TextTest() override { plat::DeleteFont(font); }
};

}  // namespace

TEST(TextFit, FontFollowsTheClippedBox) {
    // length, box, buffer height -> height, then width = min(4 h / 7, box width / (length + 4)).
    const int cases[][8] = {{6, 0, 0, 100, 20, 1000, 20, 10}, {1, 0, 0, 100, 21, 1000, 21, 12},
                            {6, 0, 10, 100, 50, 30, 19, 10},       // bottom lowered to 29
                            {6, 0, -40, 100, 14, 30, 14, 8},       // top raised to 0
                            {0, -300, 0, 100, 70, 1000, 70, 40}};  // width from the unclipped box
    for (auto& c : cases) {
        int h = -1, w = -1;
        FitFontSize(c[0], c[1], c[2], c[3], c[4], c[5], &h, &w);
        EXPECT_EQ(std::vector<int>({h, w}), std::vector<int>({c[6], c[7]})) << c[2] << "-" << c[4];
    }
}

TEST_F(TextTest, BoxAlignmentAndClipping) {
    PaintBuffer_t b(200, 40);
    b.SelectFont(font);
    ClearTo(b, 0);
    // The box is clipped and drawn without its right column and bottom row.
    b.DrawText(u"", TEXT_LEFT, -5, -5, 50, 20, 0xFFFFFF, 0x0000FF);
    EXPECT_EQ(InkBox(b, 0), std::vector<int>({0, 0, 49, 19}));
    EXPECT_EQ(CountValue(b, 0xF800), 50 * 20);
    // Vertically centred, aligned as asked, clipped to a narrow box.
    const int boxes[][5] = {{TEXT_LEFT, 10, 0, 190, 40}, {TEXT_CENTRE, 10, 0, 190, 40}, {TEXT_RIGHT, 10, 0, 190, 40},
                            {TEXT_LEFT, 5, 2, 25, 18}};
    for (auto& c : boxes) {
        ClearTo(b, 0);
        b.DrawText(u"WWWWWWWWWWWW", c[0], c[1], c[2], c[3], c[4], 0xFFFFFF, kNoBackground);
        std::vector<int> k = InkBox(b, 0);
        int mid = (c[2] + c[4]) / 2, centre = std::abs((k[0] + k[2]) / 2 - (c[1] + c[3]) / 2);
        int slack = c[0] == TEXT_LEFT ? k[0] - c[1] : c[0] == TEXT_RIGHT ? c[3] - 1 - k[2] : centre;
        EXPECT_TRUE(k[0] >= c[1] && k[1] >= c[2] && k[2] < c[3] && k[3] < c[4] && k[1] < mid && k[3] > mid) << c[3];
        EXPECT_LE(slack, 4) << c[0];
    }
    // Boxes past every edge of the buffer draw without touching outside it (ASan).
    for (auto [l, t] : {std::pair{-30, 0}, {180, 0}, {0, -32}, {0, 32}, {-1000000, -1000000}}) {
        b.DrawText(u"WWWWWWWWWW", TEXT_CENTRE, l, t, l + 70, t + 20, 0xFFFFFF, 0x00FF00);
        b.DrawTextFit(u"WWWWWWWWWW", TEXT_RIGHT, l, t, l + 70, t + 20, 0xFFFFFF, kNoBackground);
    }
    b.DrawTextFit(u"W", TEXT_LEFT, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFF, kNoBackground);
    b.DrawTextFit(u"W", TEXT_LEFT, 0, 50, 60, 60, 0xFFFFFF, kNoBackground);  // no visible rows
    b.DrawText(nullptr, TEXT_LEFT, 0, 0, 60, 20, 0xFFFFFF, kNoBackground);
    b.SelectFont(nullptr);
    b.DrawText(u"W", TEXT_LEFT, 0, 0, 60, 20, 0xFFFFFF, kNoBackground);
}

// The name label: one line as wide as the widest, on the key colour with no
// fringe of mixed pixels (other backgrounds get smoothed edges).
TEST_F(TextTest, PictureNameLabelHasNoKeyFringe) {
    UiFont = font, NameDrop = 16, SkinFileName = 0x00FFFF;
    const uint16_t yellow = PaintBuffer_t::ColourRefToPixel(0x00FFFF);
    auto mixed = [&](const PaintBuffer_t& b, uint16_t ground) {
        return CountPixels(b, [&](uint16_t p) { return p != ground && p != yellow; });
    };
    PaintBuffer_t frame(240, 320);
    Picture_t entry(KIND_PICTURE);
    entry.SetDisplayName(u"first\nsecond line");
    frame.SetPictureName(&entry);
    ASSERT_NE(entry.Label(), nullptr);
    EXPECT_EQ(entry.Label()->Width(), plat::TextWidth(font, u"second line", 11) + 4);
    EXPECT_EQ(entry.Label()->Height(), 16);
    EXPECT_EQ(entry.Label()->keyColour, kMagentaKey);
    EXPECT_GT(CountValue(*entry.Label(), yellow), 30);
    EXPECT_EQ(mixed(*entry.Label(), kMagentaKey), 0);
    frame.FillRect(0, 0, 239, 319, 0x1082);  // not the key colour
    frame.SelectFont(font);
    frame.DrawText(u"first second line", TEXT_CENTRE, 0, 0, 120, 16, 0x00FFFF, kNoBackground);
    EXPECT_GT(mixed(frame, 0x1082), 0);
    entry.SetDisplayName(u"x");
    frame.SetPictureName(&entry);  // the entry destroys the first label (ASan: no leak)
    ASSERT_NE(entry.Label(), nullptr);
    EXPECT_EQ(entry.Label()->Width(), plat::TextWidth(font, u"x", 1) + 4);
    frame.SetPictureName(nullptr);
    UiFont = nullptr;
}

TEST(TextFitFonts, KeptFontsDrawLikeFreshOnesFromTwoThreads) {
    // More sizes than the fitted fonts kept at once.
    static const struct { const char16_t* text; int left, top, right, bottom; } cases[] = {
        {u"IMG_0001.jpg", 0, 0, 240, 20}, {u"12/345", 0, 0, 80, 20},     {u"a long picture name.jpg", 80, 0, 240, 20},
        {u"Hg", 0, 0, 240, 60},           {u"Фото 写真", 10, 5, 200, 30}, {u"x", 0, 0, 30, 12},
        {u"WWWWWWWW", 0, 0, 240, 40},     {u"1/2000 f/2.8", 0, 2, 240, 26}, {u"Summer 2024 @ sea", 0, 0, 240, 16},
        {u"IMG_0001.jpg", 0, 0, 240, 34}};
    constexpr int n = sizeof cases / sizeof cases[0];
    // Each case drawn as a fitted box once was, with a font of its own.
    std::unique_ptr<PaintBuffer_t> fresh[n];
    for (int i = 0; i < n; i++) {
        auto& c = cases[i];
        int h, w;
        FitFontSize(WideLength(c.text), c.left, c.top, c.right, c.bottom, 64, &h, &w);
        fresh[i] = std::make_unique<PaintBuffer_t>(240, 64);
        ClearTo(*fresh[i], 0);
        fresh[i]->SelectFont(plat::CreateFont(h, w, 500));
        fresh[i]->DrawText(c.text, TEXT_RIGHT, c.left, c.top, c.right, c.bottom, 0xFFFFFF, kNoBackground);
        plat::DeleteFont(fresh[i]->SelectFont(nullptr));
        EXPECT_LT(CountValue(*fresh[i], 0), 240 * 64) << i;  // some ink
    }
    std::atomic<int> wrong{0};
    auto work = [&](int first, int draws) {
        PaintBuffer_t b(240, 64);
        for (int i = first; i < first + draws; i++) {
            auto& c = cases[i % n];
            ClearTo(b, 0);
            b.DrawTextFit(c.text, TEXT_RIGHT, c.left, c.top, c.right, c.bottom, 0xFFFFFF, kNoBackground);
            wrong += !SamePixels(b, *fresh[i % n]) || b.SelectedFont();  // the fitted font is not left selected
        }
    };
    std::thread a(work, 0, 240), b(work, 5, 240);
    a.join();
    b.join();
    ReleaseFitFonts();  // later calls make new fonts
    work(0, n);
    EXPECT_EQ(wrong.load(), 0);
}
