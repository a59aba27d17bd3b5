// The file operations and bookmarks end to end on real photographs: rotate
// through the pop-up, crop through the menu (refused, zoomed in, done),
// delete with Yes and No, mail, bookmarks across a restart. Each checked on
// disk, in the cache and in the list.
#include <cstdlib>
#include <fstream>

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

// Paths of the list, in order.
std::vector<std::string> List() {
    std::vector<std::string> out;
    for (int i = 0; i < TheBrowser->Count; i++) out.push_back(TempFolder::Utf8(TheBrowser->Pic[i]->Path()));
    return out;
}

void Select(int i) {
    TheBrowser->Pause(true);
    TheBrowser->Current = i;
    TheBrowser->Shown = i;
    TheBrowser->Pause(false);
}

TEST_F(Operations, RotateThroughThePopupThenCropRefusedZoomedInAndDone) {
    Start({{"video-001.jpeg", "a.jpg"}, {"testorig.jpg", "b.jpg"}});
    const std::string a = pics + "/a.jpg", b = pics + "/b.jpg";
    ASSERT_EQ(SizeOf(a), (std::pair{150, 103}));
    // The loader's thumbnails are done: none of the old picture comes late.
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Pic[0]->HasFlags(ICON_CACHED) && TheBrowser->Pic[1]->HasFlags(ICON_CACHED); }));
    OnLoop([] { TheBrowser->OpenView(true, 0); });
    plat::PostMessage(42005);
    Stroke({{120, 40}});  // the upper half: a quarter turn clockwise
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Mode == 0; }));
    EXPECT_EQ(SizeOf(a), (std::pair{103, 150}));
    std::vector<std::string> list;
    int kind = -1;
    OnLoop([&] { list = List(), kind = TheBrowser->Pic[0]->Kind(); });
    EXPECT_EQ(list, (std::vector<std::string>{a, b}));
    EXPECT_EQ(kind, KIND_PICTURE);
    EXPECT_FALSE(fs::exists(pics + "/.a.jpg.0.tmp"));
    // The cache holds the new thumbnail, tied to the rotated file's size.
    std::ifstream side(temp.Path() + "/cache" + a + ".dat", std::ios::binary);
    uint8_t bytes[4] = {};
    side.read((char*)bytes, 4);
    EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, (int)fs::file_size(a));
    auto [tw, th] = SizeOf(temp.Path() + "/cache" + a);
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
    int shown = -1;
    OnLoop([&] { list = List(), shown = TheBrowser->Shown; });
    EXPECT_EQ(list, (std::vector<std::string>{a, b, pics + "/b_crop.jpg"}));
    EXPECT_EQ(shown, 2) << "the crop is put in focus";
    EXPECT_EQ(SizeOf(b), (std::pair{227, 149})) << "the source stays";
    EXPECT_TRUE(fs::exists(temp.Path() + "/cache" + pics + "/b_crop.jpg.dat")) << "the crop's thumbnail is cached";

    std::vector<headless::Box> boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, u"The current zoom does not allows you to perform this operation.");
    EXPECT_EQ(boxes[0].caption, u"Error!");
    EXPECT_EQ(boxes[1].text, u"Would you crop the picture on the current view?");
    EXPECT_EQ(boxes[1].caption, u"Confirmation");
}

TEST_F(Operations, TheCropFollowsTheViewsTurnReducedToAQuarter) {
    Start({{"testorig.jpg", "b.jpg"}});
    // 450 is 90 (mode 1), -90 is 270 (mode 3), -180 is 180 (mode 2): the
    // same crops.
    const int angles[] = {90, 450, 270, -90, 180, -180};
    std::vector<std::string> files;
    for (int angle : angles) {
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
        std::string name = pics + (files.empty() ? "/b_crop.jpg" : "/b_crop" + std::to_string(files.size()) + ".jpg");
        std::stringstream bytes;
        bytes << std::ifstream(name, std::ios::binary).rdbuf();
        files.push_back(bytes.str());
        ASSERT_FALSE(files.back().empty()) << name;
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[2], files[3]);
    EXPECT_EQ(files[4], files[5]);
    EXPECT_NE(files[0], files[2]);
}

