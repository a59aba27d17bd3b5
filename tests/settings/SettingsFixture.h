// A program folder and a configuration folder of their own for each test,
// with the settings, bookmarks and skin colours back at their defaults.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"
#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "platform/Headless.h"
#include "settings/Config.h"
#include "settings/SkinColours.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Text.h"

class SettingsTest : public testing::Test {
protected:
    TempFolder tmp;
    std::string program, config;

    void SetUp() override {
        headless::Reset(240, 320);
        program = tmp.Path() + "/prog";
        config = tmp.Path() + "/config";
        std::filesystem::create_directories(program + "/Skin");
        UseProgramFolder(program);
        headless::SetConfigFolder(TempFolder::Utf16(config));
        CopyWide(u"/docs", ImgPath, 512);
        CachePath[0] = 0;
        MaxPicPixel = 2000000;
        MaxPicPixelGiven = false;
        savedView = FolderOnView;
        for (auto& slot : Bookmarks) slot = new Bookmark_t();
        ResetSkinColours();
    }
    void TearDown() override {
        for (auto& slot : Bookmarks) {
            delete slot;
            slot = nullptr;
        }
        FolderOnView = savedView;
        headless::SetConfigFolder(u"");
        EXPECT_EQ(headless::UnansweredBoxes(), 0);
    }

    void UseProgramFolder(const std::string& folder) {
        CopyWide(TempFolder::Utf16(folder).c_str(), ProgramFolder, 512);
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    const char16_t* (*savedView)() = nullptr;
};
