// Worker life across folder switches: the old pair ends, the new pair
// starts, nothing is left running or leaked (run under ASan and TSan).
#include "BrowserFixture.h"

namespace {

using WorkersTest = BrowserTest;

TEST_F(WorkersTest, SwitchingFoldersWhileALargeFolderIsStillListed) {
    char name[32];
    for (int i = 0; i < 2000; i++) {
        std::snprintf(name, sizeof name, "big/p%04d.jpg", i);
        tree.File(name);
    }
    tree.File("small/one.jpg");
    tree.Dir("small/sub");

    ASSERT_TRUE(Open(tree.Path("big")));
    EXPECT_EQ(pm->Flags & (PM_SCAN_RUNNING | PM_LOADER_RUNNING), PM_SCAN_RUNNING | PM_LOADER_RUNNING);
    for (int i = 0; i < 60000 && pm->Count < 20; i++) plat::Sleep(1);
    ASSERT_FALSE(pm->Flags & PM_SCAN_LISTED);  // still listing

    ASSERT_TRUE(Open(tree.Path("small")));
    EXPECT_EQ(pm->Flags & (PM_SCAN_RUNNING | PM_LOADER_RUNNING), PM_SCAN_RUNNING | PM_LOADER_RUNNING);
    EXPECT_FALSE(pm->Flags & (PM_SCAN_STOP | PM_LOADER_STOP));
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub", "one.jpg"}));

    pm->StopWorkers();
    EXPECT_EQ(pm->Flags & ~PM_SCAN_LISTED, 0);
    pm->StopWorkers();  // nothing left to stop: returns at once
}

TEST_F(WorkersTest, StoppingTheScannerAloneLeavesTheLoader) {
    tree.File("s/a.jpg");
    ASSERT_TRUE(Open(tree.Path("s")));
    pm->StopScanner();
    EXPECT_FALSE(pm->Flags & (PM_SCAN_RUNNING | PM_SCAN_STOP | PM_SCAN_ALIVE));
    EXPECT_TRUE(pm->Flags & PM_LOADER_RUNNING);
    // The next switch stops the loader and starts a fresh pair.
    ASSERT_TRUE(Open(tree.Path("s")));
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(pm->Count, 1);
}

TEST_F(WorkersTest, DestroyingTheBrowserMidScanStopsBoth) {
    char name[32];
    for (int i = 0; i < 500; i++) {
        std::snprintf(name, sizeof name, "m/f%03d", i);
        tree.Dir(name);
    }
    ASSERT_TRUE(Open(tree.Path("m")));
    for (int i = 0; i < 60000 && pm->Count < 5; i++) plat::Sleep(1);
    delete pm;  // joins both workers before any entry goes
    pm = nullptr;
}

}  // namespace

namespace {

// Entries removed from under a loader that is making their thumbnails:
// the removal waits for the loader to let go, and the loader goes on with
// the entries left (run under ASan and TSan).
class LoaderRemovalTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        IconPool = new MemMgr_t();
        std::u16string cache = U16(tree.Path("cache"));
        CopyWide(cache.c_str(), CachePath, kPathUnits);
    }
    void TearDown() override {
        BrowserTest::TearDown();
        delete IconPool;
        IconPool = nullptr;
        CachePath[0] = 0;
    }
};

TEST_F(LoaderRemovalTest, RemovingEntriesUnderTheLoaderLeavesTheRestToBeCached) {
    char name[32];
    for (int i = 0; i < 24; i++) {
        std::snprintf(name, sizeof name, "/p%02d.jpg", i);
        fs::create_directories(tree.Path("pics"));
        fs::copy_file(LUMATRAY_TESTDATA "/jpeg/testorig.jpg", tree.Path("pics") + name);
    }
    // The loader starts at the selection (entry 0), which is the entry
    // removed each round, while the scanner is still adding.
    ASSERT_TRUE(Open(tree.Path("pics")));
    for (int round = 0; round < 12; round++) {
        for (int wait = 0; wait < 60000 && pm->Count == 0; wait++) plat::Sleep(1);
        pm->Pause(true);
        int i = pm->Selected();
        ASSERT_LT(i, pm->Count);
        Picture_t* e = pm->Pic[i];
        for (int j = i; j + 1 < pm->Count; j++) pm->Pic[j] = pm->Pic[j + 1];
        pm->Count = pm->Count - 1;
        pm->DestroyEntry(e);
        pm->Pause(false);
        plat::Sleep(2);
    }
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(pm->Count, 12);
    // The loader carries on with the rest: every thumbnail gets made.
    bool all = false;
    for (int wait = 0; wait < 120000 && !all; wait++) {
        pm->Pause(true);
        all = true;
        for (int i = 0; i < pm->Count; i++) all = all && pm->Pic[i]->HasFlags(ICON_CACHED);
        pm->Pause(false);
        if (!all) plat::Sleep(1);
    }
    EXPECT_TRUE(all);
}

}  // namespace
