// Thumbnails: geometry, the cache files, validation and remaking.
#include <array>
#include <atomic>
#include <fstream>
#include <vector>

#include "PictureTestSupport.h"
#include "util/StopRequest.h"
#include "tests/support/PhotoJpeg.h"

using ThumbnailTest = PictureTest;
using Rect = std::array<int, 4>;  // x, y, width, height

static Rect IconRect(Picture_t* p) { return {p->IconX(), p->IconY(), p->IconWidth(), p->IconHeight()}; }
static std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, size_t n) {
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)n);
}

TEST_F(ThumbnailTest, ThumbnailIsCentredWithoutHolesAndCachedWithItsSideFile) {
    std::filesystem::create_directories(dir + "/pics");
    // A panorama still gets a line: 3840 x 20 is read at 1/2, 1920 x 10.
    for (auto [w, h, r] : {std::tuple{2048, 1536, Rect{0, 15, 120, 90}}, {100, 50, Rect{0, 30, 119, 59}},
                           {3840, 20, Rect{0, 59, 120, 1}}, {20, 3840, Rect{59, 0, 1, 120}}}) {
        SCOPED_TRACE(w);
        auto p = Make("pics/" + std::to_string(w) + ".jpg", w, h);
        ASSERT_EQ(p->LoadIcon(false), 0);
        p->LoadForIcon();
        EXPECT_TRUE(p->HasFlags(ICON_READY) && p->HasFlags(ICON_CACHED));
        EXPECT_FALSE(p->HasFlags(ICON_FOR_LOADING));
        EXPECT_EQ(IconRect(p.get()), r);
        int inside = 0, outside = 0;  // transparent pixels
        for (int y = 0; y < 120; y++)
            for (int x = 0; x < 120; x++)
                if (p->IconRows()[y][x] & 0x20)
                    (x >= r[0] && x < r[0] + r[2] && y >= r[1] && y < r[1] + r[3] ? inside : outside)++;
        EXPECT_EQ(inside, 0);
        EXPECT_EQ(outside, 120 * 120 - r[2] * r[3]);

        std::string cached = Cached(dir + "/pics/" + std::to_string(w) + ".jpg");
        Jpeg_t jpeg;
        ASSERT_GT(jpeg.Open(U16(cached).c_str()), 0);
        EXPECT_EQ(std::pair((int)jpeg.OutWidth, (int)jpeg.OutHeight), std::pair(r[2], r[3]));
        EXPECT_FALSE(Exists(cached + ".tmp"));
        // Side file: size, time, x and y, little-endian.
        std::vector<uint8_t> side;
        for (auto [value, bytes] : {std::pair<uint64_t, int>{p->FileSize(), 4}, {p->FileTime(), 8}, {r[0], 4}, {r[1], 4}})
            for (int i = 0; i < bytes; i++) side.push_back((uint8_t)(value >> (8 * i)));
        EXPECT_EQ(ReadBytes(cached + ".dat"), side);
        EXPECT_NE(p->FileSize(), 0u);
    }
}

