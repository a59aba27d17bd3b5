// Shared set-up of the picture tests: process-wide values, a fresh pool and
// a temporary folder holding pictures and the cache.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/Globals.h"
#include "codec/Jpeg.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "settings/Config.h"
#include "util/Text.h"

inline std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Writes a w x h JPEG whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
inline bool WriteJpeg(const std::string& path, int w, int h, const std::function<uint32_t(int, int)>& colour) {
    Jpeg_t writer;
    writer.OutWidth = (uint16_t)w;
    writer.OutHeight = (uint16_t)h;
    if (writer.OpenWrite(U16(path).c_str()) <= 0) return false;
    std::string row((size_t)w * 3, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            uint32_t c = colour(x, y);
            row[3 * x] = (char)(c >> 16);
            row[3 * x + 1] = (char)(c >> 8);
            row[3 * x + 2] = (char)c;
        }
        writer.WriteRow((const uint8_t*)row.data());
    }
    return writer.Close();
}

// Bright colours only: no decoded pixel can equal the grey fill 0x2104.
inline uint32_t BrightGradient(int x, int y) {
    return 0x808080u | (uint32_t)((x * 7) & 0x7F) << 16 | (uint32_t)((y * 5) & 0x7F) << 8 | (uint32_t)((x + y) & 0x7F);
}

// Polls cond every millisecond for at most 60 s (never a timing assertion).
inline bool Eventually(const std::function<bool()>& cond) {
    for (int i = 0; i < 60000; i++) {
        if (cond()) return true;
        plat::Sleep(1);
    }
    return cond();
}

class PictureTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        headless::Reset(240, 320);
        BuildTrigTables();
        SetScreenMetrics(240, 320);
        MaxPicPixel = 2000000;
        AppFlags.store(0);
        char templ[] = "/tmp/lumatray-picture-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir = templ;
        SetCache(dir + "/cache");
        IconPool = new MemMgr_t;
    }
    void TearDown() override {
        delete IconPool;
        IconPool = nullptr;
        std::filesystem::remove_all(dir);
    }
    void SetCache(const std::string& root) { CopyWide(U16(root).c_str(), CachePath, 512); }
    std::string Cached(const std::string& picture) { return dir + "/cache" + picture; }

    // A picture entry for a file, with the listing's size and time.
    Picture_t* Entry(const std::string& path) {
        Picture_t* p = new Picture_t(KIND_PICTURE);
        uint32_t size = 0;
        plat::FileTime time = 0;
        plat::Dir* d = plat::OpenDir(U16(std::filesystem::path(path).parent_path().string()).c_str());
        if (d) {
            plat::DirEntry e;
            std::u16string name = U16(std::filesystem::path(path).filename().string());
            while (plat::NextDirEntry(d, &e))
                if (name == e.name) size = e.size, time = e.time;
            plat::CloseDir(d);
        }
        p->SetFileInfo(size, time);
        p->SetFileName(U16(path).c_str());
        return p;
    }
};
