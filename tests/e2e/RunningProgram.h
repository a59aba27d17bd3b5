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
    for (int i = 0; i < n; i++) out.push_back({sources[i % 5], "p" + std::to_string(100 + i).substr(1) + ".jpg"});
    return out;
}

class RunningProgram : public testing::Test {
protected:
    // pictures: file name in the shared test data -> name in pics.
    void Start(const std::vector<std::pair<std::string, std::string>>& pictures,
               const std::vector<std::string>& folders = {}) {
        // Installed: PREFIX/bin/lumatray, the skin in PREFIX/share/lumatray,
        // the settings in the configuration folder.
        prog = temp.Path() + (installed ? "/prefix/bin" : "/prog");
        std::string skin = installed ? temp.Path() + "/prefix/share/lumatray/Skin" : prog + "/Skin";
        std::string settings = installed ? temp.Path() + "/config" : prog;
        for (const std::string& f : folders) fs::create_directories(pics + "/" + f);
        for (const std::string& d : {skin, settings, pics, temp.Path() + "/cache"}) fs::create_directories(d);
        std::error_code ec;
        fs::copy(LUMATRAY_BUILD_DIR "/Skin", skin, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        ASSERT_FALSE(ec) << ec.message();
        fs::remove(skin + "/Skin.txt", ec);  // a run's colours in the build folder are not the skin's
        for (const auto& [from, to] : pictures)
            fs::copy_file(std::string(LUMATRAY_TESTDATA "/jpeg/") + from, pics + "/" + to);
        std::ofstream(settings + "/Lumatray.ini") << "ImgPath|" << (savedFolder.empty() ? pics : savedFolder) << "|\n"
                                                   << cacheLine;
        Launch();
    }

    // Starts the program on the folders as they are (Lumatray.ini included)
    // and waits until its folder is listed.
    void Launch() {
        headless::Reset(240, 320);
        headless::SetProgramFile(TempFolder::Utf16(prog + "/lumatray"));
        headless::SetTempFolder(TempFolder::Utf16(temp.Path() + "/tmp"));
        headless::SetConfigFolder(TempFolder::Utf16(temp.Path() + "/config"));
        headless::SetNoStorageCard(card.empty());
        headless::SetStorageCard(TempFolder::Utf16(card));
        nestedLocks = 0;
        NestedLockHook = [] { nestedLocks++; };
        program = std::thread([this] {
            std::vector<const char*> argv{"lumatray"};
            for (const std::string& a : arguments) argv.push_back(a.c_str());
            code = LumatrayMain((int)argv.size(), argv.data());
        });
        for (int i = 0; i < 120000 && !headless::LoopRunning(); i++) plat::Sleep(1);
        ASSERT_TRUE(WaitFor([] { return TheBrowser && (TheBrowser->Flags & PM_SCAN_LISTED); }));
        OnLoop([] {});  // the start-up's paints are behind us
    }

    // Ends the program as the user would (Ctrl+Q): it saves its settings.
    void Stop() {
        if (!program.joinable()) return;
        headless::InjectCtrlQ();
        program.join();
        EXPECT_EQ(code, 0);
        EXPECT_EQ(nestedLocks, 0) << "an operation asked for the browser lock it held";
        EXPECT_EQ(headless::UnansweredBoxes(), 0);
    }

    void TearDown() override {
        Stop();
        NestedLockHook = nullptr;
        for (auto set : {headless::SetProgramFile, headless::SetTempFolder, headless::SetConfigFolder,
                         headless::SetPicturesFolder, headless::SetStorageCard})
            set(u"");
        headless::SetNoStorageCard(false);
    }

    // Runs f on the interface thread once every message sent before it has
    // been handled.
    void OnLoop(const std::function<void()>& f) {
        auto call = [](void* arg) { (*static_cast<const std::function<void()>*>(arg))(); };
        ASSERT_TRUE(headless::RunOnLoop(call, const_cast<std::function<void()>*>(&f)));
    }
    // f's value, read on the interface thread.
    template <class F>
    auto Get(F f) -> std::decay_t<decltype(f())> {
        std::decay_t<decltype(f())> value{};
        OnLoop([&] { value = f(); });
        return value;
    }
    // Waits, message by message, until pred holds on the interface thread.
    bool WaitFor(const std::function<bool()>& pred) {
        bool done = false;
        for (int i = 0; i < 20000 && !(done = Get(pred)); i++) plat::Sleep(1);
        return done;
    }
    // Lets the curve and the zoom come to rest (frames post themselves).
    void Settle() {
        ASSERT_TRUE(WaitFor([] {
            PictureMgr_t* pm = TheBrowser;
            return pm->Turn == 0 && pm->TargetTurn == 0 && pm->Selected() == pm->Shown && pm->Zoom == pm->TargetZoom &&
                   !(pm->Flags & PM_DRAGGING);
        }));
    }
    int Selected() { return Get([] { return TheBrowser->Selected(); }); }
    int Mode() { return Get([] { return (int)TheBrowser->Mode; }); }
    int Menu() { return Get([] { return TheBrowser->Menu; }); }
    std::string Folder() { return TempFolder::Utf8(Get([] { return std::u16string(TheBrowser->Path); })); }
    // Paths of the list, in order.
    std::vector<std::string> List() {
        return Get([] {
            std::vector<std::string> out;
            for (int i = 0; i < TheBrowser->Count; i++) out.push_back(TempFolder::Utf8(TheBrowser->Pic[i]->Path()));
            return out;
        });
    }
    std::string SelectedPath() {
        std::vector<std::string> list = List();
        size_t s = Selected();
        return s < list.size() ? list[s] : "";
    }
    void Stroke(std::initializer_list<std::pair<int, int>> points) {
        auto p = points.begin();
        headless::InjectPenDown(p->first, p->second);
        while (++p != points.end()) headless::InjectPenMove(p->first, p->second);
        headless::InjectPenUp(points.end()[-1].first, points.end()[-1].second);
    }

    TempFolder temp;
    std::string pics = temp.Path() + "/pics", prog;
    // Set before Start: the command line after the program's name, the installed layout in place
    // of a build folder, ImgPath in Lumatray.ini (empty: the pictures), its cache line, the
    // storage card (empty: none).
    std::vector<std::string> arguments;
    bool installed = false;
    std::string savedFolder, cacheLine = "CachePath|" + temp.Path() + "/cache|\n", card;
    std::thread program;
    std::atomic<int> code{-1};
};

}  // namespace e2e
