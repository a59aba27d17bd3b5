// lumatray-bench start: the whole program run headless, timing what a user
// waits for: a warm start (thumbnail cache filled) to the first frame that
// shows the folder at rest with its thumbnails, and Ctrl+Q to the end of
// the program, at rest, while thumbnails are being made and while a big
// folder is being listed.
#include "bench/tool/Startup.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "bench/tool/HeadlessProgram.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// Every frame shown since Record() armed it, with the time it was shown.
struct Shown {
    double ms;
    std::vector<uint16_t> pixels;
};
std::mutex shownLock;
std::vector<Shown> shown;
Clock::time_point shownSince;

void Record(const uint16_t* pixels, int width, int height) {
    std::lock_guard<std::mutex> hold(shownLock);
    shown.push_back({MsSince(shownSince), std::vector<uint16_t>(pixels, pixels + (size_t)width * height)});
}

// Ctrl+Q to the program's end, in milliseconds.
double TimeQuit(Program& program) {
    Clock::time_point t0 = Clock::now();
    program.Quit();
    return MsSince(t0);
}

// A folder of count names of real pictures (hard links of one file), to
// be listed; false when it cannot be made.
bool MakeBigFolder(const fs::path& folder, const std::string& dir, int count) {
    std::error_code ec;
    fs::path picture;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file() && e.path().extension() == ".jpg") {
            picture = e.path();
            break;
        }
    if (picture.empty() || !fs::create_directories(folder, ec)) return false;
    for (int i = 0; i < count; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "p%06d.jpg", i);
        fs::create_hard_link(picture, folder / name, ec);
        if (ec) fs::copy_file(picture, folder / name, ec);
        if (ec) return false;
    }
    return true;
}

}  // namespace

int Startup(const std::string& dir, int width, int height) {
    WorkFolder work;
    {
        // The first run fills the cache and saves the settings.
        Program first(dir, width, height, work);
        first.WaitThumbnails();
    }

    // Warm start. The frame the user sees at rest is the one composed once
    // everything is in; the first frame shown equal to it is when the
    // folder appeared whole.
    shown.clear();
    shownSince = Clock::now();
    Program warm(dir, width, height, work, true, Record);
    warm.WaitThumbnails();
    plat::Sleep(300);  // the curve's easing and the last repaint
    std::vector<uint16_t> atRest;
    OnLoop([&] { TheBrowser->Refresh(); });
    OnLoop([&] { atRest = headless::LastFrame(); });
    double firstWhole = -1;
    {
        std::lock_guard<std::mutex> hold(shownLock);
        for (const Shown& s : shown)
            if (s.pixels == atRest) {
                firstWhole = s.ms;
                break;
            }
    }
    double quitAtRest = TimeQuit(warm);

    // Ctrl+Q while thumbnails are being made: a cold cache.
    WorkFolder cold;
    Program making(dir, width, height, cold);
    bool busy = false;
    OnLoop([&] {
        TheBrowser->Pause(true);
        for (int i = 0; i < TheBrowser->Count; i++)
            busy = busy || (TheBrowser->Pic[i]->Kind() == KIND_PICTURE && !TheBrowser->Pic[i]->HasFlags(ICON_READY));
        TheBrowser->Pause(false);
    });
    double quitMaking = TimeQuit(making);

    // Ctrl+Q while a folder of 20,000 pictures is being listed.
    fs::path big = work.Path() / "big";
    if (!MakeBigFolder(big, dir, 20000)) {
        std::fprintf(stderr, "could not make a big folder in %s\n", big.c_str());
        return 1;
    }
    WorkFolder listing;
    Program lister(big.string(), width, height, listing, false);
    int listed = 0;
    while (listed < 200) {
        plat::Sleep(1);
        if (headless::LoopRunning()) OnLoop([&] { listed = TheBrowser ? (int)TheBrowser->Count : 0; });
    }
    bool partial = !lister.Listed();
    double quitListing = TimeQuit(lister);

    std::printf("screen %dx%d, %s, warm cache; Ctrl+Q timed to the end of the program\n", width, height, dir.c_str());
    std::printf("start first_frame_ms=%.0f quit_rest_ms=%.1f quit_thumbnails_ms=%.1f%s quit_listing_ms=%.1f%s\n",
                firstWhole, quitAtRest, quitMaking, busy ? "" : " (already made)", quitListing,
                partial ? "" : " (already listed)");
    return firstWhole < 0 ? 1 : 0;
}
