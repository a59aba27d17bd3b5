// Sizes of decoded pictures, the fit to the screen, folder entries,
// placeholders and the synchronous load.
#include <cmath>
#include <fstream>
#include <sstream>

#include "PictureTestSupport.h"

using PictureSizeTest = PictureTest;

TEST_F(PictureSizeTest, BudgetFitsLargePicturesToTheSameStoredSize) {
    Picture_t p(KIND_PICTURE);
    p.SetSize(2000, 1500);  // a 4000 x 3000 file after the 1/2 reduction
    EXPECT_EQ(p.Scale(), 13377);
    EXPECT_EQ(p.Width(), 1632);
    EXPECT_EQ(p.Height(), 1224);
    EXPECT_EQ(p.RowBytes(), 3264);
    EXPECT_EQ(p.Width64(), 1632 * 64);
    p.SetSize(3264, 2448);
    EXPECT_EQ(p.Scale(), 8196);
    EXPECT_EQ(p.Width(), 1632);
    EXPECT_EQ(p.Height(), 1224);
    p.SetSize(1600, 1200);
    EXPECT_EQ(p.Scale(), 16384);
    EXPECT_EQ(p.Width(), 1600);
    EXPECT_EQ(p.Height(), 1200);
    p.SetSize(101, 3);  // odd width: rows padded to 4 bytes
    EXPECT_EQ(p.RowBytes(), 204);
}

TEST_F(PictureSizeTest, HeaderOfALargeFileGivesDecodedAndSourceSizes) {
    std::string file = dir + "/big.jpg";
    ASSERT_TRUE(WriteJpeg(file, 4000, 3000, [](int x, int y) { return (uint32_t)(x ^ y) * 0x010101u; }));
    Picture_t* p = Entry(file);
    p->LoadNow(true);
    EXPECT_EQ(p->DecodedWidth(), 2000);
    EXPECT_EQ(p->DecodedHeight(), 1500);
    EXPECT_EQ(p->SourceWidth(), 4000);
    EXPECT_EQ(p->SourceHeight(), 3000);
    EXPECT_EQ(p->Width(), 1632);
    EXPECT_FALSE(p->HasBitmap());
    EXPECT_FALSE(p->HasFlags(PIC_LOADED));
    delete p;
}

TEST_F(PictureSizeTest, FitValuesOnAPortraitScreen) {
    Picture_t p(KIND_PICTURE);
    p.SetSize(2000, 1500);
    EXPECT_NEAR(p.FitZoom(0), 435.2f, 0.01f);
    EXPECT_NEAR(p.FitRatio(0), 435.2f / 244.8f, 0.001f);
    EXPECT_EQ(p.FitByHeight(0), 0);
    EXPECT_NEAR(p.MinZoom(), 240.0f / 1632.0f * 0.5f, 1e-6f);
    // A quarter turn puts the long side along the height.
    EXPECT_NEAR(p.FitZoom(90), 1632.0f * 64 / 320, 0.01f);
    EXPECT_EQ(p.FitByHeight(90), 0);
    EXPECT_EQ(p.FitZoom(-1), p.FitZoom(359));
    EXPECT_EQ(p.FitZoom(725), p.FitZoom(5));
    EXPECT_EQ(p.FitRatio(-361), p.FitRatio(359));
    Picture_t tall(KIND_PICTURE);
    tall.SetSize(300, 1200);
    EXPECT_EQ(tall.FitByHeight(0), 1);
    EXPECT_NEAR(tall.FitZoom(0), 1200.0f * 64 / 320, 0.01f);
    Picture_t empty(KIND_PICTURE);
    EXPECT_EQ(empty.FitZoom(0), 0.0f);
}

TEST_F(PictureSizeTest, FolderEntriesNeedNoBitmap) {
    Picture_t folder(KIND_FOLDER);
    folder.SetFileName(u"/home/user/Holiday.2009");
    EXPECT_EQ(std::u16string(folder.Name()), u"Holiday");
    folder.Load(true);
    EXPECT_TRUE(folder.HasFlags(PIC_LOADED));
    EXPECT_EQ(folder.Width(), 0);
    folder.LoadNow(false);
    EXPECT_EQ(folder.Width(), 100);
    EXPECT_EQ(folder.Height(), 100);
    EXPECT_FALSE(folder.HasBitmap());
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
}

TEST_F(PictureSizeTest, DisplayNameAndPath) {
    Picture_t p(KIND_PICTURE);
    p.SetFileName(u"/a.b/c.d/photo.1.jpg");
    EXPECT_EQ(std::u16string(p.Name()), u"photo.1");
    EXPECT_EQ(std::u16string(p.Path()), u"/a.b/c.d/photo.1.jpg");
    EXPECT_EQ(p.BookmarkIndex(), -1);
}

