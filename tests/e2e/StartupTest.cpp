// Starting and ending the whole program: where the thumbnail cache lies, the settings saved on
// Ctrl+Q, a folder or a picture named on the command line, bad arguments refused before any
// window, a path handed over to the running program, and an installed copy's layout.
#include <sys/stat.h>

#include "RunningProgram.h"
#include "render/PaintBuffer.h"

namespace e2e {
namespace {

class Startup : public RunningProgram {
protected:
    // Photographs in pics/Trip: t0.jpg, t1.jpg, ...
    void MakeTrip(int n) {
        fs::create_directories(pics + "/Trip");
        for (int i = 0; i < n; i++)
            fs::copy_file(LUMATRAY_TESTDATA "/jpeg/testorig.jpg", pics + "/Trip/t" + std::to_string(i) + ".jpg");
    }
    // Every picture of Pictures(3) has its thumbnail and a 20-byte side file.
    bool Cached(const std::string& cache) {
        return WaitFor([&] {
            std::error_code ec;
            for (const auto& [from, name] : Pictures(3))
                if (!fs::exists(cache + pics + "/" + name, ec) || fs::file_size(cache + pics + "/" + name + ".dat", ec) != 20)
                    return false;
            return true;
        });
    }
    int Count() { return (int)List().size(); }
    bool ListedIn(const std::string& folder, int mode) {
        return WaitFor([&] { return TheBrowser->Mode == mode && (TheBrowser->Flags & PM_SCAN_LISTED) &&
                                    TempFolder::Utf16(folder) == TheBrowser->Path; });
    }
    // Lumatray.ini as the program saves it without bookmarks.
    std::string Ini(const std::string& folder, const std::string& cache) {
        return "ImgPath|" + folder + "|\nCachePath|" + cache + "|\nBookmark0||\nBookmark1||\nBookmark2||\nBookmark3||\n";
    }
};

TEST_F(Startup, TheCacheIsTheConfiguredFolderElseOnTheCardElseUnderTheTemporaryFolder) {
    // A named pipe nobody writes, listed first from the focus: it used to
    // hold the loader in open() for good, and Ctrl+Q with it.
    fs::create_directories(pics);
    ASSERT_EQ(mkfifo((pics + "/aaa.jpg").c_str(), 0600), 0);
    card = temp.Path() + "/card";
    fs::create_directories(card);
    Start(Pictures(3));
    const std::string ini = prog + "/Lumatray.ini", configured = temp.Path() + "/cache";
    EXPECT_TRUE(Cached(configured));
    Stop();
    EXPECT_FALSE(fs::exists(configured + pics + "/aaa.jpg"));
    EXPECT_EQ(ReadBytes(ini), Ini(pics, configured));
    // None configured: on the card; one configured that is gone, no card:
    // under the temporary folder.
    for (auto [line, onCard, cache] : {std::tuple<std::string, bool, std::string>{"", true, card + "/_cache/Lumatray"},
                                       {"CachePath|" + temp.Path() + "/gone/cache|\n", false, temp.Path() + "/tmp/lumatray"}}) {
        std::ofstream(ini) << "ImgPath|" << pics << "|\n" << line;
        card = onCard ? card : "";
        Launch();
        EXPECT_TRUE(Cached(cache));
        Stop();
        EXPECT_EQ(ReadBytes(ini), Ini(pics, cache));
    }
    EXPECT_FALSE(fs::exists(temp.Path() + "/gone"));
}

TEST_F(Startup, APictureOrFolderArgumentIsWhereItStartsAndWhatItSaves) {
    MakeTrip(3);
    arguments = {pics + "/Trip/./t1.jpg"};
    Start(Pictures(3));
    ASSERT_TRUE(ListedIn(pics + "/Trip", 1));
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t1.jpg");
    EXPECT_EQ(Count(), 3);  // the picture put first is not listed twice
    headless::InjectKey(plat::KEY_RIGHT);
    Settle();
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_EQ(Mode(), 1);
    Stop();
    EXPECT_EQ(ReadBytes(prog + "/Lumatray.ini"), Ini(pics + "/Trip", temp.Path() + "/cache"));
    // A folder, over the one saved: browsed, not opened.
    arguments = {pics + "/"};
    Launch();
    EXPECT_EQ(Folder(), pics);
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(Mode(), 0);
    Stop();
    EXPECT_EQ(ReadBytes(prog + "/Lumatray.ini"), Ini(pics, temp.Path() + "/cache"));
}

TEST_F(Startup, SecondStartHandsOverItsPathToTheRunningWindow) {
    MakeTrip(3);
    Start(Pictures(4));

    // A picture of the folder on view opens at once, with no new listing.
    headless::HandOver(TempFolder::Utf16(pics + "/p02.jpg"));
    ASSERT_TRUE(WaitFor([] { return TheBrowser->Mode == 1; }));
    EXPECT_EQ(SelectedPath(), pics + "/p02.jpg");
    EXPECT_EQ(Count(), 5);

    // One in another folder, while a menu is up: the menu makes way.
    headless::InjectKey(plat::KEY_UP);
    headless::HandOver(TempFolder::Utf16(pics + "/Trip/t2.jpg"));
    ASSERT_TRUE(ListedIn(pics + "/Trip", 1));
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_FALSE(Get([] { return TheBrowser->PanelUp(); }));
    EXPECT_EQ(Count(), 3);

    // Gone by the time it arrives: nothing changes.
    headless::HandOver(TempFolder::Utf16(pics + "/Trip/missing.jpg"));
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_EQ(Mode(), 1);

    // A folder closes the picture and becomes the folder on view.
    headless::HandOver(TempFolder::Utf16(pics));
    ASSERT_TRUE(ListedIn(pics, 0));
    EXPECT_EQ(Count(), 5);
    Stop();
    EXPECT_EQ(ReadBytes(prog + "/Lumatray.ini"), Ini(pics, temp.Path() + "/cache"));
}

// The saved folder lay on a storage card that is out: the pictures folder,
// not an empty track under names that are gone.
TEST_F(Startup, VanishedSavedFolderGivesWayToThePicturesFolder) {
    savedFolder = temp.Path() + "/card/DCIM";
    headless::SetPicturesFolder(TempFolder::Utf16(pics));
    Start(Pictures(2));
    EXPECT_EQ(Folder(), pics);
    EXPECT_EQ(Count(), 2);
}

TEST_F(Startup, InstalledCopyFindsItsSkinAndKeepsItsSettingsInTheConfigurationFolder) {
    installed = true;
    Start(Pictures(2));
    // The "quit" button holds the drawn disc, not the key colour of a
    // missing file.
    EXPECT_TRUE(Get([] {
        PaintBuffer_t* quit = TheBrowser->Icon[0];
        return Installed && quit->Rows()[quit->Height() / 2][quit->Width() / 2] != kMagentaKey;
    }));
    Stop();
    // PREFIX/bin is writable here, as in a prefix under the home folder.
    EXPECT_FALSE(fs::exists(prog + "/Lumatray.ini"));
    EXPECT_EQ(ReadBytes(temp.Path() + "/config/Lumatray.ini"), Ini(pics, temp.Path() + "/cache"));
    EXPECT_TRUE(fs::exists(temp.Path() + "/config/Skin/Skin.txt"));
}

// Refused with one line on stderr and exit code 2, before any window; the
// two informative options print on stdout and end with 0.
TEST(CommandLineRefusals, BadArgumentsEndBeforeAnyWindow) {
    TempFolder t;
    std::ofstream(t.File("notes.txt")) << "not a picture";
    const std::vector<std::vector<std::string>> bad = {
        {t.File("missing.jpg")}, {t.File("notes.txt")}, {t.Path(), t.Path()}, {"-z"}, {"--", "--help"}};
    headless::Reset(240, 320);
    for (const auto& args : bad) {
        std::vector<const char*> argv{"lumatray"};
        for (const std::string& a : args) argv.push_back(a.c_str());
        testing::internal::CaptureStderr();
        int code = LumatrayMain((int)argv.size(), argv.data());
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, 2) << args[0];
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
        EXPECT_EQ(err.rfind("lumatray: ", 0), 0u) << err;
    }
    for (const char* option : {"--help", "--version"}) {
        const char* argv[] = {"lumatray", option};
        testing::internal::CaptureStdout();
        EXPECT_EQ(LumatrayMain(2, argv), 0);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("lumatray"), std::string::npos);
    }
    EXPECT_EQ(headless::FramesPresented(), 0);
    EXPECT_FALSE(headless::LoopRunning());
}

}  // namespace
}  // namespace e2e