TEST_F(ThumbnailTest, CachedThumbnailComesBackWithoutDecodingAndStaysWithoutAPool) {
    // Smooth, so that the cache's JPEG keeps every pixel close.
    auto p = Make("a.jpg", 640, 480, [](int x, int y) { return (uint32_t)(x * 255 / 640) << 16 | (uint32_t)(y * 255 / 480) << 8 | 0x80u; });
    p->LoadForIcon();
    std::vector<uint16_t> made(p->IconRows()[0], p->IconRows()[0] + 120 * 120);
    p->FreeIcon();
    EXPECT_FALSE(p->HasIcon() || p->HasFlags(ICON_READY));
    int before = IconPool->FreeCount();
    EXPECT_EQ(p->LoadIcon(true), 1);  // far: confirmed, no slot
    EXPECT_FALSE(p->HasIcon());
    EXPECT_EQ(IconPool->FreeCount(), before);

    EXPECT_EQ(p->LoadIcon(false), 1);
    ASSERT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_EQ(IconRect(p.get()), (Rect{0, 15, 120, 90}));
    int differ = 0;
    for (int i = 0; i < 120 * 120; i++) {
        uint16_t a = made[i], b = p->IconRows()[0][i];
        // Red, green and blue each come back within a few steps.
        for (int shift : {11, 6, 0}) differ += std::abs(((a >> shift) & 31) - ((b >> shift) & 31)) > 3;
        differ += (a & 0x20) != (b & 0x20);
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(p->LoadIcon(false), 0);  // already ready

    // A pool that could not be made at start-up leaves IconPool empty:
    // thumbnails are skipped and the cache stays.
    p.reset(Entry(dir + "/a.jpg"));
    MemMgr_t* pool = IconPool;
    IconPool = nullptr;
    EXPECT_EQ(p->LoadIcon(false), 0);
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    p->LoadForIcon();
    EXPECT_FALSE(p->HasIcon() || p->HasFlags(ICON_READY | ICON_FOR_LOADING));
    EXPECT_TRUE(Exists(Cached(dir + "/a.jpg")) && Exists(Cached(dir + "/a.jpg.dat")));
    p.reset();
    IconPool = pool;
}

TEST_F(ThumbnailTest, ChangedPictureInvalidatesItsCache) {
    std::string file = dir + "/c.jpg";
    Make("c.jpg", 300, 200)->LoadForIcon();
    // Edited in place to the same size: only the newer time stamp tells.
    std::unique_ptr<Picture_t> same(Entry(file));
    same->SetFileInfo(same->FileSize(), same->FileTime() + 10000000);
    EXPECT_EQ(same->LoadIcon(true), 0);
    EXPECT_FALSE(Exists(Cached(file)));
    Make("c.jpg", 300, 200)->LoadForIcon();
    auto p = Make("c.jpg", 200, 300, [](int, int) { return 0x3060C0u; });
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_FALSE(Exists(Cached(file)) || Exists(Cached(file) + ".dat"));
    EXPECT_FALSE(p->HasFlags(ICON_CACHED));
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_EQ(IconRect(p.get()), (Rect{20, 0, 79, 119}));  // 100 x 150 after 1/2
}

TEST_F(ThumbnailTest, CacheThatDoesNotFitTheSlotIsRejectedAndRemade) {
    std::string file = dir + "/d.jpg";
    Screen(320, 480);  // made on a larger screen: 160 x 120
    auto p = Make("d.jpg", 400, 300);
    p->LoadForIcon();
    ASSERT_EQ(p->IconWidth(), 159);
    p.reset();
    Screen(240, 320);
    p.reset(Entry(file));
    EXPECT_EQ(p->LoadIcon(false), 0);  // ASan: nothing written outside the slot
    EXPECT_FALSE(p->HasFlags(ICON_READY));
    EXPECT_FALSE(Exists(Cached(file)));
    p->LoadForIcon();
    EXPECT_EQ(p->IconWidth(), 119);
    p->FreeIcon();
    EXPECT_EQ(p->LoadIcon(false), 1);

    p->FreeIcon();
    std::vector<uint8_t> side = ReadBytes(Cached(file) + ".dat");
    for (auto [at, value] : {std::pair{16, 0xF0}, {19, 0x80}}) {  // icon y far outside, or negative
        std::vector<uint8_t> bad = side;
        bad[at] = (uint8_t)value;
        WriteBytes(Cached(file) + ".dat", bad, 20);
        EXPECT_EQ(p->LoadIcon(false), 0) << at;
        EXPECT_FALSE(Exists(Cached(file) + ".dat"));
        if (at == 16) p->LoadForIcon(), p->FreeIcon();  // made again for the next case
    }
    WriteBytes(Cached(file) + ".dat", side, 7);  // short
    EXPECT_EQ(p->LoadIcon(true), 0);
}

// Cache names longer than a picture path (the root and the path together)
// are still cached: every folder along them is made.
TEST_F(ThumbnailTest, DeepPictureUnderALongCacheRootIsCached) {
    std::string deep = std::string(150, 'a') + "/" + std::string(150, 'b') + "/" + std::string(150, 'c');
    std::filesystem::create_directories(dir + "/" + deep);
    SetCache(dir + "/cache/" + std::string(200, 'r'));
    auto p = Make(deep + "/p.jpg", 64, 48);
    std::string cached = dir + "/cache/" + std::string(200, 'r') + dir + "/" + deep + "/p.jpg";
    ASSERT_GT(cached.size(), 700u);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_EQ(std::filesystem::file_size(cached + ".dat"), 20u);
}

// A loader asked to stop (a quit, a folder change) gives up the thumbnail
// it is making, also inside the one long step of a progressive file, and
// the picture is not taken for broken.
TEST_F(ThumbnailTest, StopRequestAbandonsTheThumbnailBeingMade) {
    std::atomic<int> stop{1};
    std::string progressive = std::string(LUMATRAY_TESTDATA) + "/jpeg/testimgp.jpg";
    for (std::string file : {progressive, std::string(LUMATRAY_TESTDATA) + "/jpeg/testorig.jpg"}) {
        SCOPED_TRACE(file);
        std::unique_ptr<Picture_t> p(Entry(file));
        {
            StopRequestScope scope(&stop, 1);
            p->LoadForIcon();
        }
        EXPECT_FALSE(p->HasFlags(ICON_READY | ICON_CACHED | ICON_FOR_LOADING | PIC_LOADED));
        p->LoadForIcon();  // no stop request on this thread any more
        EXPECT_TRUE(p->HasFlags(ICON_READY));
    }
    // The decoder itself gives up inside the one long step of a progressive
    // file: the first row, since the open reads only the header.
    StopRequestScope scope(&stop, 1);
    Jpeg_t decoder;
    ASSERT_EQ(decoder.Open(U16(progressive).c_str()), 1);
    std::vector<uint8_t> row((size_t)decoder.OutWidth * 4 + 16);
    EXPECT_EQ(decoder.ReadRow(row.data()), -1);
}

TEST_F(ThumbnailTest, UnwritableCacheStillShowsTheThumbnail) {
    std::ofstream(dir + "/plain") << "not a folder";
    SetCache(dir + "/plain/cache");
    auto p = Make("f.jpg", 400, 300);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_FALSE(p->HasFlags(ICON_CACHED));
    EXPECT_TRUE(headless::Boxes().empty());
    EXPECT_EQ(p->LoadIcon(true), 0);
}

TEST_F(ThumbnailTest, EntriesWithoutACacheWriteNone) {
    std::string bad = dir + "/h.jpg";
    std::ofstream(bad) << "no picture";
    std::unique_ptr<Picture_t> p(Entry(bad));  // the placeholder, and no thumbnail
    p->LoadForIcon();
    EXPECT_FALSE(p->HasFlags(ICON_READY | ICON_FOR_LOADING));
    EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    p = Make("i.jpg", 64, 64);
    p->SetFlags(NO_CACHE);
    p->LoadForIcon();
    EXPECT_EQ(p->LoadIcon(false), 0);
    EXPECT_FALSE(Exists(Cached(bad)) || Exists(Cached(dir + "/i.jpg")));
    Picture_t folder(KIND_FOLDER);
    folder.SetFileName(U16(dir).c_str());
    folder.LoadForIcon();
    EXPECT_EQ(folder.LoadIcon(false), 0);

    CachePath[0] = 0;  // no cache root: the picture itself is never touched
    auto size = std::filesystem::file_size(dir + "/i.jpg");
    p.reset(Entry(dir + "/i.jpg"));
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY));
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/i.jpg"), size);
}