TEST_F(Operations, DeleteAsksFirstAndRemovesFilesAndFolderTrees) {
    Start({{"testorig.jpg", "a.jpg"}, {"video-001.jpeg", "b.jpg"}, {"wide.jpg", "c.jpg"}}, 240, 320, {"Trip"});
    // The folder holds pictures, a sub-folder and a link to a folder outside.
    fs::create_directories(pics + "/Trip/sub");
    fs::create_directories(temp.Path() + "/outside");
    std::ofstream(pics + "/Trip/x.jpg") << "x";
    std::ofstream(pics + "/Trip/sub/y.jpg") << "y";
    std::ofstream(temp.Path() + "/outside/keep.jpg") << "keep";
    fs::create_directory_symlink(temp.Path() + "/outside", pics + "/Trip/link");

    // No keeps the last picture; Yes removes it and the track turns back.
    OnLoop([] { Select(3); });
    headless::QueueBoxAnswer(plat::ID_NO);
    plat::PostMessage(42001);
    int count = 0;
    OnLoop([&] { count = TheBrowser->Count; });
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(fs::exists(pics + "/c.jpg"));
    headless::QueueBoxAnswer(plat::ID_YES);
    plat::PostMessage(42001);
    int shown = 0;
    OnLoop([&] { count = TheBrowser->Count, shown = TheBrowser->Shown; });
    EXPECT_EQ(count, 3);
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(fs::exists(pics + "/c.jpg"));
    Settle();
    EXPECT_EQ(Selected(), 2);

    OnLoop([] { Select(0); });
    headless::QueueBoxAnswer(plat::ID_YES);
    plat::PostMessage(42001);
    std::vector<std::string> list;
    OnLoop([&] { list = List(); });
    EXPECT_EQ(list, (std::vector<std::string>{pics + "/a.jpg", pics + "/b.jpg"}));
    EXPECT_FALSE(fs::exists(pics + "/Trip"));
    EXPECT_TRUE(fs::exists(temp.Path() + "/outside/keep.jpg")) << "the link was not followed";

    std::vector<headless::Box> boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, u"Want to remove" + U16(pics) + u"/c.jpg?");
    EXPECT_EQ(boxes[0].caption, u"Confirmation");
    EXPECT_EQ(boxes[0].type & 0xF, (unsigned)plat::MB_YESNO);
    EXPECT_EQ(boxes[2].text, u"Want to remove" + U16(pics) + u"/Trip?");
}

TEST_F(Operations, DeletingInThePictureViewStepsAwayOrClosesIt) {
    Start({{"testorig.jpg", "p0.jpg"}, {"video-001.jpeg", "p1.jpg"}, {"wide.jpg", "p2.jpg"}}, 240, 320, {"F"});
    struct Expect {
        int mode, selected;
        std::string shown;
    };
    // A middle picture steps forward; the last steps back; the only
    // picture left after a folder closes the view.
    const std::pair<int, Expect> steps[] = {
        {2, {1, 2, "p2.jpg"}},
        {2, {1, 1, "p0.jpg"}},
        {1, {0, 0, "F"}},
    };
    for (const auto& [open, expect] : steps) {
        OnLoop([open = open] {
            if (TheBrowser->Mode == 0) TheBrowser->OpenView(true, open);
        });
        headless::QueueBoxAnswer(plat::ID_YES);
        plat::PostMessage(42001);
        int mode = -1, selected = -1;
        std::string shown;
        OnLoop([&] {
            mode = TheBrowser->Mode, selected = TheBrowser->Selected();
            int i = selected < TheBrowser->Count ? selected : TheBrowser->Count - 1;
            shown = fs::path(TempFolder::Utf8(TheBrowser->Pic[i]->Path())).filename().string();
        });
        EXPECT_EQ(mode, expect.mode) << expect.shown;
        EXPECT_EQ(shown, expect.shown);
        if (expect.mode == 1) {
            EXPECT_EQ(selected, expect.selected);
        }
    }
    EXPECT_EQ(fs::exists(pics + "/F"), true);
    for (const char* name : {"p0.jpg", "p1.jpg", "p2.jpg"}) EXPECT_FALSE(fs::exists(pics + "/" + name)) << name;
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
    int menu = 0;
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, -1);
    for (int i = 0; i < 10000 && !fs::exists(log); i++) plat::Sleep(1);
    setenv("PATH", path.c_str(), 1);
    std::ifstream in(log);
    std::string flag, file;
    std::getline(in, flag);
    std::getline(in, file);
    EXPECT_EQ(flag, "--attach");
    EXPECT_EQ(file, pics + "/Été à Nice.jpg");
}

