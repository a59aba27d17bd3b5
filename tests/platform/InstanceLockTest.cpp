#include <gtest/gtest.h>

#include <atomic>

#include "platform/Platform.h"
#include "platform/posix/InstanceLock.h"
#include "tests/support/TempFolder.h"

namespace {

std::atomic<int> raises{0};
void CountRaise() { raises++; }

TEST(InstanceLock, SecondInstanceWakesTheFirstAndGivesUp) {
    TempFolder t;
    raises = 0;
    plat::InstanceLock* first = plat::AcquireInstanceLock(t.Path().c_str(), CountRaise);
    ASSERT_NE(first, nullptr);
    // A second lock on the same file (as another process would take it).
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise), nullptr);
    for (int i = 0; i < 10000 && raises == 0; i++) plat::Sleep(1);
    EXPECT_EQ(raises.load(), 1);
    plat::ReleaseInstanceLock(first);
    // Released: the next start runs.
    plat::InstanceLock* again = plat::AcquireInstanceLock(t.Path().c_str(), CountRaise);
    EXPECT_NE(again, nullptr);
    plat::ReleaseInstanceLock(again);
}

TEST(InstanceLock, UnusableFolderStillLetsTheProgramStart) {
    plat::InstanceLock* l = plat::AcquireInstanceLock("/nonexistent/folder", CountRaise);
    EXPECT_NE(l, nullptr);
    plat::ReleaseInstanceLock(l);
    char folder[256];
    EXPECT_TRUE(plat::DefaultInstanceFolder(folder, sizeof folder));
}

}  // namespace
