// Thumbnails: geometry, the cache files, validation and remaking.
#include <atomic>
#include <fstream>
#include <vector>

#include "PictureTestSupport.h"
#include "util/StopRequest.h"

using ThumbnailTest = PictureTest;
using Rect = std::array<int, 4>;  // x, y, width, height

static Rect IconRect(Picture_t* p) { return {p->IconX(), p->IconY(), p->IconWidth(), p->IconHeight()}; }

TEST_F(ThumbnailTest, ThumbnailIsCentredWithoutHolesAndCachedWithItsSideFile) {
    std::filesystem::create_directories(dir + "/pics");
    // A panorama still gets a line: 3840 x 20 is read at 1/2, 1920 x 10.
    for (auto [w, h, r] : {std::tuple{2048, 1536, Rect{0, 15, 120, 90}}, {100, 50, Rect{0, 30, 119, 59}},
                           {3840, 20, Rect{0, 59, 120, 1}}, {20, 3840, Rect{59, 0, 1, 120}}}) {
        SCOPED_TRACE(w);
        auto p = Make("pics/" + std::to_string(w) + ".jpg", w, h);
        ASSERT_EQ(p->LoadIcon(false), 0);
        p->LoadForIcon();
        EXPECT_TRUE(p->HasFlags(ICON_READY) && p->HasFlags(ICON_CACHED) && !p->HasFlags(ICON_FOR_LOADING));
        EXPECT_EQ(IconRect(p.get()), r);
        EXPECT_EQ(std::pair(p->SourceWidth(), p->SourceHeight()), std::pair(w, h));  // the same open's header
        int inside = 0, outside = 0;  // transparent pixels
        for (int y = 0; y < 120; y++)
            for (int x = 0; x < 120; x++)
                if (p->IconRows()[y][x] & 0x20)
                    (x >= r[0] && x < r[0] + r[2] && y >= r[1] && y < r[1] + r[3] ? inside : outside)++;
        EXPECT_EQ(std::pair(inside, outside), std::pair(0, 120 * 120 - r[2] * r[3]));
        std::string cached = Cached(dir + "/pics/" + std::to_string(w) + ".jpg");
        Jpeg_t jpeg;
        ASSERT_GT(jpeg.Open(U16(cached).c_str()), 0);
        EXPECT_EQ(std::pair((int)jpeg.OutWidth, (int)jpeg.OutHeight), std::pair(r[2], r[3]));
        std::string side;  // size, time, x and y, little-endian
        for (auto [value, bytes] : {std::pair<uint64_t, int>{p->FileSize(), 4}, {p->FileTime(), 8}, {r[0], 4}, {r[1], 4}})
            for (int i = 0; i < bytes; i++) side.push_back((char)(uint8_t)(value >> (8 * i)));
        EXPECT_EQ(ReadBytes(cached + ".dat"), side);
    }
}

