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
