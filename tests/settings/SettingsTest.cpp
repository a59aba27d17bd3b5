// Lumatray.ini and Skin.txt: line format, odd lines, encodings, placement
// and safe saves, each test on a program and configuration folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "settings/Config.h"
#include "settings/SkinColours.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempFolder.h"
#include "util/Text.h"

namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
    TempFolder tmp;
    std::string program = tmp.Path() + "/prog", config = tmp.Path() + "/config";
    const char16_t* (*savedView)() = FolderOnView;

    void SetUp() override {
        headless::Reset(240, 320);
        fs::create_directories(program + "/Skin");
        UseProgramFolder(program);
        headless::SetConfigFolder(TempFolder::Utf16(config));
        CopyWide(u"/docs", ImgPath, 512);
        CachePath[0] = 0;
        MaxPicPixel = 2000000;
        MaxPicPixelGiven = false;
        for (auto& slot : Bookmarks) slot = new Bookmark_t();
        ResetSkinColours();
    }
    void TearDown() override {
        for (auto& slot : Bookmarks) delete slot, slot = nullptr;
        FolderOnView = savedView;
        headless::SetConfigFolder(u"");
        EXPECT_EQ(headless::UnansweredBoxes(), 0);
    }
    void UseProgramFolder(const std::string& folder) { CopyWide(TempFolder::Utf16(folder).c_str(), ProgramFolder, 512); }
};

TEST_F(SettingsTest, RoundTripKeepsEveryValueAndTheFolderOnView) {
    WriteBytes(program + "/Lumatray.ini",
              "ImgPath|/start|\nCachePath|/card/_cache/Lumatray|\nBookmark0|/\xE5\x86\x99\xE7\x9C\x9F|\n"
              "Bookmark2|/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE|\nMaxPicPixel|3000000|\n");
    LoadConfiguration();
    EXPECT_EQ(std::u16string(Bookmarks[0]->Folder()), u"/\u5199\u771F");
    EXPECT_EQ(MaxPicPixel, 3000000);
    EXPECT_TRUE(MaxPicPixelGiven);
    FolderOnView = [] { return (const char16_t*)u"/start/deeper"; };
    int shown = headless::WaitCursorTimesShown();
    SaveConfiguration();
    // The wait cursor is up while the file is written, and down after.
    EXPECT_EQ(headless::WaitCursorTimesShown(), shown + 1);
    EXPECT_FALSE(headless::WaitCursorShown());
    EXPECT_EQ(ReadBytes(program + "/Lumatray.ini"),
              "ImgPath|/start/deeper|\nCachePath|/card/_cache/Lumatray|\nBookmark0|/\xE5\x86\x99\xE7\x9C\x9F|\n"
              "Bookmark1||\nBookmark2|/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE|\nBookmark3||\nMaxPicPixel|3000000|\n");
    EXPECT_FALSE(fs::exists(program + "/Lumatray.ini.tmp"));
}

TEST_F(SettingsTest, OddLinesAreSkippedOrReadAsDocumented) {
    std::string longValue(600, 'x');
    WriteBytes(program + "/Lumatray.ini",
              "MaxPicPixel|abc|\n"
              "imgpath|/other-case|\nImgPathX|/longer-key|\nBookmark4|/five|\n"
              "ImgPath|/first|\nImgPath|/A|B|\r\n"     // last one wins; the value may hold a bar
              "Bookmark2|/c|\r\n"                      // carriage return dropped with the line feed
              "CachePath|/" + longValue.substr(0, 510) + "|\n"  // 511 units: the longest kept whole
              "Bookmark1|/no-closing-bar\n"            // empty value
              "Bookmark3|/caf\xE9|\n"                  // not UTF-8: one byte per character
              "Bookmark0|/" + longValue + "|\n"
              "garbage without bars\n\n|\nMaxPicPixel|-5|\nMaxPicPixel|99999999999|");
    LoadConfiguration();
    EXPECT_EQ(std::u16string(ImgPath), u"/A|B");
    EXPECT_EQ(std::u16string(Bookmarks[2]->Folder()), u"/c");
    EXPECT_EQ(WideLength(CachePath), 511);
    EXPECT_TRUE(Bookmarks[1]->Empty());
    EXPECT_EQ(std::u16string(Bookmarks[3]->Folder()), u"/caf\u00E9");
    EXPECT_EQ(WideLength(Bookmarks[0]->Folder()), 511);  // cut, nothing overrun
    EXPECT_EQ(MaxPicPixel, 2000000);  // neither text, a negative nor an overflow is taken
    EXPECT_TRUE(MaxPicPixelGiven);
    SaveConfiguration();
    std::string saved = ReadBytes(program + "/Lumatray.ini");
    EXPECT_NE(saved.find("\nMaxPicPixel|2000000|\n"), std::string::npos);
    EXPECT_NE(saved.find("\nBookmark3|/caf\xC3\xA9|\n"), std::string::npos);  // written back as UTF-8
    EXPECT_EQ(saved.find("five"), std::string::npos);
}

