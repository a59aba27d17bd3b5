#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

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

}  // namespace
