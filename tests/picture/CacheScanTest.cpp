// The cache scan: mirrors of vanished folders and pictures go, the rest
// stays, and a quit ends it.
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
static void TouchThumbnail(const std::string& path) {
    Touch(path);
    Touch(path + ".dat", 20);
}

TEST_F(CacheScanTest, RemovesWhatBelongsToVanishedPicturesAndFolders) {
    std::string pics = dir + "/pics", cache = Cached(pics);
    Touch(pics + "/kept.jpg");
    std::filesystem::create_directories(pics + "/sub");
    TouchThumbnail(cache + "/kept.jpg");
    TouchThumbnail(cache + "/gone.jpg");
    Touch(cache + "/gone.jpg.map");
    Touch(cache + "/orphan.jpg.dat", 20);  // its thumbnail is gone already
    TouchThumbnail(cache + "/deleted/a.jpg");
    Touch(cache + "/deleted/a.jpg.tmp");  // an unfinished write, long abandoned
    std::filesystem::last_write_time(cache + "/deleted/a.jpg.tmp",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
    Touch(cache + "/new.jpg.tmp");  // a thumbnail being written right now
    TouchThumbnail(cache + "/deleted/deeper/b.jpg");
    TouchThumbnail(cache + "/sub/c.jpg");
    Touch(cache + "/notes.txt");  // not a cache file: never deleted

    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);
    for (const char* kept : {"/kept.jpg", "/kept.jpg.dat", "/sub", "/notes.txt", "/new.jpg.tmp"})
        EXPECT_TRUE(Exists(cache + kept)) << kept;
    for (const char* gone : {"/gone.jpg", "/gone.jpg.dat", "/gone.jpg.map", "/orphan.jpg.dat", "/deleted", "/sub/c.jpg"})
        EXPECT_FALSE(Exists(cache + gone)) << gone;
    EXPECT_TRUE(Exists(pics + "/kept.jpg"));
}

TEST_F(CacheScanTest, CacheRootOverPicturesOfTheUserDeletesNone) {
    // A root pointed (by hand) at a picture folder: its sub-folders mirror
    // nothing on the device, yet only the cache's own files may go.
    std::string root = dir + "/mine";
    SetCache(root);
    Touch(root + "/Holiday/beach.jpg");
    Touch(root + "/Holiday/beach.jpg.dat", 5);   // not a side file of ours
    Touch(root + "/Holiday/notes.dat", 20);      // not named after a picture
    Touch(root + "/Holiday/sea.jpeg");
    Touch(root + "/top.JPG");
    TouchThumbnail(root + "/Holiday/ours.jpg");  // a real thumbnail still goes

    CacheScanThread(nullptr);
    for (const char* kept : {"/Holiday/beach.jpg", "/Holiday/beach.jpg.dat", "/Holiday/notes.dat",
                             "/Holiday/sea.jpeg", "/top.JPG"})
        EXPECT_TRUE(Exists(root + kept)) << kept;
    EXPECT_FALSE(Exists(root + "/Holiday/ours.jpg") || Exists(root + "/Holiday/ours.jpg.dat"));
    CachePath[0] = 0;  // no root: nothing scanned, and the scan still ends
    AppFlags.store(0);
    CacheScanThread(nullptr);
    EXPECT_TRUE(AppFlags.load() & APP_SCAN_DONE);
}

// The cache lives off the drive: a drive that is not plugged in has lost
// nothing, and its thumbnails stay. Only what is gone from a mounted file
// system is purged.
TEST_F(CacheScanTest, KeepsTheMirrorOfARemovableDriveThatIsNotPluggedIn) {
    std::string media = dir + "/media";
    std::filesystem::create_directories(media + "/Plain");  // a mount point left empty
    headless::SetRemovableMediaRoot(U16(media));
    for (const char* kept : {"/Stick/a.jpg", "/Plain/b.jpg"}) TouchThumbnail(Cached(media + kept));
    CacheScanThread(nullptr);
    headless::SetRemovableMediaRoot(u"");
    for (const char* kept : {"/Stick/a.jpg", "/Plain/b.jpg"}) EXPECT_TRUE(Exists(Cached(media + kept))) << kept;

    // With the whole tree as the media root: /proc is mounted, so what is
    // gone from it is gone; a top folder with nothing mounted is only away.
    SetCache(dir + "/cache2");
    std::string gone = dir + "/cache2/proc/lumatray-no-such.jpg", away = dir + "/cache2/lumatray-away/c.jpg";
    TouchThumbnail(gone);
    TouchThumbnail(away);
    headless::SetRemovableMediaRoot(u"/");
    AppFlags.store(0);
    CacheScanThread(nullptr);
    headless::SetRemovableMediaRoot(u"");
    EXPECT_FALSE(Exists(gone));
    EXPECT_TRUE(Exists(away));
}

TEST_F(CacheScanTest, QuitDuringTheScanEndsIt) {
    // A deep mirror: at 200 ms a folder the scan needs 40 s to reach the
    // bottom, so the quit arrives while it is under way.
    std::string deep = dir + "/pics";
    for (int i = 0; i < 200; i++) deep += "/d";
    TouchThumbnail(Cached(deep + "/gone.jpg"));
    plat::Thread* t = plat::StartThread(CacheScanThread, nullptr, 7);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_RUNNING) != 0; }));
    AppFlags.fetch_or(APP_QUIT);
    EXPECT_TRUE(Eventually([] { return (AppFlags.load() & APP_SCAN_DONE) != 0; }));
    plat::JoinThread(t);
    EXPECT_TRUE(Exists(Cached(deep + "/gone.jpg")));
}
