// Worker life across folder switches: the old pair ends, the new pair
// starts, nothing is left running or leaked (run under ASan and TSan).
#include "BrowserFixture.h"

namespace {

class WorkersTest : public BrowserTest {
protected:
    void WaitCount(int n) {
        for (int i = 0; i < 60000 && pm->Count < n; i++) plat::Sleep(1);
    }
    // count real pictures in pics/, thumbnails cached under cache/.
    void Pictures(int count) {
        IconPool = new MemMgr_t();
        CopyWide(U16(Path("cache")).c_str(), CachePath, kPathUnits);
        Dir("pics");
        for (int i = 0; i < count; i++)
            fs::copy_file(LUMATRAY_TESTDATA "/jpeg/testorig.jpg", Path("pics/p" + std::to_string(10 + i) + ".jpg"));
    }
    // Every entry gets the flag, read under the lock (a bounded poll).
    bool All(int flag) {
        for (int wait = 0; wait < 120000; wait++, plat::Sleep(1)) {
            pm->Pause(true);
            bool all = true;
            for (int i = 0; i < pm->Count; i++) all = all && pm->Pic[i]->HasFlags(flag);
            pm->Pause(false);
            if (all) return true;
        }
        return false;
    }
};
constexpr int kBoth = PM_SCAN_RUNNING | PM_LOADER_RUNNING;

// Switching while a large folder is still listed, then destroying the
// browser in the middle of a scan: it joins both workers before any entry
// goes.
TEST_F(WorkersTest, SwitchingFoldersOrDestroyingTheBrowserWhileAFolderIsStillListed) {
    for (int i = 0; i < 2000; i++) File("big/p" + std::to_string(1000 + i) + ".jpg");
    File("small/one.jpg");
    Dir("small/sub");
    ASSERT_TRUE(Open(Path("big")));
    EXPECT_EQ(pm->Flags & kBoth, kBoth);
    WaitCount(20);
    ASSERT_FALSE(pm->Flags & PM_SCAN_LISTED);  // still listing
    ASSERT_TRUE(Open(Path("small")));
    EXPECT_EQ(pm->Flags & kBoth, kBoth);
    EXPECT_FALSE(pm->Flags & (PM_SCAN_STOP | PM_LOADER_STOP));
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(Names(), (Names_t{"sub", "one.jpg"}));
    pm->StopWorkers();
    EXPECT_EQ(pm->Flags & ~PM_SCAN_LISTED, 0);
    pm->StopWorkers();  // nothing left to stop: returns at once

    ASSERT_TRUE(Open(Path("big")));
    WaitCount(5);
    delete pm;
    pm = nullptr;
}

// Entries removed from under a loader that is making their thumbnails: the
// removal waits for the loader to let go, and the loader goes on with the
// entries left.
TEST_F(WorkersTest, RemovingEntriesUnderTheLoaderLeavesTheRestToBeCached) {
    Pictures(24);
    // The loader starts at the selection (entry 0), which is the entry
    // removed each round, while the scanner is still adding.
    ASSERT_TRUE(Open(Path("pics")));
    for (int round = 0; round < 12; round++) {
        WaitCount(1);
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
    EXPECT_TRUE(All(ICON_CACHED));  // every thumbnail left gets made
}

// A loader that has covered the whole list idles until re-anchored: any
// change of the list starts it again from the focus, so that an entry
// replaced at the same count, or a thumbnail given back while the list
// shrinks, is made again without the selection moving.
TEST_F(WorkersTest, ChangesOfTheListRestartTheLoaderWalk) {
    Pictures(4);
    ASSERT_TRUE(Open(Path("pics")));
    ASSERT_TRUE(WaitListed());
    ASSERT_TRUE(All(ICON_READY));
    ASSERT_EQ(pm->Count, 4);
    plat::Sleep(50);  // the loader has gone idle past the end of the list

    pm->Pause(true);  // replaced, as a rotation replaces its entry
    Picture_t* fresh = new Picture_t(KIND_PICTURE);
    fresh->SetFileName(pm->Pic[2]->Path());
    pm->DestroyEntry(pm->Pic[2]);
    pm->Pic[2] = fresh;
    pm->Pause(false);
    ASSERT_TRUE(All(ICON_READY));
    plat::Sleep(50);

    pm->Pause(true);
    pm->Count = 3;
    pm->DestroyEntry(pm->Pic[3]);
    pm->Pic[0]->FreeIcon();
    pm->Pause(false);
    EXPECT_TRUE(All(ICON_READY));
}

}  // namespace
