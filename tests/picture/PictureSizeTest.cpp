// Sizes of decoded pictures, the fit to the screen, names, placeholders, the synchronous load.
#include "PictureTestSupport.h"

using PictureSizeTest = PictureTest;

TEST_F(PictureSizeTest, BudgetAndFitOnAPortraitScreen) {
    // 2000 x 1500 is a 4000 x 3000 file after the 1/2 reduction; an odd
    // width pads its rows to 4 bytes.
    struct { int w, h, scale, storedW, storedH, rowBytes; } cases[] = {
        {2000, 1500, 13377, 1632, 1224, 3264}, {3264, 2448, 8196, 1632, 1224, 3264},
        {1600, 1200, 16384, 1600, 1200, 3200}, {101, 3, 16384, 101, 3, 204}};
    Picture_t p(KIND_PICTURE);
    for (auto c : cases) {
        p.SetSize(c.w, c.h);
        EXPECT_EQ((std::array{p.Scale(), p.Width(), p.Height(), p.RowBytes(), p.Width64(), p.Height64()}),
                  (std::array{c.scale, c.storedW, c.storedH, c.rowBytes, 64 * c.storedW, 64 * c.storedH}));
    }
    p.SetSize(2000, 1500);
    EXPECT_EQ(p.FitByHeight(0), 0);
    EXPECT_NEAR(p.FitZoom(0), 435.2f, 0.01f);
    EXPECT_NEAR(p.FitRatio(0), 435.2f / 244.8f, 0.001f);
    EXPECT_NEAR(p.MinZoom(), 240.0f / 1632.0f * 0.5f, 1e-6f);
    EXPECT_NEAR(p.FitZoom(90), 1632.0f * 64 / 320, 0.01f);  // long side along the height
    EXPECT_TRUE(p.FitZoom(-90) == p.FitZoom(270) && p.FitZoom(725) == p.FitZoom(5));
    EXPECT_EQ(p.FitRatio(-361), p.FitRatio(359));
    p.SetSize(300, 1200);
    EXPECT_EQ(p.FitByHeight(0), 1);
    EXPECT_NEAR(p.FitZoom(0), 1200.0f * 64 / 320, 0.01f);
    EXPECT_EQ(Picture_t(KIND_PICTURE).FitZoom(0), 0.0f);
}

TEST_F(PictureSizeTest, FolderEntriesAndNamesWithDots) {
    Picture_t folder(KIND_FOLDER);
    folder.SetFileName(u"/a.b/Holiday.2009");
    EXPECT_EQ(std::u16string(folder.Name()), u"Holiday");
    folder.Load(true);
    folder.LoadNow(false);
    EXPECT_TRUE(folder.HasFlags(PIC_LOADED) && !folder.HasBitmap() && !Picture_t::HiPriorityEntry());
    EXPECT_EQ(std::pair(folder.Width(), folder.Height()), std::pair(100, 100));
    Picture_t p(KIND_PICTURE);  // texts of any length up to 511 units, replaced longer and shorter
    p.SetFileName(u"/a.b/c.d/photo.1.jpg");
    EXPECT_EQ(std::u16string(p.Name()), u"photo.1");
    std::u16string longPath = u"/" + std::u16string(600, u'x') + u".jpg";
    p.SetFileName(longPath.c_str());
    EXPECT_EQ(std::u16string(p.Path()), longPath.substr(0, 511));
    EXPECT_EQ(std::u16string(p.Name()), longPath.substr(1, 510));  // the dot was cut off
    p.SetPath(u"/b");
    p.SetDisplayName(nullptr);
    EXPECT_EQ(std::u16string(p.Path()) + p.Name(), u"/b");
}

TEST_F(PictureSizeTest, HeaderOnlyLoadAndTheMissingFilePlaceholder) {
    auto p = Make("big.jpg", 4000, 3000, [](int x, int y) { return (uint32_t)(x ^ y) * 0x010101u; });
    p->LoadNow(true);
    EXPECT_EQ((std::array{p->DecodedWidth(), p->SourceWidth(), p->SourceHeight(), p->Width()}),
              (std::array{2000, 4000, 3000, 1632}));
    EXPECT_FALSE(p->HasBitmap() || p->HasFlags(PIC_LOADED));
    p.reset(Entry(dir + "/gone.jpg"));
    p->LoadNow(true);
    ASSERT_TRUE(p->HasFlags(PIC_LOADED) && p->HasBitmap());
    EXPECT_EQ(std::tuple(p->Width(), p->Height(), p->Rows()[9][9]), std::tuple(10, 10, 0x2104));
}

TEST_F(PictureSizeTest, LoadWritesEveryPixelAndStaysInsideItsRows) {
    // 13 x 8 at half scale is stored 6 x 4, yet column 12 maps to 12 / 2 =
    // 6: one past the row (ASan sees the write past the last row's block).
    struct { int w, h, budget, storedW; } cases[] = {{13, 8, 26, 6}, {1600, 1200, 2000000, 1600}};
    std::unique_ptr<Picture_t> p;
    for (auto c : cases) {
        SCOPED_TRACE(c.w);
        MaxPicPixel = c.budget;
        p = Make("p.jpg", c.w, c.h);
        p->LoadNow(false);
        ASSERT_TRUE(p->HasFlags(PIC_LOADED) && !p->HasFlags(PIC_LOADING) && p->Width() == c.storedW);
        int bad = 0;  // grey fill or a transparency mark
        for (int y = 0; y < p->Height(); y++)
            for (int x = 0; x < p->Width(); x++) bad += p->Rows()[y][x] == 0x2104 || (p->Rows()[y][x] & 0x20);
        EXPECT_EQ(bad, 0);
    }
    EXPECT_EQ(p->MemoryHeld(), (uint32_t)(1200 * (3200 + 4) + 1600 * 4 + 16));
}

TEST_F(PictureSizeTest, KeyColourBecomesTransparentInTheThumbnail) {
    auto p = Make("skin.jpg", 64, 64, [](int x, int y) { return x < 32 ? 0xFF00FFu : y < 32 ? 0x20C040u : 0x2040C0u; });
    p->SetKeyColour(0xF81F);
    p->LoadNow(false);
    EXPECT_TRUE((p->Rows()[32][4] & 0x20) && !(p->Rows()[32][60] & 0x20));
    p->MakeIconFromPicture();
    ASSERT_TRUE(p->HasIcon());
    EXPECT_TRUE(p->IconRows()[60][5] == 0x0020 && !(p->IconRows()[60][115] & 0x20));
    uint16_t top = p->IconRows()[5][115], low = p->IconRows()[115][115];  // green above, blue below
    EXPECT_TRUE((top >> 6 & 31) > (top & 31) && (low & 31) > (low >> 6 & 31)) << top << " " << low;
    p.reset();
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}
