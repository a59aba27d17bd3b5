// The thumbnail pool: slot count, first-free lending, exhaustion.
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "PictureTestSupport.h"

using PoolTest = PictureTest;

static bool AllPixels(uint16_t** rows, int edge, uint16_t value) {
    for (int y = 0; y < edge; y++)
        for (int x = 0; x < edge; x++)
            if (rows[y][x] != value) return false;
    return true;
}

TEST_F(PoolTest, SlotCountFollowsTheIconSize) {
    EXPECT_EQ(IconPool->SlotCount(), 109);  // IconSize 120
    EXPECT_EQ(IconPool->FreeCount(), 109);
    int saved = IconSize;
    IconSize = 240;
    MemMgr_t mid;
    IconSize = 400;
    MemMgr_t large;
    IconSize = saved;
    EXPECT_EQ(mid.SlotCount(), 27);
    EXPECT_EQ(large.SlotCount(), 20);  // the floor
}

TEST_F(PoolTest, LendsDistinctTransparentSlotsAndTakesThemBack) {
    std::vector<uint16_t**> lent;
    std::set<uint16_t*> pixels;
    for (int i = 0; i < 109; i++) {
        uint16_t** rows = IconPool->AllocIconMap();
        ASSERT_TRUE(AllPixels(rows, 120, 0x0020));
        rows[0][0] = 0x1234;  // dirty it for the re-lending check
        pixels.insert(rows[0]);
        lent.push_back(rows);
    }
    EXPECT_EQ(pixels.size(), 109u);
    EXPECT_EQ(IconPool->FreeCount(), 0);

    IconPool->FreeIconMap(lent[40]);
    IconPool->FreeIconMap(lent[7]);
    EXPECT_EQ(IconPool->FreeCount(), 2);
    uint16_t** again = IconPool->AllocIconMap();
    EXPECT_EQ(again, lent[7]);  // the lowest free index first
    EXPECT_TRUE(AllPixels(again, 120, 0x0020));

    uint16_t* foreign[120] = {};
    IconPool->FreeIconMap(foreign);
    IconPool->FreeIconMap(lent[40]);  // a second return counts once
    EXPECT_EQ(IconPool->FreeCount(), 1);
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
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}
