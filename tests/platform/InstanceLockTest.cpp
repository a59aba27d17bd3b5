#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>

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

// A client that connects and says nothing neither blocks the next raise
// request nor keeps the process from ending.
TEST(InstanceLock, SilentClientDelaysNothing) {
    TempFolder t;
    raises = 0;
    plat::InstanceLock* first = plat::AcquireInstanceLock(t.Path().c_str(), CountRaise);
    ASSERT_NE(first, nullptr);
    int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/lumatray.sock", t.Path().c_str());
    ASSERT_EQ(connect(silent, (sockaddr*)&addr, sizeof addr), 0);
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise), nullptr);
    for (int i = 0; i < 10000 && raises == 0; i++) plat::Sleep(1);
    EXPECT_EQ(raises.load(), 1);

    // Connected again and silent while the lock is released: the release
    // used to wait for the client for good. Bounded generously.
    int silent2 = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(silent2, (sockaddr*)&addr, sizeof addr), 0);
    plat::Sleep(20);  // the listener is now waiting for its byte
    auto released = std::async(std::launch::async, [first] { plat::ReleaseInstanceLock(first); });
    bool ended = released.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    close(silent);
    close(silent2);
    EXPECT_TRUE(ended);
}

TEST(InstanceLock, UnusableFolderStillLetsTheProgramStart) {
    plat::InstanceLock* l = plat::AcquireInstanceLock("/nonexistent/folder", CountRaise);
    EXPECT_NE(l, nullptr);
    plat::ReleaseInstanceLock(l);
    char folder[256];
    EXPECT_TRUE(plat::DefaultInstanceFolder(folder, sizeof folder));
}

}  // namespace
