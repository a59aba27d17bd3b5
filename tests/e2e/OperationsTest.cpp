// The file operations and bookmarks end to end on real photographs: rotate
// through the pop-up, crop through the menu (refused, zoomed in, done),
// delete with Yes and No, mail, bookmarks across a restart. Each checked on
// disk, in the cache and in the list.
#include "RunningProgram.h"
#include "browser/Bookmark.h"
#include "codec/Jpeg.h"

namespace e2e {
namespace {

using Operations = RunningProgram;

std::pair<int, int> SizeOf(const std::string& path) {
    Jpeg_t j;
    if (j.Open(path.c_str()) != 1) return {0, 0};
    return {j.OutWidth, j.OutHeight};
}

std::u16string U16(const std::string& s) { return TempFolder::Utf16(s); }

void Select(int i) {
    TheBrowser->Pause(true);
    TheBrowser->Current = i;
    TheBrowser->Shown = i;
    TheBrowser->Pause(false);
}

TEST_F(Operations, RotateThroughThePopupThenCropRefusedZoomedInAndDone) {
    Start({{"video-001.jpeg", "a.jpg"}, {"testorig.jpg", "b.jpg"}});
    const std::string a = pics + "/a.jpg", b = pics + "/b.jpg", cache = temp.Path() + "/cache";
    // The loader's thumbnails are done: none of the old picture comes late.
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Pic[0]->HasFlags(ICON_CACHED) && TheBrowser->Pic[1]->HasFlags(ICON_CACHED); }));
    OnLoop([] { TheBrowser->OpenView(true, 0); });
    plat::PostMessage(42005);
    Stroke({{120, 40}});  // the upper half: a quarter turn clockwise
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Mode == 0; }));
    EXPECT_EQ(SizeOf(a), (std::pair{103, 150}));
    EXPECT_EQ(List(), (std::vector<std::string>{a, b}));
    EXPECT_FALSE(fs::exists(pics + "/.a.jpg.0.tmp"));
    // The cache holds the new thumbnail, tied to the rotated file's size.
    std::string side = ReadBytes(cache + a + ".dat");
    ASSERT_GE(side.size(), 4u);
    EXPECT_EQ((uint8_t)side[0] | (uint8_t)side[1] << 8 | (uint8_t)side[2] << 16 | (uint8_t)side[3] << 24,
              (int)fs::file_size(a));
    auto [tw, th] = SizeOf(cache + a);
    EXPECT_LT(tw, th) << "a portrait thumbnail now";

    // b (227 x 149) at the fitted size leaves bands above and below: the
    // crop is refused and the view zooms in until the picture fills it.
    OnLoop([] { TheBrowser->OpenView(true, 1); });
    headless::QueueBoxAnswer(plat::ID_OK);
    plat::PostMessage(42003);
    ASSERT_TRUE(WaitFor([] { return TheBrowser->TargetZoom < 1.0f; }));
    Settle();
    EXPECT_FALSE(fs::exists(pics + "/b_crop.jpg"));
    headless::QueueBoxAnswer(plat::ID_YES);
    plat::PostMessage(42003);
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Mode == 0 && TheBrowser->Count == 3; }));
    auto [w, h] = SizeOf(pics + "/b_crop.jpg");
    EXPECT_GE(h, 140);  // the whole height, the width the screen showed
    EXPECT_GE(w, 100);
    EXPECT_LT(w, h) << "42003 gives an upright picture";
    EXPECT_EQ(List(), (std::vector<std::string>{a, b, pics + "/b_crop.jpg"}));
    EXPECT_EQ(Get([] { return (int)TheBrowser->Shown; }), 2) << "the crop is put in focus";
    EXPECT_EQ(SizeOf(b), (std::pair{227, 149})) << "the source stays";
    EXPECT_TRUE(fs::exists(cache + pics + "/b_crop.jpg.dat")) << "the crop's thumbnail is cached";

    std::vector<headless::Box> boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, u"The current zoom does not allows you to perform this operation.");
    EXPECT_EQ(boxes[0].caption, u"Error!");
    EXPECT_EQ(boxes[1].text, u"Would you crop the picture on the current view?");
    EXPECT_EQ(boxes[1].caption, u"Confirmation");
}