TEST_F(PictureSizeTest, MissingFileBecomesTheLoadedPlaceholder) {
    Picture_t* p = Entry(dir + "/gone.jpg");
    p->LoadNow(true);
    EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    EXPECT_EQ(p->Width(), 10);
    EXPECT_EQ(p->Height(), 10);
    ASSERT_TRUE(p->HasBitmap());
    EXPECT_EQ(p->Rows()[9][9], 0x2104);
    delete p;
}

TEST_F(PictureSizeTest, WholePictureWritesEveryPixel) {
    std::string file = dir + "/whole.jpg";
    ASSERT_TRUE(WriteJpeg(file, 1600, 1200, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadNow(false);
    ASSERT_TRUE(p->HasFlags(PIC_LOADED));
    EXPECT_FALSE(p->HasFlags(PIC_LOADING));
    EXPECT_EQ(p->Scale(), 16384);
    EXPECT_EQ(p->MemoryHeld(), (uint32_t)(1200 * (3200 + 4) + 1600 * 4 + 16));
    int grey = 0, marked = 0;
    for (int y = 0; y < 1200; y++)
        for (int x = 0; x < 1600; x++) {
            uint16_t px = p->Rows()[y][x];
            grey += px == 0x2104;
            marked += (px & 0x20) != 0;
        }
    EXPECT_EQ(grey, 0);
    EXPECT_EQ(marked, 0);
    // Colour of a known spot: top 5 bits of each channel.
    uint16_t px = p->Rows()[600][800];
    uint32_t c = BrightGradient(800, 600);
    EXPECT_NEAR((px >> 11) & 0x1F, (int)((c >> 16) & 0xFF) >> 3, 1);
    EXPECT_NEAR((px >> 6) & 0x1F, (int)((c >> 8) & 0xFF) >> 3, 1);
    EXPECT_NEAR(px & 0x1F, (int)(c & 0xFF) >> 3, 1);
    delete p;
}

TEST_F(PictureSizeTest, ReducedPictureStaysInsideItsRows) {
    // 13 x 8 at half scale is stored 6 x 4, yet column 12 maps to 12 / 2 =
    // 6: one past the row (ASan sees the write past the last row's block).
    MaxPicPixel = 26;
    std::string file = dir + "/odd.jpg";
    ASSERT_TRUE(WriteJpeg(file, 13, 8, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadNow(false);
    ASSERT_TRUE(p->HasFlags(PIC_LOADED));
    EXPECT_EQ(p->Scale(), 8192);
    EXPECT_EQ(p->Width(), 6);
    EXPECT_NE(p->Rows()[p->Height() - 1][p->Width() - 1], 0x2104);
    delete p;
}

TEST_F(PictureSizeTest, KeyColourBecomesTransparentInTheThumbnail) {
    std::string file = dir + "/skin.jpg";
    ASSERT_TRUE(WriteJpeg(file, 64, 64, [](int x, int) { return x < 32 ? 0xFF00FFu : 0x20C040u; }));
    Picture_t* p = Entry(file);
    p->SetFlags(NO_CACHE);
    p->SetKeyColour(0xF81F);
    p->LoadNow(false);
    EXPECT_TRUE(p->Rows()[32][4] & 0x20);
    EXPECT_FALSE(p->Rows()[32][60] & 0x20);
    p->MakeIconFromPicture();
    ASSERT_TRUE(p->HasIcon());
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_EQ(p->IconRows()[60][5], 0x0020);   // keyed half: left transparent
    EXPECT_FALSE(p->IconRows()[60][115] & 0x20);
    p->Release();
    EXPECT_FALSE(p->HasBitmap());
    EXPECT_TRUE(p->HasIcon());
    delete p;
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
        if (name.rfind("corrupt/", 0) != 0 || name.size() < 4 || name.substr(name.size() - 4) != ".jpg") continue;
        SCOPED_TRACE(name);
        Picture_t* p = Entry(std::string(LUMATRAY_TESTDATA) + "/" + name);
        p->LoadNow(false);
        EXPECT_TRUE(p->HasFlags(PIC_LOADED));
        EXPECT_FALSE(p->HasFlags(PIC_LOADING));
        EXPECT_TRUE(p->HasBitmap());
        EXPECT_LE((int64_t)p->Width() * p->Height(), MaxPicPixel);
        delete p;
        seen++;
    }
    EXPECT_GE(seen, 8);
}
