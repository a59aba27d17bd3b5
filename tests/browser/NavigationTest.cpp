// Listing a real folder, the ancestor trail, climbing up, and the paths the
// browser refuses.
#include "BrowserFixture.h"

namespace {

using NavigationTest = BrowserTest;

TEST_F(NavigationTest, ListsFoldersOfAnyNameAndOnlyJpegFilesWithTheirSizeAndTimeButNoHiddenName) {
    for (const char* f : {"a.JPG", "b.jpeg", "c.png", "d.jpg.bak", "e.jpe", ".jpg", ".jpeg", ".x.jpg"})
        File(std::string("pics/") + f);
    File("pics/x.jpg", std::string(1234, 'x'));
    for (const char* d : {"sub", "folder.jpg", ".hidden", "Zeta"}) Dir(std::string("pics/") + d);
    ASSERT_TRUE(Open(Path("pics")));
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(Names(), (Names_t{"folder.jpg", "sub", "Zeta", "a.JPG", "b.jpeg", "x.jpg"}));
    EXPECT_EQ(U8(pm->Path), Path("pics"));
    pm->Pause(true);
    for (int i = 0; i < pm->Count; i++) EXPECT_EQ(pm->Pic[i]->Kind(), i < 3 ? KIND_FOLDER : KIND_PICTURE) << i;
    EXPECT_EQ(pm->Pic[5]->FileSize(), 1234u);
    EXPECT_NE(pm->Pic[5]->FileTime(), 0u);
    pm->Pause(false);
}

// The trail shows the root once, as "/". A missing folder is an empty list
// and no box; at the root going up is refused and nothing is painted, while
// the Down key lists the root again.
TEST_F(NavigationTest, TrailMissingFoldersAndTheRoot) {
    ASSERT_EQ(BackSlotCount, 4);
    auto slots = [&] {
        Names_t names;
        for (int i = 0; i < BackSlotCount; i++) names.push_back(U8(pm->Back[i]->Name()));
        return names;
    };
    ASSERT_TRUE(Open("/nonexistent-lumatray-A"));
    EXPECT_EQ(slots(), (Names_t{"nonexistent-lumatray-A", "/", "", ""}));
    EXPECT_EQ(U8(pm->Back[1]->Path()), "");
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(pm->Count, 0);
    EXPECT_EQ(pm->Selected(), 0);
    EXPECT_TRUE(headless::Boxes().empty());

    ASSERT_TRUE(Open("/"));  // a trailing '/' is dropped: the root
    EXPECT_EQ(U8(pm->Path), "");
    EXPECT_EQ(slots(), (Names_t{"/", "", "", ""}));
    int before = headless::FramesPresented();
    pm->GoUp(0);
    EXPECT_EQ(headless::FramesPresented(), before);
    pm->GoUp(1);
    EXPECT_EQ(U8(pm->Path), "");
    EXPECT_GT(headless::FramesPresented(), before);
    ASSERT_TRUE(WaitListed());
    EXPECT_GT(pm->Count, 0);  // "/" always holds folders

    ASSERT_TRUE(Open("/n-a/Holiday.2009/.cfg"));
    EXPECT_EQ(slots(), (Names_t{".cfg", "Holiday", "n-a", "/"}));
}

TEST_F(NavigationTest, GoUpTwoLevelsLandsOnTheGrandparentWithTheFolderLeftInFocus) {
    for (const char* d : {"A/B/C", "A/0", "A/Aa", "A/Ab", "A/b0", "A/C"}) Dir(d);
    File("A/a.jpg");
    ASSERT_TRUE(Open(Path("A/B/C")));
    ASSERT_TRUE(WaitListed());
    pm->GoUp(2);
    EXPECT_EQ(U8(pm->Path), Path("A"));
    ASSERT_TRUE(WaitListed());
    // B is the kept entry, listed once: entries listed before it moved it,
    // and the selection moved with it.
    EXPECT_EQ(SelectedPath(), Path("A/B"));
    EXPECT_EQ(Names(), (Names_t{"0", "Aa", "Ab", "B", "b0", "C", "a.jpg"}));
    EXPECT_EQ(pm->Grow, 1.0f);
    EXPECT_FALSE(pm->Flags & PM_ASCENDING);
    EXPECT_EQ(U8(pm->Back[0]->Name()), "A");
}

TEST_F(NavigationTest, PathsOverFiveHundredElevenUnitsAreRefusedOrLeftOut) {
    // Folder path of about 300 units plus a 250-unit name: more than 511.
    std::string deep = "d/" + std::string(140, 'a') + "/" + std::string(140, 'b');
    File(deep + "/" + std::string(246, 'n') + ".jpg");
    File(deep + "/short.jpg");
    ASSERT_TRUE(Open(Path(deep)));
    ASSERT_TRUE(WaitListed());
    EXPECT_EQ(Names(), (Names_t{"short.jpg"}));

    EXPECT_FALSE(Open("/" + std::string(511, 'x')));
    EXPECT_EQ(U8(pm->Path), Path(deep));
    EXPECT_EQ(pm->Count, 1);
    EXPECT_TRUE(pm->Flags & PM_LOADER_RUNNING);  // the old workers go on
    std::string longest = "/" + std::string(510, 'y');  // 511 units fit
    EXPECT_TRUE(Open(longest));
    EXPECT_EQ(U8(pm->Path), longest);
}

TEST(LoaderOrder, WalksOutwardFromTheFocus) {
    // Focus on entry 5 of 8: offsets 0, 1, -1, 2, ... stepped over when
    // outside the list, until the offset reaches the count.
    std::vector<int> visited;
    for (int offset = 0; offset < 8; offset = PictureMgr_t::NextLoaderOffset(offset))
        if (5 + offset >= 0 && 5 + offset < 8) visited.push_back(5 + offset);
    EXPECT_EQ(visited, (std::vector<int>{5, 6, 4, 7, 3, 2, 1, 0}));
    EXPECT_EQ(PictureMgr_t::NextLoaderOffset(-3), 4);
}

}  // namespace
