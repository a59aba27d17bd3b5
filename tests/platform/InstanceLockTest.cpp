#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/InstanceLock.h"
#include "tests/support/TempFolder.h"

namespace {

// The paths of the raise requests, in order, and their count.
std::mutex handedLock;
std::vector<std::string> handed;
std::atomic<int> raises{0};
void CountRaise(const char* path) {
    std::lock_guard<std::mutex> hold(handedLock);
    handed.push_back(path);
    raises++;
}
void WaitForRaises(int n) {
    for (int i = 0; i < 10000 && raises < n; i++) plat::Sleep(1);
}

// A client of the running instance's socket.
int Connect(const TempFolder& t) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/lumatray.sock", t.Path().c_str());
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(connect(s, (sockaddr*)&addr, sizeof addr), 0);
    return s;
}

// A later start wakes the first and hands over the path it was given,
// whatever its bytes (a Linux name need not be UTF-8); a request that is
// not an absolute path, or that never ends, shows nothing but costs no
// later request. Once released, the next start runs.
TEST(InstanceLock, SecondInstanceHandsOverItsPathAndGivesUp) {
    TempFolder t;
    raises = 0;
    handed.clear();
    plat::InstanceLock* first = plat::AcquireInstanceLock(t.Path().c_str(), CountRaise);
    ASSERT_NE(first, nullptr);
    const std::string odd = "/home/ann/Trip 2024/caf\xc3\xa9 \xff.jpg";
    const std::string longest = "/" + std::string(plat::kHandedPathBytes - 2, 'a');
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise, odd.c_str()), nullptr);
    WaitForRaises(1);
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise, longest.c_str()), nullptr);
    WaitForRaises(2);
    for (const std::string& bad : {std::string("orelative.jpg"), std::string("x/a.jpg")}) {
        int s = Connect(t);
        ASSERT_EQ(write(s, bad.data(), bad.size()), (ssize_t)bad.size());
        close(s);
    }
    // Says half a path and falls silent: dropped after the wait.
    int stalled = Connect(t);
    ASSERT_EQ(write(stalled, "o/tmp/half", 10), 10);
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise, "/tmp"), nullptr);
    WaitForRaises(3);
    close(stalled);
    plat::ReleaseInstanceLock(first);
    EXPECT_EQ(handed, (std::vector<std::string>{odd, longest, "/tmp"}));
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
    int silent = Connect(t);
    EXPECT_EQ(plat::AcquireInstanceLock(t.Path().c_str(), CountRaise), nullptr);
    WaitForRaises(1);
    EXPECT_EQ(raises.load(), 1);
    // Connected again and silent while the lock is released: the release
    // used to wait for the client for good. Bounded generously.
    int silent2 = Connect(t);
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