// A progressive picture and its baseline twin (the same coefficients) give
// the same sizes, the same thumbnail place and nearly the same pixels,
// whether the thumbnail is made, the header read or the picture viewed at
// 1/8; a thumbnail made from scratch also gives the header's sizes.
TEST_F(ThumbnailTest, ProgressiveTwinGivesTheSameSizesAndThumbnail) {
    struct Result {
        std::array<int, 6> sizes;
        Rect icon;
        std::vector<uint16_t> pixels, view;
    } got[2];
    for (int progressive = 0; progressive < 2; progressive++) {
        std::string file = dir + (progressive ? "/prog.jpg" : "/base.jpg");
        ASSERT_TRUE(MakePhotoJpeg(file, 2400, 1800, progressive, true));
        MaxPicPixel = 2000000;
        std::unique_ptr<Picture_t> p(Entry(file)), header(Entry(file));
        EXPECT_EQ(p->LoadIcon(false), 0);
        p->LoadForIcon();
        ASSERT_TRUE(p->HasFlags(ICON_READY));
        header->LoadNow(true);
        Result& r = got[progressive];
        r.sizes = {p->DecodedWidth(), p->DecodedHeight(), p->SourceWidth(), p->SourceHeight(), p->Width(), p->Height()};
        EXPECT_EQ(r.sizes, (std::array<int, 6>{header->DecodedWidth(), header->DecodedHeight(), header->SourceWidth(),
                                                header->SourceHeight(), header->Width(), header->Height()}));
        r.icon = IconRect(p.get());
        r.pixels.assign(p->IconRows()[0], p->IconRows()[0] + 120 * 120);
        MaxPicPixel = 60000;  // the viewer at 1/8
        std::unique_ptr<Picture_t> view(Entry(file));
        view->LoadNow(false);
        ASSERT_EQ(std::pair(view->DecodedWidth(), view->DecodedHeight()), std::pair(300, 225));
        for (int y = 0; y < view->Height(); y++) r.view.insert(r.view.end(), view->Rows()[y], view->Rows()[y] + view->Width());
    }
    EXPECT_EQ(got[0].sizes, got[1].sizes);
    EXPECT_EQ(got[0].icon, (Rect{0, 15, 119, 89}));
    EXPECT_EQ(got[1].icon, got[0].icon);
    for (auto rows : {&Result::pixels, &Result::view}) {
        const std::vector<uint16_t>& a = got[0].*rows;
        const std::vector<uint16_t>& b = got[1].*rows;
        ASSERT_EQ(a.size(), b.size());
        double diff = 0;  // green, 5 bits; a 2 x 2 chroma block's shading differs
        for (size_t i = 0; i < a.size(); i++) diff += std::abs(((a[i] >> 6) & 31) - ((b[i] >> 6) & 31));
        EXPECT_LT(diff / a.size(), 0.5);
    }
}
