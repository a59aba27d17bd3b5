// lumatray-bench frames and shots: the whole program run headless on a
// folder of pictures, timing the composition of browse and picture-view
// frames, or writing screenshots of each screen as PNG files.
#include "bench/tool/Frames.h"
#include "bench/tool/HeadlessProgram.h"

#include <png.h>
#include <time.h>
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

double MedianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Times compose() on the interface thread, under the browser lock, as the
// paint step does; the transfer to the screen is not counted. The time is
// the thread's own processor time: the workers (and anything else on the
// machine) may still be busy, and their share is not the frame's cost.
double TimeFrames(const std::function<void()>& compose, int frames) {
    std::vector<double> ms;
    OnLoop([&] {
        TheBrowser->Pause(true);
        for (int i = 0; i < frames; i++) {
            double t0 = ThreadMs();
            compose();
            ms.push_back(ThreadMs() - t0);
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
    WorkFolder work;
    Program program(dir, width, height, work);
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
    std::printf("screen %dx%d, %s, median processor time of 60 composed frames\n", width, height, dir.c_str());
    std::printf("frames browse_ms=%.3f view_ms=%.3f\n", browse, view);
    return 0;
}

int Shots(const std::string& dir, const std::string& out, int width, int height) {
    WorkFolder work;
    Program program(dir, width, height, work);
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
