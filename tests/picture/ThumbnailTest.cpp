// Thumbnails: geometry, the cache files, validation and remaking.
#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "PictureTestSupport.h"

using ThumbnailTest = PictureTest;

static std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

static void JpegSize(const std::string& path, int* w, int* h) {
    Jpeg_t r;
    *w = *h = -1;
    if (r.Open(U16(path).c_str()) > 0) *w = r.OutWidth, *h = r.OutHeight;
}

// Marked (transparent) pixels inside and outside the content rectangle.
static void CountMarks(Picture_t* p, int* inside, int* outside) {
    *inside = *outside = 0;
    for (int y = 0; y < IconSize; y++)
        for (int x = 0; x < IconSize; x++) {
            bool in = x >= p->IconX() && x < p->IconX() + p->IconWidth() && y >= p->IconY() &&
                      y < p->IconY() + p->IconHeight();
            if (p->IconRows()[y][x] & 0x20) (in ? *inside : *outside) += 1;
        }
}

TEST_F(ThumbnailTest, LargePictureMakesACentredThumbnailAndItsCacheFiles) {
    std::string file = dir + "/pics/wide.jpg";
    std::filesystem::create_directories(dir + "/pics");
    ASSERT_TRUE(WriteJpeg(file, 2048, 1536, BrightGradient));
    Picture_t* p = Entry(file);
    ASSERT_EQ(p->LoadIcon(false), 0);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_FALSE(p->HasFlags(ICON_FOR_LOADING));
    EXPECT_EQ(p->IconWidth(), 120);
    EXPECT_EQ(p->IconHeight(), 90);
    EXPECT_EQ(p->IconX(), 0);
    EXPECT_EQ(p->IconY(), 15);
    int inside, outside;
    CountMarks(p, &inside, &outside);
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(outside, 120 * 30);

    int w, h;
    JpegSize(Cached(file), &w, &h);
    EXPECT_EQ(w, 120);
    EXPECT_EQ(h, 90);
    EXPECT_FALSE(Exists(Cached(file) + ".tmp"));
    std::vector<uint8_t> side = ReadBytes(Cached(file) + ".dat");
    ASSERT_EQ(side.size(), 20u);
    uint64_t time = p->FileTime();
    std::vector<uint8_t> expect = {(uint8_t)p->FileSize(), (uint8_t)(p->FileSize() >> 8),
                                   (uint8_t)(p->FileSize() >> 16), (uint8_t)(p->FileSize() >> 24)};
    for (int i = 0; i < 8; i++) expect.push_back((uint8_t)(time >> (8 * i)));
    for (uint8_t b : {0, 0, 0, 0, 15, 0, 0, 0}) expect.push_back(b);
    EXPECT_EQ(side, expect);
    EXPECT_NE(p->FileSize(), 0u);
    delete p;
}

