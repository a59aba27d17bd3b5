// Shared set-up of the browser tests: a headless screen, a temporary
// folder tree on disk, and a browser with no thumbnail pool (the loader
// then only walks, so listing tests do not depend on decoding).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Text.h"

namespace fs = std::filesystem;

// Test names are ASCII: one unit per byte both ways.
inline std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
inline std::string U8(const char16_t* s) {
    std::string out;
    for (; *s; s++) out += (char)*s;
    return out;
}

class TempTree {
public:
    TempTree() {
        std::string tmpl = (fs::temp_directory_path() / "lumatray-browser-XXXXXX").string();
        root_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempTree() {
        std::error_code ec;
        if (!root_.empty()) fs::remove_all(root_, ec);
    }
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& rel) const { return rel.empty() ? root_ : root_ + "/" + rel; }
    void Dir(const std::string& rel) const { fs::create_directories(Path(rel)); }
    void File(const std::string& rel, const std::string& content = "") const {
        fs::create_directories(fs::path(Path(rel)).parent_path());
        std::ofstream(Path(rel), std::ios::binary) << content;
    }

private:
    std::string root_;
};

class BrowserTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset(240, 320);
        BuildTrigTables();
        SetScreenMetrics(240, 320);
        ProgramFolder[0] = 0;
        pm = new PictureMgr_t();
    }
    void TearDown() override {
        delete pm;
        pm = nullptr;
    }

    bool Open(const std::string& folder, const std::string& keep = "") {
        std::u16string f = U16(folder), k = U16(keep);
        return pm->SetPath(f.c_str(), keep.empty() ? nullptr : k.c_str());
    }
    // Bounded poll: a slow machine only waits longer.
    bool WaitListed() {
        for (int i = 0; i < 120000; i++) {
            if (pm->Flags & PM_SCAN_LISTED) return true;
            plat::Sleep(1);
        }
        return false;
    }
    // The file names of the list in display order, read under the lock.
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        pm->Pause(true);
        for (int i = 0; i < pm->Count; i++) out.push_back(fs::path(U8(pm->Pic[i]->Path())).filename());
        pm->Pause(false);
        return out;
    }
    std::string SelectedPath() {
        pm->Pause(true);
        std::string s = pm->Selected() < pm->Count ? U8(pm->Pic[pm->Selected()]->Path()) : "";
        pm->Pause(false);
        return s;
    }

    PictureMgr_t* pm = nullptr;
    TempTree tree;
};