TEST_F(Operations, TheCropFollowsTheViewsTurnReducedToAQuarter) {
    Start({{"testorig.jpg", "b.jpg"}});
    // 450 is 90 (mode 1), -90 is 270 (mode 3): the same crops.
    std::vector<std::string> files;
    for (int angle : {90, 450, 270, -90}) {
        OnLoop([angle] {
            TheBrowser->OpenView(true, 0);
            TheBrowser->Pause(true);
            TheBrowser->Angle = TheBrowser->TargetAngle = angle;
            TheBrowser->Zoom = TheBrowser->TargetZoom = 0.3f;  // well inside the picture
            TheBrowser->Pause(false);
        });
        int before = (int)files.size();
        headless::QueueBoxAnswer(plat::ID_YES);
        plat::PostMessage(42004);
        ASSERT_TRUE(WaitFor([before] { return TheBrowser->Mode == 0 && TheBrowser->Count == before + 2; }));
        files.push_back(ReadBytes(pics + (files.empty() ? "/b_crop.jpg" : "/b_crop" + std::to_string(before) + ".jpg")));
        ASSERT_FALSE(files.back().empty()) << angle;
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[2], files[3]);
    EXPECT_NE(files[0], files[2]);
}

TEST_F(Operations, DeleteAsksFirstStepsTheViewAwayAndRemovesFilesAndFolderTrees) {
    Start({{"testorig.jpg", "a.jpg"}, {"video-001.jpeg", "b.jpg"}, {"wide.jpg", "c.jpg"}, {"testimgp.jpg", "d.jpg"}},
          {"Trip/sub"});
    // The folder holds pictures, a sub-folder and a link to a folder outside.
    fs::create_directories(temp.Path() + "/outside");
    std::ofstream(pics + "/Trip/x.jpg") << "x";
    std::ofstream(pics + "/Trip/sub/y.jpg") << "y";
    std::ofstream(temp.Path() + "/outside/keep.jpg") << "keep";
    fs::create_directory_symlink(temp.Path() + "/outside", pics + "/Trip/link");

    // No keeps the last picture; Yes removes it and the track turns back.
    OnLoop([] { Select(4); });
    headless::QueueBoxAnswer(plat::ID_NO);
    plat::PostMessage(42001);
    EXPECT_EQ(List().size(), 5u);
    EXPECT_TRUE(fs::exists(pics + "/d.jpg"));
    headless::QueueBoxAnswer(plat::ID_YES);
    plat::PostMessage(42001);
    EXPECT_EQ(Get([] { return std::pair{(int)TheBrowser->Count, (int)TheBrowser->Shown}; }), (std::pair{4, 3}));
    EXPECT_FALSE(fs::exists(pics + "/d.jpg"));
    Settle();
    EXPECT_EQ(Selected(), 3);

    // In the view a middle picture steps forward; the last steps back; the
    // only picture left after a folder closes the view.
    const std::tuple<int, int, std::string> steps[] = {{1, 2, "c.jpg"}, {1, 1, "a.jpg"}, {0, 0, "Trip"}};
    OnLoop([] { TheBrowser->OpenView(true, 2); });
    for (const auto& [mode, selected, shown] : steps) {
        headless::QueueBoxAnswer(plat::ID_YES);
        plat::PostMessage(42001);
        EXPECT_EQ(Mode(), mode) << shown;
        EXPECT_EQ(Selected(), selected) << shown;
        EXPECT_EQ(fs::path(SelectedPath()).filename().string(), shown);
    }

    headless::QueueBoxAnswer(plat::ID_YES);
    plat::PostMessage(42001);
    EXPECT_TRUE(List().empty());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "Trip"}) EXPECT_FALSE(fs::exists(pics + "/" + name)) << name;
    EXPECT_TRUE(fs::exists(temp.Path() + "/outside/keep.jpg")) << "the link was not followed";

    std::vector<headless::Box> boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, u"Want to remove" + U16(pics) + u"/d.jpg?");
    EXPECT_EQ(boxes[0].type & 0xF, (unsigned)plat::MB_YESNO);
    EXPECT_EQ(boxes[5].text, u"Want to remove" + U16(pics) + u"/Trip?");
}

