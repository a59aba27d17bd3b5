// The whole program running headless on its own thread over a temporary
// program folder and a folder of real pictures; the test drives it with
// injected keys and pen strokes and reads its state on the interface
// thread between two messages (OnLoop). Every test fails on a nested
// browser lock.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../support/TempFolder.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"

namespace e2e {

namespace fs = std::filesystem;

inline std::atomic<int> nestedLocks{0};

// n copies of five small test pictures, named p00.jpg, p01.jpg, ...
inline std::vector<std::pair<std::string, std::string>> Pictures(int n) {
    const char* sources[] = {"testorig.jpg", "testimgp.jpg", "video-001.jpeg", "video-001.q50.440.progressive.jpeg",
                             "jpg-rgb-64x48x8.jpg"};
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < n; i++) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.jpg", i);
        out.push_back({sources[i % 5], name});
    }
    return out;
}

class RunningProgram : public testing::Test {
protected:
    // pictures: file name in the shared test data -> names to copy it to.
    void Start(const std::vector<std::pair<std::string, std::string>>& pictures, int width = 240,
               int height = 320, const std::vector<std::string>& folders = {}) {
        // Installed: PREFIX/bin/lumatray, the skin in PREFIX/share/lumatray,
        // the settings in the configuration folder.
        prog = temp.Path() + (installed ? "/prefix/bin" : "/prog");
        pics = temp.Path() + "/pics";
        std::string skin = installed ? temp.Path() + "/prefix/share/lumatray/Skin" : prog + "/Skin";
        settings = installed ? temp.Path() + "/config" : prog;
        fs::create_directories(prog);
        fs::create_directories(skin);
        fs::create_directories(settings);
        fs::create_directories(pics);
        for (const std::string& f : folders) fs::create_directories(pics + "/" + f);
        std::error_code ec;
        fs::copy(LUMATRAY_BUILD_DIR "/Skin", skin, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        ASSERT_FALSE(ec) << ec.message();
        fs::remove(skin + "/Skin.txt", ec);  // a run's colours in the build folder are not the skin's
        for (const auto& [from, to] : pictures)
            fs::copy_file(std::string(LUMATRAY_TESTDATA "/jpeg/") + from, pics + "/" + to);
        std::ofstream(settings + "/Lumatray.ini") << "ImgPath|" << (savedFolder.empty() ? pics : savedFolder)
                                                   << "|\nCachePath|" << temp.Path() << "/cache|\n"
                                                   << extraSettings;
        fs::create_directories(temp.Path() + "/cache");
        Launch(width, height);
    }

    // Starts the program on the folders as they are (Lumatray.ini included)
    // and waits until its folder is listed.
    void Launch(int width = 240, int height = 320) {
        headless::Reset(width, height);
        headless::SetProgramFile(TempFolder::Utf16(prog + "/lumatray"));
        headless::SetTempFolder(TempFolder::Utf16(temp.Path() + "/tmp"));
        headless::SetConfigFolder(TempFolder::Utf16(temp.Path() + "/config"));
        headless::SetNoStorageCard(true);
        nestedLocks = 0;
        NestedLockHook = [] { nestedLocks++; };
        program = std::thread([this] {
            std::vector<const char*> argv{"lumatray"};
            for (const std::string& a : arguments) argv.push_back(a.c_str());
            code = LumatrayMain((int)argv.size(), argv.data());
        });
        // Running: the browser exists and the folder is listed.
        bool listed = false;
        for (int i = 0; i < 120000 && !listed; i++) {
            plat::Sleep(1);
            if (headless::LoopRunning()) OnLoop([&] { listed = TheBrowser && (TheBrowser->Flags & PM_SCAN_LISTED); });
        }
        ASSERT_TRUE(listed);
        OnLoop([] {});  // the start-up's paints are behind us
    }

    // Ends the program as the user would (Ctrl+Q): it saves its settings.
    // A later Launch starts the counts below afresh: they are checked here.
    void Stop() {
        if (program.joinable()) {
            headless::InjectCtrlQ();
            program.join();
            EXPECT_EQ(code, 0);
            EXPECT_EQ(nestedLocks, 0) << "an operation asked for the browser lock it held";
            EXPECT_EQ(headless::UnansweredBoxes(), 0);
        }
    }

    void TearDown() override {
        Stop();
        NestedLockHook = nullptr;
        EXPECT_EQ(nestedLocks, 0) << "an operation asked for the browser lock it held";
        EXPECT_EQ(headless::UnansweredBoxes(), 0);
        headless::SetProgramFile(u"");
        headless::SetTempFolder(u"");
        headless::SetConfigFolder(u"");
        headless::SetPicturesFolder(u"");
        headless::SetNoStorageCard(false);
    }

    // Runs f on the interface thread once every message sent before it has
    // been handled.
    void OnLoop(const std::function<void()>& f) {
        auto call = [](void* arg) { (*static_cast<const std::function<void()>*>(arg))(); };
        ASSERT_TRUE(headless::RunOnLoop(call, const_cast<std::function<void()>*>(&f)));
    }
    // Lets the curve and the zoom come to rest (frames post themselves).
    void Settle() {
        bool rest = false;
        for (int i = 0; i < 2000 && !rest; i++) {
            OnLoop([&] {
                PictureMgr_t* pm = TheBrowser;
                rest = pm->Turn == 0 && pm->TargetTurn == 0 && pm->Selected() == pm->Shown &&
                       pm->Zoom == pm->TargetZoom && !(pm->Flags & PM_DRAGGING);
            });
            if (!rest) plat::Sleep(5);
        }
        ASSERT_TRUE(rest);
    }
    PictureMgr_t* pm() const { return TheBrowser; }
    int Selected() {
        int s = -1;
        OnLoop([&] { s = TheBrowser->Selected(); });
        return s;
    }
    int Mode() { return TheBrowser->Mode; }
    void Stroke(std::initializer_list<std::pair<int, int>> points) {
        auto p = points.begin();
        headless::InjectPenDown(p->first, p->second);
        int x = p->first, y = p->second;
        for (++p; p != points.end(); ++p) headless::InjectPenMove(x = p->first, y = p->second);
        headless::InjectPenUp(x, y);
    }

    // Waits, message by message, until pred holds on the interface thread.
    bool WaitFor(const std::function<bool()>& pred) {
        bool done = false;
        for (int i = 0; i < 20000 && !done; i++) {
            OnLoop([&] { done = pred(); });
            if (!done) plat::Sleep(1);
        }
        return done;
    }

    TempFolder temp;
    std::string extraSettings;  // more Lumatray.ini lines for Start
    std::string prog, pics, settings;
    // Set before Start: the command line after the program's name, and the
    // installed layout in place of a build folder.
    std::vector<std::string> arguments;
    bool installed = false;
    std::string savedFolder;  // ImgPath in Lumatray.ini (empty: the pictures)
    std::thread program;
    std::atomic<int> code{-1};
};

}  // namespace e2e
