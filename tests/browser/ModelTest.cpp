// The order of entries, the duplicate rule, growth of the array, the
// selection under insertion, and the view state at rest.
#include "BrowserFixture.h"

namespace {

class ModelTest : public BrowserTest {
protected:
    int Add(const std::string& path, int kind = KIND_PICTURE) {
        Picture_t* e = new Picture_t(kind);
        std::u16string p = U16(path);
        e->SetFileName(p.c_str());
        return pm->AddEntry(e, true);
    }
};

TEST_F(ModelTest, FoldersFirstThenCaseFoldedNamesEqualGoingBefore) {
    Add("/d/b.jpg");
    Add("/d/A.jpg");
    Add("/d/z", KIND_FOLDER);
    Add("/d/a.jpg");
    EXPECT_EQ(Names(), (std::vector<std::string>{"z", "a.jpg", "A.jpg", "b.jpg"}));

    EXPECT_EQ(Add("/d/b.jpg"), 3);  // the index it would have had
    EXPECT_EQ(pm->Count, 4);
}

TEST_F(ModelTest, NamesDifferingOnlyInExtensionAreBothKept) {
    Add("/d/a.jpeg");
    Add("/d/a.jpg");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpeg", "a.jpg"}));
}

TEST_F(ModelTest, DuplicateIsFoundAnywhereInARunOfCaseFoldedEquals) {
    // The kept entry of SetPath and the scan can meet "B" and "b", both
    // real on a case-sensitive file system.
    Add("/d/B", KIND_FOLDER);
    Add("/d/b", KIND_FOLDER);
    Add("/d/B", KIND_FOLDER);
    Add("/d/b", KIND_FOLDER);
    EXPECT_EQ(pm->Count, 2);
}

TEST_F(ModelTest, ThirtyThirdEntryGrowsTheArray) {
    char name[32];
    for (int i = 0; i < 32; i++) {
        std::snprintf(name, sizeof name, "/d/p%02d.jpg", i);
        Add(name);
    }
    EXPECT_EQ(pm->Capacity, 32);
    Add("/d/p32.jpg");
    EXPECT_EQ(pm->Capacity, 64);
    EXPECT_EQ(pm->Count, 33);
    std::vector<std::string> names = Names();
    EXPECT_EQ(names.front(), "p00.jpg");
    EXPECT_EQ(names.back(), "p32.jpg");
}

TEST_F(ModelTest, InsertionBeforeTheSelectionKeepsTheSameEntrySelected) {
    Add("/d/c.jpg");
    Add("/d/e.jpg");
    Add("/d/g.jpg");
    pm->Pause(true);
    pm->ResetView(1);
    pm->Pause(false);
    Add("/d/a.jpg");
    Add("/d/f.jpg");  // after the selection: no shift
    EXPECT_EQ(pm->Current, 2);
    EXPECT_EQ(pm->Shown, 2);
    EXPECT_EQ(SelectedPath(), "/d/e.jpg");
}

TEST_F(ModelTest, ResetViewWithNoneSelectsNothing) {
    Add("/d/a.jpg");
    pm->Pause(true);
    pm->ResetView(-1);
    pm->Pause(false);
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

TEST_F(ModelTest, MenuTableArrowsPointAtTheirIcons) {
    EXPECT_EQ(MenuTable[20][1], 22);  // "fprev" is the 12th name
    EXPECT_EQ(MenuTable[21][1], 24);
    EXPECT_TRUE(pm->Icon[24] && pm->Icon[25] && !pm->Icon[26]);
    EXPECT_EQ(pm->Icon[0]->Width(), 60 * UiScale);
    EXPECT_EQ(pm->Icon[22]->Width(), 27 * UiScale);
}

TEST_F(ModelTest, TwoThreadsAskingForTheLockNeverHoldItTogether) {
    long counter = 0;  // guarded by the browser lock alone
    auto work = [](void* arg) {
        auto* self = static_cast<std::pair<PictureMgr_t*, long*>*>(arg);
        for (int i = 0; i < 200; i++) {
            self->first->Pause(true);
            long v = *self->second;
            plat::YieldProcessor();
            *self->second = v + 1;
            self->first->Pause(false);
        }
        return 0;
    };
    std::pair<PictureMgr_t*, long*> arg{pm, &counter};
    plat::Thread* a = plat::StartThread(work, &arg, 5);
    plat::Thread* b = plat::StartThread(work, &arg, 5);
    ASSERT_TRUE(a && b);
    plat::JoinThread(a);
    plat::JoinThread(b);
    EXPECT_EQ(counter, 400);
    EXPECT_FALSE(pm->Flags & PM_LOCKED);
}

}  // namespace
