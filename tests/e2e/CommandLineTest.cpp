// The command line and later starts: a folder or a picture to show, bad
// arguments refused before any window, a path handed over to the running
// program, and an installed copy's layout.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "RunningProgram.h"
#include "app/Globals.h"
#include "render/PaintBuffer.h"

namespace {

using e2e::fs::exists;

class CommandLine : public e2e::RunningProgram {
protected:
    // Photographs in pics/Trip: t0.jpg, t1.jpg, ...
    void MakeTrip(int n) {
        e2e::fs::create_directories(pics0() + "/Trip");
        for (int i = 0; i < n; i++)
            e2e::fs::copy_file(LUMATRAY_TESTDATA "/jpeg/testorig.jpg", pics0() + "/Trip/t" + std::to_string(i) + ".jpg");
    }
    std::string pics0() const { return temp.Path() + "/pics"; }

    std::string Folder() {
        std::u16string p;
        OnLoop([&] { p = pm()->Path; });
        return TempFolder::Utf8(p);
    }
    std::string SelectedPath() {
        std::u16string p;
        OnLoop([&] {
            int s = pm()->Selected();
            if (s < pm()->Count) p = pm()->Pic[s]->Path();
        });
        return TempFolder::Utf8(p);
    }
    int Count() {
        int n = 0;
        OnLoop([&] { n = pm()->Count; });
        return n;
    }
    // Polls on the interface thread; bounded, never timed.
    bool Await(const std::function<bool()>& condition) {
        bool met = false;
        for (int i = 0; i < 30000 && !met; i++) {
            OnLoop([&] { met = condition(); });
            if (!met) plat::Sleep(2);
        }
        return met;
    }
    bool Listed() { return (pm()->Flags & PM_SCAN_LISTED) != 0; }
    int Quit() {
        headless::InjectCtrlQ();
        program.join();
        return code;
    }
    static std::string FirstLine(const std::string& file) {
        std::ifstream in(file);
        std::string line;
        std::getline(in, line);
        return line;
    }
};

TEST_F(CommandLine, FolderArgumentIsWhereItStartsAndWhatItSaves) {
    MakeTrip(2);
    arguments = {pics0() + "/Trip/"};
    Start(e2e::Pictures(3));
    EXPECT_EQ(Folder(), pics + "/Trip");
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(FirstLine(prog + "/Lumatray.ini"), "ImgPath|" + pics + "/Trip|");
}

TEST_F(CommandLine, PictureArgumentOpensItAmongTheRestOfItsFolder) {
    MakeTrip(3);
    arguments = {pics0() + "/Trip/./t1.jpg"};
    Start(e2e::Pictures(3));
    ASSERT_TRUE(Await([&] { return pm()->Mode == 1 && Listed(); }));
    EXPECT_EQ(Folder(), pics + "/Trip");
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t1.jpg");
    EXPECT_EQ(Count(), 3);  // the picture put first is not listed twice
    headless::InjectKey(plat::KEY_RIGHT);
    Settle();
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(FirstLine(prog + "/Lumatray.ini"), "ImgPath|" + pics + "/Trip|");
}

TEST_F(CommandLine, SecondStartHandsOverItsPathToTheRunningWindow) {
    MakeTrip(3);
    Start(e2e::Pictures(4));
    int inPics = Count();

    // A picture of the folder on view opens at once, with no new listing.
    headless::HandOver(TempFolder::Utf16(pics + "/p02.jpg"));
    ASSERT_TRUE(Await([&] { return pm()->Mode == 1; }));
    EXPECT_EQ(SelectedPath(), pics + "/p02.jpg");
    EXPECT_EQ(Count(), inPics);

    // One in another folder, while a menu is up: the menu makes way.
    headless::InjectKey(plat::KEY_UP);
    headless::HandOver(TempFolder::Utf16(pics + "/Trip/t2.jpg"));
    ASSERT_TRUE(Await([&] { return Listed() && std::u16string(pm()->Path) == TempFolder::Utf16(pics + "/Trip"); }));
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_EQ(Mode(), 1);
    bool panel = true;
    OnLoop([&] { panel = pm()->PanelUp(); });
    EXPECT_FALSE(panel);
    EXPECT_EQ(Count(), 3);

    // Gone by the time it arrives: nothing changes.
    headless::HandOver(TempFolder::Utf16(pics + "/Trip/missing.jpg"));
    EXPECT_EQ(SelectedPath(), pics + "/Trip/t2.jpg");
    EXPECT_EQ(Mode(), 1);

    // A folder closes the picture and becomes the folder on view.
    headless::HandOver(TempFolder::Utf16(pics));
    ASSERT_TRUE(Await([&] { return pm()->Mode == 0 && Listed() && std::u16string(pm()->Path) == TempFolder::Utf16(pics); }));
    EXPECT_EQ(Count(), inPics);
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(FirstLine(prog + "/Lumatray.ini"), "ImgPath|" + pics + "|");
}

// The saved folder lay on a storage card that is out: the pictures folder,
// not an empty track under names that are gone.
TEST_F(CommandLine, VanishedSavedFolderGivesWayToThePicturesFolder) {
    savedFolder = temp.Path() + "/card/DCIM";
    headless::SetPicturesFolder(TempFolder::Utf16(pics0()));
    Start(e2e::Pictures(2));
    headless::SetPicturesFolder(u"");
    EXPECT_EQ(Folder(), pics);
    EXPECT_EQ(Count(), 2);
}

TEST_F(CommandLine, InstalledCopyFindsItsSkinAndKeepsItsSettingsInTheConfigurationFolder) {
    installed = true;
    Start(e2e::Pictures(2));
    bool skin = false;
    // The "quit" button holds the drawn disc, not the key colour of a
    // missing file.
    OnLoop([&] {
        PaintBuffer_t* quit = pm()->Icon[0];
        skin = Installed && quit->Rows()[quit->Height() / 2][quit->Width() / 2] != kMagentaKey;
    });
    EXPECT_TRUE(skin);
    EXPECT_EQ(Quit(), 0);
    // PREFIX/bin is writable here, as in a prefix under the home folder.
    EXPECT_FALSE(exists(prog + "/Lumatray.ini"));
    EXPECT_EQ(FirstLine(temp.Path() + "/config/Lumatray.ini"), "ImgPath|" + pics + "|");
    EXPECT_TRUE(exists(temp.Path() + "/config/Skin/Skin.txt"));
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
    EXPECT_EQ(headless::FramesPresented(), 0);
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
