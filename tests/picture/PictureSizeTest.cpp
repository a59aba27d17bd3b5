// Sizes of decoded pictures, the fit to the screen, folder entries,
// placeholders and the synchronous load.
#include <fstream>

#include "PictureTestSupport.h"

using PictureSizeTest = PictureTest;

TEST_F(PictureSizeTest, BudgetAndFitOnAPortraitScreen) {
    // 2000 x 1500 is a 4000 x 3000 file after the 1/2 reduction.
    struct { int w, h, scale, storedW, storedH; } cases[] = {
        {2000, 1500, 13377, 1632, 1224}, {3264, 2448, 8196, 1632, 1224}, {1600, 1200, 16384, 1600, 1200}};
    for (auto c : cases) {
        Picture_t p(KIND_PICTURE);
        p.SetSize(c.w, c.h);
        EXPECT_EQ(p.Scale(), c.scale) << c.w;
        EXPECT_EQ(p.Width(), c.storedW) << c.w;
        EXPECT_EQ(p.Height(), c.storedH) << c.w;
    }
    Picture_t p(KIND_PICTURE);
    p.SetSize(101, 3);  // odd width: rows padded to 4 bytes
    EXPECT_EQ(p.RowBytes(), 204);
    p.SetSize(2000, 1500);
    EXPECT_NEAR(p.FitZoom(0), 435.2f, 0.01f);
    EXPECT_NEAR(p.FitRatio(0), 435.2f / 244.8f, 0.001f);
    EXPECT_EQ(p.FitByHeight(0), 0);
    EXPECT_NEAR(p.MinZoom(), 240.0f / 1632.0f * 0.5f, 1e-6f);
    EXPECT_NEAR(p.FitZoom(90), 1632.0f * 64 / 320, 0.01f);  // long side along the height
    EXPECT_EQ(p.FitZoom(-1), p.FitZoom(359));
    EXPECT_EQ(p.FitZoom(-90), p.FitZoom(270));
    EXPECT_EQ(p.FitZoom(725), p.FitZoom(5));
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
    EXPECT_TRUE(folder.HasFlags(PIC_LOADED));
    folder.LoadNow(false);
    EXPECT_EQ(folder.Width(), 100);
    EXPECT_EQ(folder.Height(), 100);
    EXPECT_FALSE(folder.HasBitmap());
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
    Picture_t p(KIND_PICTURE);
    EXPECT_EQ(std::u16string(p.Path()) + p.Name(), u"");
    p.SetFileName(u"/a.b/c.d/photo.1.jpg");
    EXPECT_EQ(std::u16string(p.Name()), u"photo.1");
    // Texts of any length up to 511 units, replaced longer and shorter.
    std::u16string longPath = u"/" + std::u16string(600, u'x') + u".jpg";
    p.SetFileName(longPath.c_str());
    EXPECT_EQ(std::u16string(p.Path()), longPath.substr(0, 511));
    EXPECT_EQ(std::u16string(p.Name()), longPath.substr(1, 510));  // the dot was cut off
    p.SetPath(u"/b");
    p.SetDisplayName(u"b");
    EXPECT_EQ(std::u16string(p.Path()) + p.Name(), u"/bb");
    p.SetPath(longPath.c_str());
    p.SetDisplayName(nullptr);
    EXPECT_EQ(std::u16string(p.Path()).size(), 511u);
    EXPECT_EQ(std::u16string(p.Name()), u"");
}

TEST_F(PictureSizeTest, HeaderOnlyLoadAndTheMissingFilePlaceholder) {
    auto p = Make("big.jpg", 4000, 3000, [](int x, int y) { return (uint32_t)(x ^ y) * 0x010101u; });
    p->LoadNow(true);
    EXPECT_EQ(p->DecodedWidth(), 2000);
    EXPECT_EQ(p->SourceHeight(), 3000);
    EXPECT_EQ(p->Width(), 1632);
    EXPECT_FALSE(p->HasBitmap() || p->HasFlags(PIC_LOADED));
    p.reset(Entry(dir + "/gone.jpg"));
    p->LoadNow(true);
    EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    EXPECT_EQ(std::pair(p->Width(), p->Height()), std::pair(10, 10));
    ASSERT_TRUE(p->HasBitmap());
    EXPECT_EQ(p->Rows()[9][9], 0x2104);
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
        ASSERT_TRUE(p->HasFlags(PIC_LOADED));
        EXPECT_FALSE(p->HasFlags(PIC_LOADING));
        ASSERT_EQ(p->Width(), c.storedW);
        int bad = 0;  // grey fill or a transparency mark
        for (int y = 0; y < p->Height(); y++)
            for (int x = 0; x < p->Width(); x++) bad += p->Rows()[y][x] == 0x2104 || (p->Rows()[y][x] & 0x20);
        EXPECT_EQ(bad, 0);
    }
    EXPECT_EQ(p->MemoryHeld(), (uint32_t)(1200 * (3200 + 4) + 1600 * 4 + 16));
    uint16_t px = p->Rows()[600][800];  // top 5 bits of each channel
    uint32_t c = BrightGradient(800, 600);
    EXPECT_NEAR((px >> 11) & 0x1F, (int)((c >> 16) & 0xFF) >> 3, 1);
    EXPECT_NEAR((px >> 6) & 0x1F, (int)((c >> 8) & 0xFF) >> 3, 1);
    EXPECT_NEAR(px & 0x1F, (int)(c & 0xFF) >> 3, 1);
}

TEST_F(PictureSizeTest, KeyColourBecomesTransparentInTheThumbnail) {
    auto p = Make("skin.jpg", 64, 64, [](int x, int) { return x < 32 ? 0xFF00FFu : 0x20C040u; });
    p->SetFlags(NO_CACHE);
    p->SetKeyColour(0xF81F);
    p->LoadNow(false);
    EXPECT_TRUE(p->Rows()[32][4] & 0x20);
    EXPECT_FALSE(p->Rows()[32][60] & 0x20);
    p->MakeIconFromPicture();
    ASSERT_TRUE(p->HasIcon());
    EXPECT_EQ(p->IconRows()[60][5], 0x0020);
    EXPECT_FALSE(p->IconRows()[60][115] & 0x20);
    p->Release();
    EXPECT_TRUE(p->HasIcon() && !p->HasBitmap());
    p.reset();
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

// Every damaged JPEG of the shared test data: the placeholder or rows, and
// never a crash (the sanitizer builds watch the memory).
TEST_F(PictureSizeTest, DamagedFilesNeverCrash) {
    std::ifstream manifest(std::string(LUMATRAY_TESTDATA) + "/MANIFEST.tsv");
    std::string line;
    int seen = 0;
    while (std::getline(manifest, line)) {
        std::string name = line.substr(0, line.find('\t'));
        if (name.rfind("corrupt/", 0) != 0 || !name.ends_with(".jpg")) continue;
        SCOPED_TRACE(name);
        Picture_t* p = Entry(std::string(LUMATRAY_TESTDATA) + "/" + name);
        p->LoadNow(false);
        EXPECT_TRUE(p->HasFlags(PIC_LOADED) && !p->HasFlags(PIC_LOADING) && p->HasBitmap());
        EXPECT_LE((int64_t)p->Width() * p->Height(), MaxPicPixel);
        delete p;
        seen++;
    }
    EXPECT_GE(seen, 8);
}