TEST_F(Operations, ABookmarkIsAddedKeptOverARestartAndJumpedTo) {
    Start({{"testorig.jpg", "a.jpg"}}, 240, 320, {"Trip"});
    plat::PostMessage(41003);
    plat::PostMessage(41004);
    std::u16string folder;
    int mark = -1;
    std::vector<int> offered;
    OnLoop([&] {
        folder = Bookmarks[0]->Folder();
        mark = TheBrowser->Back[0]->BookmarkIndex();
        for (int k = 0; k < TheBrowser->ButtonCount; k++) offered.push_back(TheBrowser->ButtonRow[k][0]);
    });
    EXPECT_EQ(folder, U16(pics));
    EXPECT_EQ(mark, 0);
    EXPECT_EQ(offered, (std::vector<int>{41006, 41007, 41001, 41005})) << "no bm_add for a bookmarked folder";

    Stop();
    std::stringstream ini;
    ini << std::ifstream(prog + "/Lumatray.ini").rdbuf();
    EXPECT_NE(ini.str().find("Bookmark0|" + pics + "|\n"), std::string::npos) << ini.str();
    Launch();
    OnLoop([&] { folder = Bookmarks[0]->Folder(); });
    EXPECT_EQ(folder, U16(pics));
    OnLoop([this] { TheBrowser->SetPath(U16(pics + "/Trip").c_str(), nullptr); });

    // The panel shows the label; a tap on it goes back to the folder.
    plat::PostMessage(41003);
    int x = 0, y = 0;
    OnLoop([&] {
        x = (Bookmarks[0]->left + Bookmarks[0]->right) / 2;
        y = (Bookmarks[0]->top + Bookmarks[0]->bottom) / 2;
    });
    Stroke({{x, y}});
    ASSERT_TRUE(WaitFor([&] { return TempFolder::Utf8(TheBrowser->Path) == pics; }));
    float panel = 1;
    OnLoop([&] { panel = TheBrowser->PanelSlide; });
    EXPECT_EQ(panel, 0.0f);
}

TEST_F(Operations, RemoveModeEmptiesOneSlotAndEndsWithTheMenu) {
    // Two slots hold the folder on view (possible through the file), one
    // its sub-folder.
    const std::string folder = temp.Path() + "/pics";
    extraSettings = "Bookmark1|" + folder + "|\nBookmark2|" + folder + "|\nBookmark3|" + folder + "/Trip|\n";
    Start({{"testorig.jpg", "a.jpg"}}, 240, 320, {"Trip"});
    int here = -1, trip = -1, toggle = -1;
    auto read = [&] {
        OnLoop([&] {
            here = TheBrowser->Back[0]->BookmarkIndex();
            trip = TheBrowser->Pic[0]->BookmarkIndex();
            toggle = MenuTable[18][2];
        });
    };
    read();
    EXPECT_EQ(here, 1);
    EXPECT_EQ(trip, 3);

    plat::PostMessage(41003);
    plat::PostMessage(41005);
    read();
    EXPECT_EQ(toggle, 1);
    plat::PostMessage(42006, 0, 1);
    read();
    EXPECT_EQ(toggle, 0) << "one removal ends the mode";
    EXPECT_EQ(here, 2) << "still marked through the other slot";
    plat::PostMessage(41005);
    plat::PostMessage(42006, 0, 3);
    read();
    EXPECT_EQ(trip, -1);
    std::u16string slot1, slot3;
    OnLoop([&] { slot1 = Bookmarks[1]->Folder(), slot3 = Bookmarks[3]->Folder(); });
    EXPECT_EQ(slot1, u"");
    EXPECT_EQ(slot3, u"");

    // Closing the bookmark menu switches the mode off.
    plat::PostMessage(41005);
    read();
    EXPECT_EQ(toggle, 1);
    plat::PostMessage(41001);
    read();
    EXPECT_EQ(toggle, 0);
}

}  // namespace
}  // namespace e2e
