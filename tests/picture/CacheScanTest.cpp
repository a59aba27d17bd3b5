// The cache scan: mirrors of vanished folders and pictures go, the rest stays; a quit ends it.
#include <chrono>
#include <fstream>

#include "PictureTestSupport.h"
#include "picture/CacheScan.h"

using CacheScanTest = PictureTest;

static void Touch(const std::string& path, int bytes = 1) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << std::string((size_t)bytes, 'x');
}
// A thumbnail and its 20-byte side file, as the cache writes them.
static void TouchThumbnail(const std::string& path) { Touch(path); Touch(path + ".dat", 20); }

// Under the mirror of a vanished folder (as under a root pointed by hand at
// a picture folder) only the cache's own files go, never the user's.
TEST_F(CacheScanTest, RemovesWhatBelongsToVanishedPicturesAndFolders) {
    std::string pics = dir + "/pics", cache = Cached(pics);
    Touch(pics + "/kept.jpg");
    std::filesystem::create_directories(pics + "/sub");
    for (const char* thumbnail : {"/kept.jpg", "/gone.jpg", "/deleted/a.jpg", "/deleted/deeper/b.jpg", "/sub/c.jpg",
                                  "/Holiday/ours.jpg"})
        TouchThumbnail(cache + thumbnail);
    Touch(cache + "/gone.jpg.map");
    Touch(cache + "/orphan.jpg.dat", 20);  // its thumbnail is gone already
    Touch(cache + "/deleted/a.jpg.tmp");  // an unfinished write, long abandoned
    std::filesystem::last_write_time(cache + "/deleted/a.jpg.tmp",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
    Touch(cache + "/new.jpg.tmp");  // a thumbnail being written right now
    Touch(cache + "/notes.txt");  // not a cache file: never deleted
    Touch(cache + "/Holiday/beach.jpg");
    Touch(cache + "/Holiday/beach.jpg.dat", 5);  // not a side file of ours
    Touch(cache + "/Holiday/notes.dat", 20);     // not named after a picture
    Touch(cache + "/Holiday/sea.jpeg");
    Touch(cache + "/top.JPG");

    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);
    for (const char* kept : {"/kept.jpg", "/kept.jpg.dat", "/sub", "/notes.txt", "/new.jpg.tmp", "/Holiday/beach.jpg",
                             "/Holiday/beach.jpg.dat", "/Holiday/notes.dat", "/Holiday/sea.jpeg", "/top.JPG"})
        EXPECT_TRUE(Exists(cache + kept)) << kept;
    for (const char* gone : {"/gone.jpg", "/gone.jpg.dat", "/gone.jpg.map", "/orphan.jpg.dat", "/deleted", "/sub/c.jpg",
                             "/Holiday/ours.jpg", "/Holiday/ours.jpg.dat"})
        EXPECT_FALSE(Exists(cache + gone)) << gone;
    EXPECT_TRUE(Exists(pics + "/kept.jpg"));
    CachePath[0] = 0;  // no root: nothing scanned, and the scan still ends
    AppFlags.store(0);
    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);
}

// The cache lives off the drive: a drive not plugged in has lost nothing, and
// its thumbnails stay. Only what is gone from a mounted file system goes.
TEST_F(CacheScanTest, KeepsTheMirrorOfARemovableDriveThatIsNotPluggedIn) {
    std::string media = dir + "/media";
    std::filesystem::create_directories(media + "/Plain");  // a mount point left empty
    headless::SetRemovableMediaRoot(U16(media));
    for (const char* kept : {"/Stick/a.jpg", "/Plain/b.jpg"}) TouchThumbnail(Cached(media + kept));
    CacheScanThread(nullptr);
    headless::SetRemovableMediaRoot(u"");
    for (const char* kept : {"/Stick/a.jpg", "/Plain/b.jpg"}) EXPECT_TRUE(Exists(Cached(media + kept))) << kept;

    // The whole tree as the media root: /proc is mounted, so what is gone
    // from it is gone; a top folder with nothing mounted is only away.
    SetCache(dir + "/cache2");
    std::string gone = dir + "/cache2/proc/lumatray-no-such.jpg", away = dir + "/cache2/lumatray-away/c.jpg";
    for (const std::string& thumbnail : {gone, away}) TouchThumbnail(thumbnail);
    headless::SetRemovableMediaRoot(u"/");
    CacheScanThread(nullptr);
    headless::SetRemovableMediaRoot(u"");
    EXPECT_TRUE(!Exists(gone) && Exists(away));
}

TEST_F(CacheScanTest, QuitDuringTheScanEndsIt) {
    // A deep mirror (at 200 ms a folder, 40 s to the bottom): the quit comes while it is under way.
    std::string deep = dir + "/pics";
    for (int i = 0; i < 200; i++) deep += "/d";
    TouchThumbnail(Cached(deep + "/gone.jpg"));
    plat::Thread* t = plat::StartThread(CacheScanThread, nullptr, 7);
    ASSERT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_RUNNING) != 0; }));
    AppFlags.fetch_or(APP_QUIT);
    EXPECT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_DONE) != 0; }));
    plat::JoinThread(t);
    EXPECT_TRUE(Exists(Cached(deep + "/gone.jpg")));
}