TEST_F(Operations, MailHandsTheFullPathToTheComposer) {
    fs::create_directories(temp.Path() + "/bin");
    std::string log = temp.Path() + "/mail.log";
    std::ofstream(temp.Path() + "/bin/xdg-email") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << log << ".part && mv "
                                                  << log << ".part " << log << "\n";
    fs::permissions(temp.Path() + "/bin/xdg-email", fs::perms::owner_all);
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (temp.Path() + "/bin:" + path).c_str(), 1);
    Start({{"testorig.jpg", "Été à Nice.jpg"}});
    OnLoop([] { TheBrowser->OpenView(true, 0); });
    plat::PostMessage(42002);
    EXPECT_EQ(Menu(), -1);
    for (int i = 0; i < 10000 && !fs::exists(log); i++) plat::Sleep(1);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(ReadBytes(log), "--attach\n" + pics + "/Été à Nice.jpg\n");
}

TEST_F(Operations, ABookmarkIsAddedKeptOverARestartAndJumpedTo) {
    Start({{"testorig.jpg", "a.jpg"}}, {"Trip"});
    plat::PostMessage(41003);
    plat::PostMessage(41004);
    auto folder = [] { return std::u16string(Bookmarks[0]->Folder()); };
    EXPECT_EQ(Get(folder), U16(pics));
    EXPECT_EQ(Get([] { return TheBrowser->Back[0]->BookmarkIndex(); }), 0);

    Stop();
    EXPECT_NE(ReadBytes(prog + "/Lumatray.ini").find("Bookmark0|" + pics + "|\n"), std::string::npos);
    Launch();
    EXPECT_EQ(Get(folder), U16(pics));
    OnLoop([this] { TheBrowser->SetPath(U16(pics + "/Trip").c_str(), nullptr); });

    // The panel shows the label; a tap on it goes back to the folder.
    plat::PostMessage(41003);
    Stroke({Get([] { return std::pair{(Bookmarks[0]->left + Bookmarks[0]->right) / 2,
                                      (Bookmarks[0]->top + Bookmarks[0]->bottom) / 2}; })});
    ASSERT_TRUE(WaitFor([&] { return TempFolder::Utf8(TheBrowser->Path) == pics; }));
    EXPECT_EQ(Get([] { return TheBrowser->PanelSlide; }), 0.0f);
}

TEST_F(Operations, RemoveModeEmptiesOneSlotAndEndsWithTheMenu) {
    // Two slots hold the folder on view (possible through the file), one
    // its sub-folder.
    cacheLine += "Bookmark1|" + pics + "|\nBookmark2|" + pics + "|\nBookmark3|" + pics + "/Trip|\n";
    Start({{"testorig.jpg", "a.jpg"}}, {"Trip"});
    // The mark of the folder on view, of Trip and the mode's toggle.
    auto marks = [] {
        return std::tuple{TheBrowser->Back[0]->BookmarkIndex(), TheBrowser->Pic[0]->BookmarkIndex(), MenuTable[18][2]};
    };
    EXPECT_EQ(Get(marks), std::tuple(1, 3, 0));
    plat::PostMessage(41003);
    plat::PostMessage(41005);
    EXPECT_EQ(Get(marks), std::tuple(1, 3, 1));
    plat::PostMessage(42006, 0, 1);
    EXPECT_EQ(Get(marks), std::tuple(2, 3, 0)) << "one removal ends the mode; still marked through the other slot";
    plat::PostMessage(41005);
    plat::PostMessage(42006, 0, 3);
    EXPECT_EQ(Get(marks), std::tuple(2, -1, 0));

    // Closing the bookmark menu switches the mode off.
    plat::PostMessage(41005);
    EXPECT_EQ(std::get<2>(Get(marks)), 1);
    plat::PostMessage(41001);
    EXPECT_EQ(std::get<2>(Get(marks)), 0);
}

}  // namespace
}  // namespace e2e
