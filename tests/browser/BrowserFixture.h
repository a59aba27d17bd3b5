// Shared set-up of the browser tests: a headless screen, a temporary
// folder tree on disk, and a browser with no thumbnail pool (the loader
// then only walks, so listing tests do not depend on decoding).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "render/PaintBuffer.h"
#include "tests/support/TempFolder.h"
#include "util/Text.h"

namespace fs = std::filesystem;
using Names_t = std::vector<std::string>;

// Test names are ASCII: one unit per byte both ways.
inline std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
inline std::string U8(const char16_t* s) { return std::string(s, s + std::char_traits<char16_t>::length(s)); }

class BrowserTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset(240, 320);
        BuildTrigTables();
        SetScreenMetrics(240, 320);
        ProgramFolder[0] = 0;
        DataFolder[0] = 0;
        pm = new PictureMgr_t();
    }
    // The browser goes before the pool and cache root a test may have set.
    void TearDown() override {
        delete pm;
        delete IconPool;
        IconPool = nullptr;
        CachePath[0] = 0;
    }

    std::string Path(const std::string& rel) const { return temp.Path() + "/" + rel; }
    void Dir(const std::string& rel) const { fs::create_directories(Path(rel)); }
    void File(const std::string& rel, const std::string& content = "") const {
        fs::create_directories(fs::path(Path(rel)).parent_path());
        std::ofstream(Path(rel), std::ios::binary) << content;
    }
    bool Open(const std::string& folder, const std::string& keep = "") {
        std::u16string f = U16(folder), k = U16(keep);
        return pm->SetPath(f.c_str(), keep.empty() ? nullptr : k.c_str());
    }
    // Bounded poll: a slow machine only waits longer.
    bool WaitListed() {
        for (int i = 0; i < 120000 && !(pm->Flags & PM_SCAN_LISTED); i++) plat::Sleep(1);
        return pm->Flags & PM_SCAN_LISTED;
    }
    // The file names of the list in display order, read under the lock.
    Names_t Names() {
        Names_t out;
        pm->Pause(true);
        for (int i = 0; i < pm->Count; i++) out.push_back(fs::path(U8(pm->Pic[i]->Path())).filename());
        pm->Pause(false);
        return out;
    }
    std::string SelectedPath() {
        pm->Pause(true);
        std::string s = U8(pm->Pic[pm->Selected()]->Path());
        pm->Pause(false);
        return s;
    }

    PictureMgr_t* pm = nullptr;
    TempFolder temp;
};
