// The order of entries, the duplicate rule, growth of the array, the
// selection under insertion, and the view state at rest.
#include "BrowserFixture.h"

namespace {

class ModelTest : public BrowserTest {
protected:
    int Add(const std::string& path, int kind = KIND_PICTURE) {
        Picture_t* e = new Picture_t(kind);
        e->SetFileName(U16(path).c_str());
        return pm->AddEntry(e, true);
    }
    void Locked(void (*work)(PictureMgr_t*)) {
        pm->Pause(true);
        work(pm);
        pm->Pause(false);
    }
};

TEST_F(ModelTest, FoldersFirstThenCaseFoldedNamesAndNoDuplicates) {
    for (const char* name : {"b.jpg", "A.jpg", "a.jpeg", "a.jpg"}) Add(std::string("/d/") + name);
    // The kept entry of SetPath and the scan can meet "B" and "b", both real
    // on a case-sensitive file system: a duplicate anywhere in the run is found.
    for (const char* name : {"z", "B", "b", "B", "b", "z"}) Add(std::string("/d/") + name, KIND_FOLDER);
    EXPECT_EQ(Names(), (Names_t{"b", "B", "z", "a.jpeg", "a.jpg", "A.jpg", "b.jpg"}));
    EXPECT_EQ(Add("/d/b.jpg"), 6);  // a duplicate: the index it would have had
    EXPECT_EQ(pm->Count, 7);
}

// The thirty-third entry grows the array; one inserted before the
// selection keeps the same entry selected, one after it shifts nothing.
TEST_F(ModelTest, InsertionGrowsTheArrayAndKeepsTheSameEntrySelected) {
    char name[32];
    for (int i = 0; i < 32; i++) std::snprintf(name, sizeof name, "/d/p%02d.jpg", i), Add(name);
    EXPECT_EQ(pm->Capacity, 32);
    Locked([](PictureMgr_t* m) { m->ResetView(2); });
    Add("/d/a.jpg");
    Add("/d/q.jpg");
    EXPECT_EQ(pm->Capacity, 64);
    EXPECT_EQ(pm->Current, 3);
    EXPECT_EQ(pm->Shown, 3);
    EXPECT_EQ(SelectedPath(), "/d/p02.jpg");
    EXPECT_EQ(Names().back(), "q.jpg");

    Locked([](PictureMgr_t* m) { m->ResetView(-1); });  // none: nothing selected
    EXPECT_EQ(pm->Current, -1);
    EXPECT_EQ(pm->Shown, 0);
    EXPECT_EQ(pm->Selected(), 0);
    EXPECT_TRUE(pm->Pic[0]->HasFlags(WANT_ICON));
}

TEST_F(ModelTest, SaveAngleRoundsToTheNearestQuarterTurnHalvesAwayFromZero) {
    Add("/d/a.jpg");  // no file: its size reads as a landscape placeholder or 0 x 0
    pm->Pause(true);
    for (auto [turned, stored] : {std::pair{100, 90}, {-46, -90}, {44, 0}, {45, 90}, {-45, -90}}) {
        pm->Angle = turned;
        pm->SaveAngle();
        EXPECT_EQ(pm->LandscapeAngle, stored) << turned;
        EXPECT_EQ(pm->RememberedAngle(0), stored);
    }
    pm->Pause(false);
}

// Two threads asking for the lock never hold it together; a nested take
// and a release by a thread that does not hold it are reported.
TEST_F(ModelTest, TheLockIsExclusiveAndMisuseIsReported) {
    static long counter;  // guarded by the browser lock alone
    counter = 0;
    auto work = [](void* m) {
        for (int i = 0; i < 200; i++) {
            ((PictureMgr_t*)m)->Pause(true);
            long v = counter;
            plat::YieldProcessor();
            counter = v + 1;
            ((PictureMgr_t*)m)->Pause(false);
        }
        return 0;
    };
    plat::Thread* a = plat::StartThread(work, pm, 5);
    plat::Thread* b = plat::StartThread(work, pm, 5);
    ASSERT_TRUE(a && b);
    plat::JoinThread(a);
    plat::JoinThread(b);
    EXPECT_EQ(counter, 400);
    static int nested;
    nested = 0;
    NestedLockHook = [] { nested++; };
    pm->Pause(true);
    pm->Pause(true);
    pm->Pause(false);
    pm->Pause(false);
    NestedLockHook = nullptr;
    EXPECT_EQ(nested, 2);
    EXPECT_FALSE(pm->Flags & PM_LOCKED);
}

}  // namespace