TEST_F(ThumbnailTest, SmallPictureIsEnlargedWithoutHoles) {
    std::string file = dir + "/small.jpg";
    ASSERT_TRUE(WriteJpeg(file, 100, 50, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    EXPECT_EQ(p->IconWidth(), 119);
    EXPECT_EQ(p->IconHeight(), 59);
    EXPECT_EQ(p->IconX(), 0);
    EXPECT_EQ(p->IconY(), 30);
    int inside, outside;
    CountMarks(p, &inside, &outside);
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(outside, 120 * 120 - 119 * 59);
    delete p;
}

TEST_F(ThumbnailTest, CachedThumbnailComesBackWithoutDecodingThePicture) {
    std::string file = dir + "/a.jpg";
    // Smooth, so that the cache's JPEG keeps every pixel close.
    ASSERT_TRUE(WriteJpeg(file, 640, 480, [](int x, int y) { return (uint32_t)(x * 255 / 640) << 16 | (uint32_t)(y * 255 / 480) << 8 | 0x80u; }));
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    std::vector<uint16_t> made(p->IconRows()[0], p->IconRows()[0] + 120 * 120);
    p->FreeIcon();
    EXPECT_FALSE(p->HasIcon());
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));

    int before = IconPool->FreeCount();
    EXPECT_EQ(p->LoadIcon(true), 1);  // far: confirmed, no slot
    EXPECT_FALSE(p->HasIcon());
    EXPECT_EQ(IconPool->FreeCount(), before);

    EXPECT_EQ(p->LoadIcon(false), 1);
    ASSERT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_EQ(p->IconWidth(), 120);
    EXPECT_EQ(p->IconHeight(), 90);
    int differ = 0;
    for (int i = 0; i < 120 * 120; i++) {
        uint16_t a = made[i], b = p->IconRows()[0][i];
        if ((a & 0x20) != (b & 0x20)) differ += 1000;
        else if (std::abs(((a >> 11) & 31) - ((b >> 11) & 31)) > 3) differ++;
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(p->LoadIcon(false), 0);  // already ready
    delete p;
}

TEST_F(ThumbnailTest, ChangedPictureInvalidatesItsCache) {
    std::string file = dir + "/c.jpg";
    ASSERT_TRUE(WriteJpeg(file, 300, 200, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    delete p;
    ASSERT_TRUE(WriteJpeg(file, 200, 300, [](int, int) { return 0x3060C0u; }));
    p = Entry(file);
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_FALSE(Exists(Cached(file)));
    EXPECT_FALSE(Exists(Cached(file) + ".dat"));
    EXPECT_FALSE(p->HasFlags(ICON_CACHED));
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_EQ(p->IconWidth(), 79);  // 100 x 150 after 1/2, d = 13107
    EXPECT_EQ(p->IconHeight(), 119);
    EXPECT_EQ(p->IconX(), 20);
    delete p;
}

TEST_F(ThumbnailTest, CacheOfAnotherIconSizeIsRejectedAndRemade) {
    std::string file = dir + "/d.jpg";
    ASSERT_TRUE(WriteJpeg(file, 400, 300, BrightGradient));
    // Made on a larger screen: 160 x 120 at y 20.
    delete IconPool;
    SetScreenMetrics(320, 480);
    IconPool = new MemMgr_t;
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    ASSERT_EQ(p->IconWidth(), 159);  // 200 x 150 after 1/2, d = 13107
    delete p;
    delete IconPool;
    SetScreenMetrics(240, 320);
    IconPool = new MemMgr_t;

    p = Entry(file);
    EXPECT_EQ(p->LoadIcon(false), 0);  // ASan: nothing written outside the slot
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_FALSE(Exists(Cached(file)));
    p->LoadForIcon();
    EXPECT_EQ(p->IconWidth(), 119);  // d = 9830
    p->FreeIcon();
    EXPECT_EQ(p->LoadIcon(false), 1);
    delete p;
}

TEST_F(ThumbnailTest, DamagedSideFileIsRejected) {
    std::string file = dir + "/e.jpg";
    ASSERT_TRUE(WriteJpeg(file, 400, 300, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    p->FreeIcon();
    std::vector<uint8_t> side = ReadBytes(Cached(file) + ".dat");
    side[16] = 0xF0;  // icon y far outside the slot
    std::ofstream(Cached(file) + ".dat", std::ios::binary).write((const char*)side.data(), 20);
    EXPECT_EQ(p->LoadIcon(false), 0);
    EXPECT_FALSE(Exists(Cached(file) + ".dat"));
    std::ofstream(Cached(file) + ".dat", std::ios::binary).write((const char*)side.data(), 7);  // short
    EXPECT_EQ(p->LoadIcon(true), 0);
    delete p;
}

TEST_F(ThumbnailTest, UnwritableCacheStillShowsTheThumbnail) {
    std::ofstream(dir + "/plain") << "not a folder";
    SetCache(dir + "/plain/cache");
    std::string file = dir + "/f.jpg";
    ASSERT_TRUE(WriteJpeg(file, 400, 300, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_FALSE(p->HasFlags(ICON_CACHED));
    EXPECT_EQ(p->IconWidth(), 119);
    EXPECT_EQ(headless::Boxes().size(), 0u);
    EXPECT_EQ(p->LoadIcon(true), 0);
    delete p;
}

TEST_F(ThumbnailTest, NoCacheRootNeverTouchesThePicture) {
    CachePath[0] = 0;
    std::string file = dir + "/g.jpg";
    ASSERT_TRUE(WriteJpeg(file, 400, 300, BrightGradient));
    auto size = std::filesystem::file_size(file);
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_EQ(std::filesystem::file_size(file), size);
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_TRUE(Exists(file));
    delete p;
}

TEST_F(ThumbnailTest, PictureThatDoesNotOpenBecomesThePlaceholder) {
    std::string file = dir + "/h.jpg";
    std::ofstream(file) << "no picture";
    Picture_t* p = Entry(file);
    p->LoadForIcon();
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_FALSE(p->HasFlags(ICON_FOR_LOADING));
    EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    EXPECT_EQ(p->Width(), 10);
    EXPECT_FALSE(Exists(Cached(file)));
    delete p;
}

TEST_F(ThumbnailTest, FoldersAndSkinEntriesHaveNoCache) {
    Picture_t folder(KIND_FOLDER);
    folder.SetFileName(U16(dir).c_str());
    folder.LoadForIcon();
    EXPECT_EQ(folder.LoadIcon(false), 0);
    EXPECT_FALSE(folder.HasIcon());
    std::string file = dir + "/i.jpg";
    ASSERT_TRUE(WriteJpeg(file, 64, 64, BrightGradient));
    Picture_t* skin = Entry(file);
    skin->SetFlags(NO_CACHE);
    skin->LoadForIcon();
    EXPECT_EQ(skin->LoadIcon(false), 0);
    EXPECT_FALSE(Exists(Cached(file)));
    delete skin;
}

TEST_F(ThumbnailTest, WithoutAPoolThumbnailsAreSkippedAndTheCacheStays) {
    // A pool that could not be made at start-up leaves IconPool empty.
    std::string file = dir + "/np.jpg";
    ASSERT_TRUE(WriteJpeg(file, 640, 480, BrightGradient));
    Picture_t* made = Entry(file);
    made->LoadForIcon();
    ASSERT_TRUE(made->HasFlags(ICON_CACHED));
    delete made;

    MemMgr_t* pool = IconPool;
    IconPool = nullptr;
    Picture_t* p = Entry(file);
    EXPECT_EQ(p->LoadIcon(false), 0);
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_TRUE(Exists(Cached(file)) && Exists(Cached(file) + ".dat"));
    p->LoadForIcon();
    EXPECT_FALSE(p->HasIcon());
    EXPECT_FALSE(p->HasFlags(ICON_READY | ICON_FOR_LOADING));
    delete p;
    IconPool = pool;
}