TEST_F(ThumbnailTest, CachedThumbnailComesBackWithoutDecodingAndStaysWithoutAPool) {
    // Smooth, so that the cache's JPEG keeps every pixel close.
    auto p = Make("a.jpg", 640, 480, [](int x, int y) { return (uint32_t)(x * 255 / 640) << 16 | (uint32_t)(y * 255 / 480) << 8 | 0x80u; });
    p->LoadForIcon();
    std::vector<uint16_t> made(p->IconRows()[0], p->IconRows()[0] + 120 * 120);
    p->FreeIcon();
    EXPECT_EQ(p->LoadIcon(true), 1);  // far: confirmed, no slot
    EXPECT_FALSE(p->HasIcon());
    EXPECT_EQ(p->LoadIcon(false), 1);
    EXPECT_EQ(IconRect(p.get()), (Rect{0, 15, 120, 90}));
    int differ = 0;  // red, green and blue each come back within a few steps
    for (int i = 0; i < 120 * 120; i++) {
        uint16_t a = made[i], b = p->IconRows()[0][i];
        for (int shift : {11, 6, 0}) differ += std::abs(((a >> shift) & 31) - ((b >> shift) & 31)) > 3;
        differ += ((a ^ b) & 0x20) != 0;
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(p->LoadIcon(false), 0);  // already ready

    p.reset(Entry(dir + "/a.jpg"));  // no pool (start-up could not make it): no thumbnail, the cache stays
    MemMgr_t* pool = std::exchange(IconPool, nullptr);
    EXPECT_TRUE(p->LoadIcon(false) == 0 && p->HasFlags(ICON_CACHED));
    p->LoadForIcon();
    EXPECT_FALSE(p->HasIcon() || p->HasFlags(ICON_READY | ICON_FOR_LOADING));
    EXPECT_TRUE(Exists(Cached(dir + "/a.jpg")) && Exists(Cached(dir + "/a.jpg.dat")));
    p.reset();
    IconPool = pool;
}

// A cache entry that does not fit any more (made for a larger slot, a side file damaged or
// short, the picture changed in size or only in time) is deleted and made again.
TEST_F(ThumbnailTest, InvalidCacheIsDeletedAndMadeAgain) {
    std::string file = dir + "/c.jpg";
    Screen(320, 480);  // made on a larger screen: 160 x 120
    Make("c.jpg", 400, 300)->LoadForIcon();
    Screen(240, 320);
    std::unique_ptr<Picture_t> p(Entry(file));
    EXPECT_EQ(p->LoadIcon(false), 0);  // ASan: nothing written outside the slot
    EXPECT_FALSE(p->HasFlags(ICON_READY) || Exists(Cached(file)));
    p->LoadForIcon();
    EXPECT_EQ(p->IconWidth(), 119);
    p->FreeIcon();
    EXPECT_EQ(p->LoadIcon(false), 1);
    p->FreeIcon();
    std::string side = ReadBytes(Cached(file) + ".dat");
    for (auto [at, value] : {std::pair{16, 0xF0}, {19, 0x80}}) {  // icon y far outside, or negative
        std::string bad = side;
        bad[at] = (char)value;
        WriteBytes(Cached(file) + ".dat", bad);
        EXPECT_EQ(p->LoadIcon(false), 0) << at;
        EXPECT_FALSE(Exists(Cached(file) + ".dat"));
        p->LoadForIcon();  // made again for the next case
        p->FreeIcon();
    }
    WriteBytes(Cached(file) + ".dat", side.substr(0, 7));  // short
    EXPECT_EQ(p->LoadIcon(true), 0);
    p->LoadForIcon();
    p->FreeIcon();
    WriteBytes(Cached(file), ReadBytes(Cached(file)).substr(0, 400));  // the thumbnail cut inside its header
    EXPECT_TRUE(p->LoadIcon(false) == 0 && !p->HasIcon() && !Exists(Cached(file)));
    p->LoadForIcon();

    p = Make("c.jpg", 200, 300, [](int, int) { return 0x3060C0u; });
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_FALSE(Exists(Cached(file)) || Exists(Cached(file) + ".dat") || p->HasFlags(ICON_CACHED));
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_CACHED));
    EXPECT_EQ(IconRect(p.get()), (Rect{20, 0, 79, 119}));  // 100 x 150 after 1/2
    p.reset(Entry(file));  // edited in place to the same size: only the newer time tells
    p->SetFileInfo(p->FileSize(), p->FileTime() + 10000000);
    EXPECT_EQ(p->LoadIcon(true), 0);
    EXPECT_FALSE(Exists(Cached(file)));
}

// A loader asked to stop (a quit, a folder change) gives up the thumbnail it is
// making, also inside the one long step of a progressive file; not as broken.
TEST_F(ThumbnailTest, StopRequestAbandonsTheThumbnailBeingMade) {
    std::atomic<int> stop{1};
    std::string progressive = std::string(LUMATRAY_TESTDATA) + "/jpeg/testimgp.jpg";
    for (std::string file : {progressive, std::string(LUMATRAY_TESTDATA) + "/jpeg/testorig.jpg"}) {
        std::unique_ptr<Picture_t> p(Entry(file));
        { StopRequestScope scope(&stop, 1); p->LoadForIcon(); }
        EXPECT_FALSE(p->HasFlags(ICON_READY | ICON_CACHED | ICON_FOR_LOADING | PIC_LOADED)) << file;
        p->LoadForIcon();  // no stop request on this thread any more
        EXPECT_TRUE(p->HasFlags(ICON_READY));
    }
}

// An unwritable cache, no cache root, a skin entry, a file that does not
// open and a folder: the thumbnail (if any) is shown and nothing written.
TEST_F(ThumbnailTest, EntriesWithoutACacheWriteNone) {
    std::ofstream(dir + "/plain") << "not a folder";
    SetCache(dir + "/plain/cache");
    auto p = Make("f.jpg", 400, 300);
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY) && !p->HasFlags(ICON_CACHED) && headless::Boxes().empty());
    SetCache(dir + "/cache");
    std::string bad = dir + "/h.jpg";
    std::ofstream(bad) << "no picture";
    p.reset(Entry(bad));  // the placeholder, and no thumbnail
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(PIC_LOADED) && !p->HasFlags(ICON_READY | ICON_FOR_LOADING));
    p = Make("i.jpg", 64, 64);
    p->SetFlags(NO_CACHE);
    p->LoadForIcon();
    EXPECT_TRUE(p->LoadIcon(false) == 0 && !p->HasIcon());
    EXPECT_FALSE(Exists(Cached(bad)) || Exists(Cached(dir + "/i.jpg")));
    Picture_t folder(KIND_FOLDER);
    folder.SetFileName(U16(dir).c_str());
    folder.LoadForIcon();
    EXPECT_TRUE(folder.LoadIcon(false) == 0 && !folder.HasIcon());
    CachePath[0] = 0;  // no cache root: the picture itself is never touched
    auto size = std::filesystem::file_size(dir + "/i.jpg");
    p.reset(Entry(dir + "/i.jpg"));
    p->LoadForIcon();
    EXPECT_TRUE(p->HasFlags(ICON_READY) && p->LoadIcon(true) == 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/i.jpg"), size);
}
