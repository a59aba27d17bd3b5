// lumatray-bench frames and shots: the whole program run headless on a
// folder of pictures, timing the composition of browse and picture-view
// frames, or writing screenshots of each screen as PNG files.
#include "bench/tool/Frames.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "app/Globals.h"
#include "app/Main.h"
#include "browser/Bookmark.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"

namespace fs = std::filesystem;

namespace {

std::u16string Wide(const std::string& s) {
    std::u16string w;
    for (unsigned char c : s) w.push_back(c);  // the bench's paths are ASCII
    return w;
}

void OnLoop(const std::function<void()>& f) {
    auto call = [](void* arg) { (*static_cast<const std::function<void()>*>(arg))(); };
    headless::RunOnLoop(call, const_cast<std::function<void()>*>(&f), 600000);
}

// The program on a thread, started on dir with a temporary program folder
// whose skin is the build's; ends on Stop.
class Program {
public:
    Program(const std::string& dir, int width, int height) {
        work_ = fs::temp_directory_path() / ("lumatray-frames-" + std::to_string(::getpid()));
        fs::create_directories(work_ / "prog");
        fs::create_directories(work_ / "cache");
        fs::path skin = fs::canonical("/proc/self/exe").parent_path() / "Skin";
        std::error_code ec;
        fs::create_directory_symlink(skin, work_ / "prog" / "Skin", ec);
        std::ofstream(work_ / "prog" / "Lumatray.ini")
            << "ImgPath|" << dir << "|\nCachePath|" << (work_ / "cache").string() << "|\n";
        headless::Reset(width, height);
        headless::SetProgramFile(Wide((work_ / "prog" / "lumatray").string()));
        headless::SetConfigFolder(Wide((work_ / "config").string()));
        headless::SetNoStorageCard(true);
        thread_ = std::thread([] { LumatrayMain(); });
        bool ready = false;
        while (!ready) {
            plat::Sleep(5);
            if (headless::LoopRunning()) OnLoop([&] { ready = TheBrowser && (TheBrowser->Flags & PM_SCAN_LISTED); });
        }
    }
    ~Program() {
        headless::InjectCtrlQ();
        thread_.join();
        std::error_code ec;
        fs::remove_all(work_, ec);
    }
    // Waits until every picture has its thumbnail (a picture without one
    // is drawn with its name label instead).
    void WaitThumbnails() {
        for (int tries = 0; tries < 20000; tries++) {
            bool done = true;
            OnLoop([&] {
                PictureMgr_t* pm = TheBrowser;
                pm->Pause(true);
                for (int i = 0; i < pm->Count; i++)
                    if (pm->Pic[i]->Kind() == KIND_PICTURE && !pm->Pic[i]->HasFlags(ICON_READY)) done = false;
                pm->Pause(false);
            });
            if (done) return;
            plat::Sleep(5);
        }
    }
    // Waits until the selected picture is decoded.
    void WaitPicture() {
        for (int tries = 0; tries < 20000; tries++) {
            bool done = false;
            OnLoop([&] {
                PictureMgr_t* pm = TheBrowser;
                done = pm->Selected() < pm->Count && pm->Pic[pm->Selected()]->HasFlags(PIC_LOADED);
            });
            if (done) return;
            plat::Sleep(5);
        }
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
    fs::path work_;
    std::thread thread_;
};

double MedianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Times compose() on the interface thread, under the browser lock, as the
// paint step does; the transfer to the screen is not counted.
double TimeFrames(const std::function<void()>& compose, int frames) {
    std::vector<double> ms;
    OnLoop([&] {
        TheBrowser->Pause(true);
        for (int i = 0; i < frames; i++) {
            auto t0 = std::chrono::steady_clock::now();
            compose();
            auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        TheBrowser->Pause(false);
    });
    return MedianMs(ms);
}

bool WritePng(const std::string& file, const std::vector<uint16_t>& frame, int width, int height) {
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row((size_t)width * 3);
    bool ok = png && info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, f);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; y++) {
            // RGB565 as the window shows it, widened by repeating the top bits.
            for (int x = 0; x < width; x++) {
                uint16_t p = frame[(size_t)y * width + x];
                int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
                row[3 * x] = (uint8_t)(r << 3 | r >> 2);
                row[3 * x + 1] = (uint8_t)(g << 2 | g >> 4);
                row[3 * x + 2] = (uint8_t)(b << 3 | b >> 2);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

bool Shot(const std::string& out, const std::string& name, int width, int height) {
    std::string file = out + "/" + name + "-" + std::to_string(width) + "x" + std::to_string(height) + ".png";
    bool ok = WritePng(file, headless::LastFrame(), width, height);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", file.c_str());
    return ok;
}

}  // namespace

int Frames(const std::string& dir, int width, int height) {
    Program program(dir, width, height);
    if (!program.SelectFirstPicture()) {
        std::fprintf(stderr, "no picture in %s\n", dir.c_str());
        return 1;
    }
    program.WaitThumbnails();
    double browse = TimeFrames([] {
        TheBrowser->PaintFull->Clear();
        TheBrowser->DrawBrowse(-1);
    }, 60);
    headless::InjectKey(plat::KEY_ACTION);
    program.WaitPicture();
    OnLoop([] {
        // Turned off the quarter turns and magnified: the general mapping.
        TheBrowser->Angle = TheBrowser->TargetAngle = 23;
        TheBrowser->Zoom = TheBrowser->TargetZoom = 0.6f;
    });
    double view = TimeFrames([] {
        TheBrowser->PaintFull->Clear();
        TheBrowser->DrawView();
    }, 60);
    std::printf("screen %dx%d, %s, median of 60 composed frames\n", width, height, dir.c_str());
    std::printf("frames browse_ms=%.3f view_ms=%.3f\n", browse, view);
    return 0;
}

int Shots(const std::string& dir, const std::string& out, int width, int height) {
    Program program(dir, width, height);
    fs::create_directories(out);
    bool ok = true;
    program.SelectFirstPicture();
    OnLoop([] {
        // Two bookmarks for the panel: the folder on view and its parent.
        Bookmarks[0]->SetFolder(TheBrowser->Back[0]->Path());
        Bookmarks[1]->SetFolder(TheBrowser->Back[1]->Path());
        TheBrowser->Back[0]->CheckBookmark();
    });
    program.WaitThumbnails();
    OnLoop([] { TheBrowser->Refresh(); });
    OnLoop([&] { ok = Shot(out, "browse", width, height) && ok; });
    headless::InjectKey(plat::KEY_UP);
    OnLoop([&] { ok = Shot(out, "menu", width, height) && ok; });
    plat::PostMessage(41003);  // the bookmark panel
    OnLoop([&] { ok = Shot(out, "bookmarks", width, height) && ok; });
    plat::PostMessage(41001);
    headless::InjectKey(plat::KEY_ACTION);
    program.WaitPicture();
    OnLoop([] { TheBrowser->Refresh(); });
    OnLoop([&] { ok = Shot(out, "picture", width, height) && ok; });
    headless::InjectKey(plat::KEY_UP);
    plat::PostMessage(42005);  // the rotation pop-up
    OnLoop([&] { ok = Shot(out, "popup", width, height) && ok; });
    return ok ? 0 : 1;
}
