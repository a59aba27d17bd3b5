// Folder listing speed: from SetPath to the whole list, for folders of
// empty files named .jpg; and the memory an entry costs (the entry plus its
// name label).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"

namespace fs = std::filesystem;

namespace {

// One folder per size, made once per run and removed at exit.
struct BenchFolder {
    std::string root;
    explicit BenchFolder(int files) {
        std::string tmpl = (fs::temp_directory_path() / "lumatray-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        char name[32];
        for (int i = 0; i < files; i++) {
            std::snprintf(name, sizeof name, "/IMG_%05d.jpg", i);
            std::ofstream(root + name);
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void SetUpProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    headless::Reset(240, 320);
    BuildTrigTables();
    SetScreenMetrics(240, 320);
    if (!UiFont) UiFont = plat::CreateFont(15 * UiScale, 6 * UiScale, 500);
}

uint64_t LabelBytes(const PaintBuffer_t* label) {
    if (!label) return 0;
    return sizeof(PaintBuffer_t) + (uint64_t)label->Height() * label->Pitch() * 2 +
           (uint64_t)label->Height() * sizeof(uint16_t*);
}

void BM_ListFolder(benchmark::State& state) {
    SetUpProcess();
    int files = (int)state.range(0);
    BenchFolder folder(files);
    std::u16string path(folder.root.begin(), folder.root.end());
    PictureMgr_t* pm = new PictureMgr_t();
    uint64_t labels = 0;
    double longestWait = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        pm->SetPath(path.c_str(), nullptr);
        // The interface thread meanwhile: a frame every 40 ms under the
        // browser lock; its longest wait for the lock is what the pen feels.
        std::atomic<bool> listed{false};
        std::thread ui([&] {
            while (!listed.load()) {
                auto asked = std::chrono::steady_clock::now();
                pm->Pause(true);
                auto got = std::chrono::steady_clock::now();
                longestWait = std::max(longestWait, std::chrono::duration<double, std::milli>(got - asked).count());
                plat::Sleep(2);  // composing the frame
                pm->Pause(false);
                plat::Sleep(38);
            }
        });
        while (!(pm->Flags & PM_SCAN_LISTED)) plat::Sleep(1);
        auto end = std::chrono::steady_clock::now();
        listed.store(true);
        ui.join();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (pm->Count != files) state.SkipWithError("incomplete list");
        state.PauseTiming();
        labels = 0;
        pm->Pause(true);
        for (int i = 0; i < pm->Count; i++) labels += LabelBytes(pm->Pic[i]->Label());
        pm->Pause(false);
        state.ResumeTiming();
    }
    state.counters["entries"] = files;
    state.counters["ui_wait_max_ms"] = longestWait;
    state.counters["us_per_entry"] = benchmark::Counter(
        (double)files, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["sizeof_Picture_t"] = sizeof(Picture_t);
    state.counters["label_bytes_avg"] = files ? (double)labels / files : 0;
    // Path and name blocks: "<folder>/IMG_00000.jpg" and "IMG_00000", with
    // malloc's 16-byte header rounded to 16 each.
    auto block = [](size_t units) { return (double)((units * 2 + 8 + 15) / 16 * 16); };
    double texts = block(folder.root.size() + 15) + block(10);
    state.counters["text_bytes"] = texts;
    state.counters["bytes_per_entry"] = sizeof(Picture_t) + sizeof(Picture_t*) + texts + (files ? (double)labels / files : 0);
    delete pm;
}

// The work of one entry without the scanner's pause: making it, its label,
// the memory check, the ordered insertion and the info line.
void BM_AddEntry(benchmark::State& state) {
    SetUpProcess();
    int files = (int)state.range(0);
    char16_t path[64];
    char name[64];
    for (auto _ : state) {
        state.PauseTiming();
        PictureMgr_t* pm = new PictureMgr_t();
        state.ResumeTiming();
        for (int i = 0; i < files; i++) {
            // Reverse order: every insertion lands at the front.
            std::snprintf(name, sizeof name, "/bench/IMG_%05d.jpg", files - i);
            for (int k = 0; k < 64; k++) path[k] = (char16_t)(unsigned char)name[k];
            Picture_t* e = new Picture_t(KIND_PICTURE);
            e->SetFileName(path);
            pm->AddEntry(e, true);
        }
        state.PauseTiming();
        delete pm;
        state.ResumeTiming();
    }
    state.counters["us_per_entry"] = benchmark::Counter(
        (double)files, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_AddEntry)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFolder)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
