// The message loop, ticks, the memory figure and the single-instance lock
// through the platform layer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Headless.h"
#include "platform/Platform.h"
#include "platform/posix/InstanceLock.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(Time, TickComparisonsSurviveTheWrap) {
    EXPECT_TRUE(plat::TickAfter(5u, 0xFFFFFFF0u));
    EXPECT_FALSE(plat::TickAfter(0xFFFFFFF0u, 5u));
    EXPECT_FALSE(plat::TickAfter(7u, 7u));
    uint32_t deadline = 0xFFFFFF00u + 500u;  // wraps past zero
    EXPECT_FALSE(plat::TickAfter(0xFFFFFF00u, deadline));
    EXPECT_TRUE(plat::TickAfter(deadline + 1, deadline));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Sanitizers reserve terabytes of address space: an address-space limit
// cannot be set under them.
[[noreturn]] void CheckUnderLimit() {
    FILE* f = fopen("/proc/self/statm", "r");
    unsigned long long pages = 0;
    if (!f || fscanf(f, "%llu", &pages) != 1) _exit(2);
    fclose(f);
    uint64_t used = pages * (uint64_t)sysconf(_SC_PAGESIZE);
    uint64_t room = (4ULL << 30) + (256ULL << 20);  // 4.25 GiB
    struct rlimit rl = {(rlim_t)(used + room), (rlim_t)(used + room)};
    if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(3);
    uint64_t a = plat::AvailableMemory();
    // A 32-bit wrap would give about 256 MiB.
    fprintf(stderr, "available %llu\n", (unsigned long long)a);
    _exit(a > (4ULL << 30) && a <= room ? 0 : 1);
}

TEST(MemoryDeathTest, AddressSpaceLimitAboveFourGigabytesDoesNotWrap) {
    ASSERT_GT(plat::AvailableMemory(), 0u);
    if (plat::AvailableMemory() < (5ULL << 30)) GTEST_SKIP() << "needs more than 5 GiB available";
    EXPECT_EXIT(CheckUnderLimit(), testing::ExitedWithCode(0), "available");
}
#endif

std::vector<uint32_t> seen;
int paints;

intptr_t Inner(uint32_t msg, uintptr_t wparam, intptr_t) {
    seen.push_back(msg);
    if (msg == plat::MSG_COMMAND && wparam == 1) plat::EndLoop(7);
    if (msg == plat::MSG_COMMAND && wparam == 2) plat::PostQuit(3);
    return 0;
}

intptr_t Outer(uint32_t msg, uintptr_t wparam, intptr_t) {
    seen.push_back(msg);
    if (msg == plat::MSG_COMMAND && wparam == 9) {
        EXPECT_EQ(plat::RunLoop(Inner), 7);
    }
    if (msg == plat::MSG_COMMAND && wparam == 8) plat::RunLoop(Inner);
    if (msg == plat::MSG_PAINT) paints++;
    return 0;
}

TEST(HeadlessLoop, NestedLoopEndsAloneAndQuitEndsAll) {
    headless::Reset(240, 320);
    seen.clear();
    plat::PostMessage(plat::MSG_COMMAND, 9);    // opens the inner loop
    plat::PostMessage(plat::MSG_KEYDOWN, 13);   // handled by the inner loop
    plat::PostMessage(plat::MSG_COMMAND, 1);    // ends the inner loop only
    plat::PostMessage(plat::MSG_COMMAND, 8);    // a second inner loop
    plat::PostMessage(plat::MSG_COMMAND, 2);    // quit from inside it
    plat::PostMessage(plat::MSG_KEYDOWN, 37);   // queued before the quit: still delivered
    EXPECT_EQ(plat::RunLoop(Outer), 3);
    std::vector<uint32_t> expected = {plat::MSG_COMMAND, plat::MSG_KEYDOWN, plat::MSG_COMMAND, plat::MSG_COMMAND,
                                      plat::MSG_COMMAND, plat::MSG_KEYDOWN};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(headless::LoopRunning());
}

TEST(HeadlessLoop, PaintsCoalesceAndPostsFromThreadsArrive) {
    headless::Reset(240, 320);
    paints = 0;
    seen.clear();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; t++)
        workers.emplace_back([] {
            for (int i = 0; i < 1000; i++) {
                plat::PostMessage(plat::MSG_PAINT);
                plat::PostMessage(41001);
            }
        });
    for (auto& w : workers) w.join();
    plat::PostQuit(0);
    EXPECT_EQ(plat::RunLoop(Outer), 0);
    EXPECT_EQ(paints, 1);  // all posted before the loop ran: one pending at a time
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 41001u), 4000);
    // Taken paints allow the next one.
    plat::PostMessage(plat::MSG_PAINT);
    plat::PostQuit(0);
    plat::RunLoop(Outer);
    EXPECT_EQ(paints, 2);
}

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
    {
        std::lock_guard<std::mutex> hold(handedLock);
        EXPECT_EQ(handed, (std::vector<std::string>{odd, longest, "/tmp"}));
    }
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
