// Threads, ticks and the memory figure through the platform layer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/Platform.h"

namespace {

struct Probe {
    std::atomic<int> startNice{-100};
    std::atomic<bool> lower{false};
    std::atomic<int> loweredNice{-100};
};

int OwnNice() { return getpriority(PRIO_PROCESS, (id_t)syscall(SYS_gettid)); }

int Watch(void* p) {
    Probe* probe = (Probe*)p;
    probe->startNice = OwnNice();
    // Bounded: the test lowers the priority at once.
    for (int i = 0; i < 20000 && !probe->lower; i++) plat::Sleep(1);
    for (int i = 0; i < 20000 && OwnNice() != 19; i++) plat::Sleep(1);
    probe->loweredNice = OwnNice();
    return 0;
}

TEST(Threads, PriorityBecomesTheThreadsOwnNiceValue) {
    int base = OwnNice();
    Probe probe;
    plat::Thread* t = plat::StartThread(Watch, &probe, 6);
    ASSERT_NE(t, nullptr);
    for (int i = 0; i < 20000 && probe.startNice == -100; i++) plat::Sleep(1);
    // Priority 6 is nice 10 (an unprivileged thread can always go lower).
    EXPECT_EQ(probe.startNice.load(), base > 10 ? base : 10);
    plat::SetThreadPriority(t, 7);
    probe.lower = true;
    plat::JoinThread(t);
    EXPECT_EQ(probe.loweredNice.load(), 19);
    EXPECT_EQ(OwnNice(), base);  // the starting thread is untouched
}

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

}  // namespace
