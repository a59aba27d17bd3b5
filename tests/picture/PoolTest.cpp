// The thumbnail pool: slot count, first-free lending, exhaustion.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "PictureTestSupport.h"

using PoolTest = PictureTest;

static bool AllTransparent(uint16_t** rows) {
    for (int i = 0; i < 120 * 120; i++)
        if (rows[i / 120][i % 120] != 0x0020) return false;
    return true;
}

TEST_F(PoolTest, SlotCountFollowsTheIconSize) {
    EXPECT_EQ(IconPool->SlotCount(), 109);  // IconSize 120
    int saved = IconSize;
    for (auto [size, slots] : {std::pair{240, 27}, {400, 20}}) {  // 20 is the floor
        IconSize = size;
        EXPECT_EQ(MemMgr_t().SlotCount(), slots) << size;
    }
    IconSize = saved;
}

TEST_F(PoolTest, LendsDistinctTransparentSlotsAndTakesThemBack) {
    std::vector<uint16_t**> lent;
    std::set<uint16_t*> pixels;
    for (int i = 0; i < 109; i++) {
        lent.push_back(IconPool->AllocIconMap());
        ASSERT_TRUE(AllTransparent(lent.back()));
        lent.back()[0][0] = 0x1234;  // dirty it for the re-lending check
        pixels.insert(lent.back()[0]);
    }
    EXPECT_EQ(pixels.size(), 109u);
    EXPECT_EQ(IconPool->FreeCount(), 0);
    IconPool->FreeIconMap(lent[40]);
    IconPool->FreeIconMap(lent[7]);
    uint16_t** again = IconPool->AllocIconMap();
    EXPECT_EQ(again, lent[7]);  // the lowest free index first
    EXPECT_TRUE(AllTransparent(again));
    uint16_t* foreign[120] = {};
    IconPool->FreeIconMap(foreign);
    IconPool->FreeIconMap(lent[40]);  // a second return counts once
    EXPECT_EQ(IconPool->FreeCount(), 1);
}

// The loader and the interface thread take and return slots at once: no
// slot is ever lent twice, and the count comes back whole (ThreadSanitizer
// sees any access outside the lock).
TEST_F(PoolTest, TwoThreadsTakingAndReturningSlotsNeverShareOne) {
    std::atomic<int> clashes{0};
    auto churn = [&](uint16_t mark) {
        std::vector<uint16_t**> held;
        for (int round = 0; round < 300; round++) {
            for (int i = 0; i < 50; i++) {
                held.push_back(IconPool->AllocIconMap());
                held.back()[0][0] = mark;
            }
            for (uint16_t** rows : held) {
                clashes += rows[0][0] != mark;
                IconPool->FreeIconMap(rows);
            }
            held.clear();
        }
    };
    std::thread a(churn, 0x1111), b(churn, 0x2222);
    a.join();
    b.join();
    EXPECT_EQ(clashes.load(), 0);
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

TEST_F(PoolTest, ExhaustionEndsTheProcess) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        headless::QueueBoxAnswer(plat::ID_OK);
        for (int i = 0; i < 110; i++) IconPool->AllocIconMap();
        _exit(0);  // not reached when the 110th call is fatal
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}
