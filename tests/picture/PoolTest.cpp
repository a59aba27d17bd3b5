// The thumbnail pool: first-free lending, returns, two threads at once.
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "PictureTestSupport.h"

using PoolTest = PictureTest;

static bool AllTransparent(uint16_t** rows) { return std::count(rows[0], rows[0] + 120 * 120, 0x0020) == 120 * 120; }

TEST_F(PoolTest, LendsDistinctTransparentSlotsAndTakesThemBack) {
    ASSERT_EQ(IconPool->SlotCount(), 109);  // IconSize 120
    std::vector<uint16_t**> lent;
    std::set<uint16_t*> pixels;
    for (int i = 0; i < 109; i++) {
        lent.push_back(IconPool->AllocIconMap());
        ASSERT_TRUE(AllTransparent(lent.back()));
        pixels.insert(lent.back()[0]);
        lent.back()[0][0] = 0x1234;  // dirty it for the re-lending check
    }
    EXPECT_EQ(std::pair(pixels.size(), IconPool->FreeCount()), (std::pair<size_t, int>(109, 0)));
    IconPool->FreeIconMap(lent[40]);
    IconPool->FreeIconMap(lent[7]);
    uint16_t** again = IconPool->AllocIconMap();
    EXPECT_TRUE(again == lent[7] && AllTransparent(again));  // the lowest free index first
    uint16_t* foreign[120] = {};
    IconPool->FreeIconMap(foreign);
    IconPool->FreeIconMap(lent[40]);  // a second return counts once
    EXPECT_EQ(IconPool->FreeCount(), 1);
}

// The loader and the interface thread take and return slots and read the count at once:
// no slot is lent twice, the count comes back whole (TSan sees any access outside the lock).
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
                clashes += rows[0][0] != mark || IconPool->FreeCount() < 0;
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

    // Returns alone, both threads at once on a full pool: an unguarded
    // count loses some of them.
    const int n = IconPool->SlotCount();
    for (int round = 0; round < 400; round++) {
        std::vector<uint16_t**> all;
        for (int i = 0; i < n; i++) all.push_back(IconPool->AllocIconMap());
        std::atomic<int> ready{0};
        auto give = [&](int from, int to) {
            for (ready++; ready.load() < 2;) {
            }
            for (int i = from; i < to; i++) IconPool->FreeIconMap(all[i]);
        };
        std::thread c(give, 0, n / 2), d(give, n / 2, n);
        c.join();
        d.join();
        ASSERT_EQ(IconPool->FreeCount(), n) << "round " << round;
    }
}