// Hex values as in Skin.txt; whole keys, cut values and odd numbers are
// covered through Lumatray.ini above.
TEST_F(SettingsTest, HexValuesTakeAPrefixAndAllThirtyTwoBits) {
    int value = 7;
    for (auto [line, expected] : {std::pair{"Key|0x1F|", 0x1F}, {"Key|ffffffff|", -1}, {"Key|fffffffff|", -1}}) {
        EXPECT_TRUE(ParseKeyHex(line, "Key", &value));
        EXPECT_EQ(value, expected) << line;  // beyond 32 bits: unchanged
    }
    EXPECT_FALSE(ParseKeyHex("Key2|5|", "Key", &value));
}

TEST_F(SettingsTest, ReadOnlyProgramFolderKeepsBothFilesInTheConfigurationFolder) {
    WriteBytes(tmp.Path() + "/installed", "");  // a file for a folder: never writable, even for root
    UseProgramFolder(tmp.Path() + "/installed");
    Bookmarks[1]->SetFolder(u"/b1");
    SkinFileName = 0x111111;
    SaveConfiguration();
    SaveSkinColours();
    EXPECT_NE(ReadBytes(config + "/Lumatray.ini").find("Bookmark1|/b1|"), std::string::npos);
    EXPECT_NE(ReadBytes(config + "/Skin/Skin.txt").find("FNAME|111111|"), std::string::npos);
    Bookmarks[1]->SetFolder(u"");
    ResetSkinColours();
    LoadConfiguration();
    LoadSkinColours();
    EXPECT_EQ(std::u16string(Bookmarks[1]->Folder()), u"/b1");
    EXPECT_EQ(SkinFileName, 0x111111u);
}

TEST_F(SettingsTest, FailedSavesLeaveTheOldFileAndSaySo) {
    const std::string old = "ImgPath|/old|\n";
    WriteBytes(program + "/Lumatray.ini", old);
    // The temporary file cannot be created.
    fs::create_directory(program + "/Lumatray.ini.tmp");
    headless::QueueBoxAnswer(plat::ID_OK);
    SaveConfiguration();
    EXPECT_EQ(ReadBytes(program + "/Lumatray.ini"), old);
    fs::remove(program + "/Lumatray.ini.tmp");
    // It is created, but the writes do not reach the disk (a full disk).
    {
        FileSizeLimit full(8);
        headless::QueueBoxAnswer(plat::ID_OK);
        SaveConfiguration();
    }
    EXPECT_EQ(ReadBytes(program + "/Lumatray.ini"), old);
    EXPECT_FALSE(fs::exists(program + "/Lumatray.ini.tmp"));
    // No place at all: the configuration folder lies below a regular file.
    UseProgramFolder(program + "/Lumatray.ini");
    headless::SetConfigFolder(TempFolder::Utf16(program + "/Lumatray.ini/config"));
    headless::QueueBoxAnswer(plat::ID_OK);
    SaveConfiguration();
    auto boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, u"Unable to save the configuration!");
        EXPECT_EQ(box.caption, u"Error!");
        EXPECT_EQ(box.type, plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST);
    }
}

TEST_F(SettingsTest, SkinPixelKeysNarrowAndWidenOtherKeysStayAsRead) {
    WriteBytes(program + "/Skin/Skin.txt",
              "SCROLL|ff0000|\nBACK|0000ff|\nINFO_NAME_TEXT|ff|\nBOOKMARK_LIGHT|ffffff|\nFNAME|0|\n");
    LoadSkinColours();
    EXPECT_EQ(SkinScroll, 0xF800);
    EXPECT_EQ(SkinBack, 0x001F);
    EXPECT_EQ(SkinBookmark, 0xD0D0D0u);
    SaveSkinColours();
    EXPECT_EQ(ReadBytes(program + "/Skin/Skin.txt"),
              "BACK|f8|\nSCROLL|f80000|\nINFO_TEXT|c0c0c0|\nINFO_NAME_TEXT|ff|\nFNAME|0|\n"
              "BOOKMARK|d0d0d0|\nBOOKMARK_LIGHT|ffffff|\nPIC_NAME_TEXT|e0e0e0|\n");

    // Unreadable values keep the colour as it was.
    SkinScroll = 0x07E0;  // lowest green bit set: a narrowing would lose it
    SkinFileName = 0x202020;
    WriteBytes(program + "/Skin/Skin.txt", "SCROLL|green|\nBACK|123456|\nBACK||\nFNAME|zz|\n");
    LoadSkinColours();
    EXPECT_EQ(SkinScroll, 0x07E0);
    EXPECT_EQ(SkinBack, PaintBuffer_t::RgbToPixel(0x123456));
    EXPECT_EQ(SkinFileName, 0x202020u);
}
