// Shared set-up of the picture tests: process-wide values, a fresh pool, a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "../support/PhotoJpeg.h"
#include "../support/TempFolder.h"
#include "app/Globals.h"
#include "codec/Jpeg.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "settings/Config.h"
#include "util/Text.h"

inline std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Writes a w x h JPEG whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
inline bool WriteJpeg(const std::string& path, int w, int h, const std::function<uint32_t(int, int)>& colour) {
    return WriteTestJpeg(path, w, h, 3, [&](int y, uint8_t* row) {
        for (int x = 0; x < w * 3; x++) row[x] = (uint8_t)(colour(x / 3, y) >> (16 - 8 * (x % 3)));
    });
}

// Bright colours only: no decoded pixel can equal the grey fill 0x2104.
inline uint32_t BrightGradient(int x, int y) {
    return 0x808080u | (uint32_t)((x * 7) & 0x7F) << 16 | (uint32_t)((y * 5) & 0x7F) << 8 | (uint32_t)((x + y) & 0x7F);
}

// Polls cond every millisecond for at most 60 s (never a timing assertion).
inline bool Eventually(const std::function<bool()>& cond) {
    for (int i = 0; i < 60000 && !cond(); i++) plat::Sleep(1);
    return cond();
}

class PictureTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::string dir = temp.Path();

    void SetUp() override {
        headless::Reset(240, 320);
        BuildTrigTables();
        SetScreenMetrics(240, 320);
        MaxPicPixel = 2000000;
        AppFlags.store(0);
        SetCache(dir + "/cache");
        IconPool = new MemMgr_t;
    }
    void TearDown() override { delete IconPool; IconPool = nullptr; }
    void SetCache(const std::string& root) { CopyWide(U16(root).c_str(), CachePath, 512); }
    std::string Cached(const std::string& picture) { return dir + "/cache" + picture; }
    void Screen(int w, int h) { delete IconPool; SetScreenMetrics(w, h); IconPool = new MemMgr_t; }

    // A picture entry for a file, with its size and time as a listing gives them.
    Picture_t* Entry(const std::string& path) {
        Picture_t* p = new Picture_t(KIND_PICTURE);
        uint64_t size = 0;
        plat::FileTime time = 0;
        int h = plat::FileOpen(U16(path).c_str(), plat::FILE_READ);
        if (h >= 0) plat::FileInfo(h, &size, &time), plat::FileClose(h);
        p->SetFileInfo((uint32_t)size, time);
        p->SetFileName(U16(path).c_str());
        return p;
    }
    // Writes dir/name as a w x h JPEG and returns its entry.
    std::unique_ptr<Picture_t> Make(const std::string& name, int w, int h,
                                    const std::function<uint32_t(int, int)>& colour = BrightGradient) {
        EXPECT_TRUE(WriteJpeg(dir + "/" + name, w, h, colour)) << name;
        return std::unique_ptr<Picture_t>(Entry(dir + "/" + name));
    }
};
