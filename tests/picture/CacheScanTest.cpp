// The cache scan: mirrors of vanished folders and pictures go, the rest
// stays, and a quit ends it.
#include <fstream>

#include "PictureTestSupport.h"
#include "picture/CacheScan.h"

using CacheScanTest = PictureTest;

static void Touch(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "x";
}

TEST_F(CacheScanTest, RemovesWhatBelongsToVanishedPicturesAndFolders) {
    std::string pics = dir + "/pics";
    Touch(pics + "/kept.jpg");
    std::filesystem::create_directories(pics + "/sub");
    Touch(Cached(pics + "/kept.jpg"));
    Touch(Cached(pics + "/kept.jpg.dat"));
    Touch(Cached(pics + "/gone.jpg"));
    Touch(Cached(pics + "/gone.jpg.dat"));
    Touch(Cached(pics + "/gone.jpg.map"));
    Touch(Cached(pics + "/orphan.jpg.dat"));  // its thumbnail is gone already
    Touch(Cached(pics + "/deleted/a.jpg"));
    Touch(Cached(pics + "/deleted/a.jpg.dat"));
    Touch(Cached(pics + "/deleted/deeper/b.jpg"));
    Touch(Cached(pics + "/sub/c.jpg"));
    Touch(Cached(pics + "/notes.txt"));  // not a cache file: never deleted

    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_RUNNING);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);

    EXPECT_TRUE(std::filesystem::exists(Cached(pics + "/kept.jpg")));
    EXPECT_TRUE(std::filesystem::exists(Cached(pics + "/kept.jpg.dat")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/gone.jpg")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/gone.jpg.dat")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/gone.jpg.map")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/orphan.jpg.dat")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/deleted")));
    EXPECT_FALSE(std::filesystem::exists(Cached(pics + "/sub/c.jpg")));
    EXPECT_TRUE(std::filesystem::exists(Cached(pics + "/sub")));
    EXPECT_TRUE(std::filesystem::exists(Cached(pics + "/notes.txt")));
    EXPECT_TRUE(std::filesystem::exists(pics + "/kept.jpg"));
}

TEST_F(CacheScanTest, QuitStopsTheScanAtOnce) {
    Touch(Cached(dir + "/pics/gone.jpg"));
    AppFlags.fetch_or(APP_QUIT);
    plat::Thread* t = plat::StartThread(CacheScanThread, nullptr, 7);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_DONE) != 0; }));
    plat::JoinThread(t);
    EXPECT_TRUE(std::filesystem::exists(Cached(dir + "/pics/gone.jpg")));
}

TEST_F(CacheScanTest, QuitDuringTheScanEndsIt) {
    // A deep mirror: at 200 ms a folder the scan needs 40 s to reach the
    // bottom, so the quit arrives while it is under way.
    std::string deep = dir + "/pics";
    for (int i = 0; i < 200; i++) deep += "/d";
    Touch(Cached(deep + "/gone.jpg"));
    plat::Thread* t = plat::StartThread(CacheScanThread, nullptr, 7);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_RUNNING) != 0; }));
    AppFlags.fetch_or(APP_QUIT);
    EXPECT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_DONE) != 0; }));
    plat::JoinThread(t);
    EXPECT_TRUE(std::filesystem::exists(Cached(deep + "/gone.jpg")));
}

TEST_F(CacheScanTest, WithoutACacheRootNothingIsScanned) {
    CachePath[0] = 0;
    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);
}
