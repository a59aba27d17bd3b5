// The whole program run headless on a thread, for the interface commands
// of lumatray-bench: started on a folder of pictures with a program folder
// whose skin is the build's, ended by Ctrl+Q.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/Main.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"

inline std::u16string Wide(const std::string& s) {
    std::u16string w;
    for (unsigned char c : s) w.push_back(c);  // the bench's paths are ASCII
    return w;
}

// Runs f on the interface thread between two messages.
inline void OnLoop(const std::function<void()>& f) {
    auto call = [](void* arg) { (*static_cast<const std::function<void()>*>(arg))(); };
    headless::RunOnLoop(call, const_cast<std::function<void()>*>(&f), 600000);
}

// A temporary folder for the program, its settings and its thumbnail
// cache; kept across several runs (a warm start), removed at the end.
class WorkFolder {
public:
    WorkFolder() {
        path_ = std::filesystem::temp_directory_path() / ("lumatray-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_ / "prog");
        std::filesystem::create_directories(path_ / "cache");
        std::error_code ec;
        std::filesystem::create_directory_symlink(
            std::filesystem::canonical("/proc/self/exe").parent_path() / "Skin", path_ / "prog" / "Skin", ec);
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

class Program {
public:
    // Starts the program on dir; with waitListed, returns once the whole
    // folder is listed. presentHook sees every frame shown.
    Program(const std::string& dir, int width, int height, const WorkFolder& work, bool waitListed = true,
            void (*presentHook)(const uint16_t*, int, int) = nullptr) {
        const std::filesystem::path& w = work.Path();
        std::ofstream(w / "prog" / "Lumatray.ini")
            << "ImgPath|" << dir << "|\nCachePath|" << (w / "cache").string() << "|\n";
        headless::Reset(width, height);
        headless::SetProgramFile(Wide((w / "prog" / "lumatray").string()));
        headless::SetConfigFolder(Wide((w / "config").string()));
        headless::SetNoStorageCard(true);
        headless::SetPresentHook(presentHook);
        thread_ = std::thread([] { LumatrayMain(); });
        while (waitListed && !Listed()) plat::Sleep(5);
    }
    ~Program() { Quit(); }

    // Ctrl+Q, and the program's thread joined.
    void Quit() {
        if (!thread_.joinable()) return;
        headless::InjectCtrlQ();
        thread_.join();
    }
    bool Listed() {
        bool listed = false;
        if (headless::LoopRunning()) OnLoop([&] { listed = TheBrowser && (TheBrowser->Flags & PM_SCAN_LISTED); });
        return listed;
    }
    // Waits until the curve is drawn and every picture on screen has its
    // thumbnail (a picture without one is drawn with its name label
    // instead). Far pictures may not hold one: the thumbnail pool has slots
    // for a few screens only.
    void WaitThumbnails() {
        bool drawn = false;
        WaitUntil([&](PictureMgr_t* pm, int i) {
            if (pm->Pic[i]->iconCorners[0].x == -1) return true;
            drawn = true;
            return pm->Pic[i]->HasFlags(ICON_READY);
        }, &drawn);
    }
    // Waits until the selected picture is decoded and nothing else decodes:
    // at rest, no decoding competes with the frames.
    void WaitPicture() {
        WaitUntil([](PictureMgr_t* pm, int i) {
            return !pm->Pic[i]->HasFlags(PIC_LOADING) && (i != pm->Selected() || pm->Pic[i]->HasFlags(PIC_LOADED));
        });
    }
    // Selects the first picture entry; false when there is none.
    bool SelectFirstPicture() {
        bool found = false;
        OnLoop([&] {
            PictureMgr_t* pm = TheBrowser;
            pm->Pause(true);
            for (int i = 0; i < pm->Count && !found; i++)
                if (pm->Pic[i]->Kind() == KIND_PICTURE) {
                    pm->ResetView(i);
                    found = true;
                }
            pm->Pause(false);
        });
        return found;
    }

private:
    // Polls, for at most 100 s, until done holds for every picture entry
    // (and *also, when given, is set).
    template <class Done>
    void WaitUntil(Done done, bool* also = nullptr) {
        for (int tries = 0; tries < 20000; tries++) {
            bool all = true;
            OnLoop([&] {
                PictureMgr_t* pm = TheBrowser;
                pm->Pause(true);
                for (int i = 0; i < pm->Count; i++)
                    if (pm->Pic[i]->Kind() == KIND_PICTURE && !done(pm, i)) all = false;
                pm->Pause(false);
            });
            if (all && (!also || *also)) return;
            plat::Sleep(5);
        }
    }

    std::thread thread_;
};
