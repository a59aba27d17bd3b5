// Lumatray.ini: line format, odd lines, encodings, placement and safe saves.
#include <filesystem>

#include "SettingsFixture.h"
#include "tests/support/FileSizeLimit.h"

namespace fs = std::filesystem;

using ConfigTest = SettingsTest;

TEST_F(ConfigTest, MissingFileKeepsDefaultsAndSavesSixLines) {
    LoadConfiguration();
    EXPECT_EQ(std::u16string(ImgPath), u"/docs");
    EXPECT_EQ(MaxPicPixel, 2000000);
    EXPECT_FALSE(MaxPicPixelGiven);
    for (auto* slot : Bookmarks) EXPECT_TRUE(slot->Empty());
    SaveConfiguration();
    EXPECT_EQ(ReadFile(program + "/Lumatray.ini"),
              "ImgPath|/docs|\nCachePath||\nBookmark0||\nBookmark1||\nBookmark2||\nBookmark3||\n");
    EXPECT_FALSE(fs::exists(program + "/Lumatray.ini.tmp"));
}

TEST_F(ConfigTest, RoundTripKeepsEveryValueAndTheFolderOnView) {
    WriteFile(program + "/Lumatray.ini",
              "ImgPath|/start|\nCachePath|/card/_cache/Lumatray|\nBookmark0|/\xE5\x86\x99\xE7\x9C\x9F|\n"
              "Bookmark2|/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE|\nMaxPicPixel|3000000|\n");
    LoadConfiguration();
    EXPECT_EQ(std::u16string(ImgPath), u"/start");
    EXPECT_EQ(std::u16string(CachePath), u"/card/_cache/Lumatray");
    EXPECT_EQ(std::u16string(Bookmarks[0]->Folder()), u"/\u5199\u771F");
    EXPECT_EQ(std::u16string(Bookmarks[2]->Folder()), u"/\u0424\u043E\u0442\u043E");
    EXPECT_EQ(MaxPicPixel, 3000000);
    EXPECT_TRUE(MaxPicPixelGiven);

    FolderOnView = [] { return (const char16_t*)u"/start/deeper"; };
    SaveConfiguration();
    EXPECT_EQ(ReadFile(program + "/Lumatray.ini"),
              "ImgPath|/start/deeper|\nCachePath|/card/_cache/Lumatray|\nBookmark0|/\xE5\x86\x99\xE7\x9C\x9F|\n"
              "Bookmark1||\nBookmark2|/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE|\nBookmark3||\nMaxPicPixel|3000000|\n");
}

TEST_F(ConfigTest, OddLinesAreSkippedOrReadAsDocumented) {
    std::string longValue(600, 'x');
    WriteFile(program + "/Lumatray.ini",
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
    std::string saved = ReadFile(program + "/Lumatray.ini");
    EXPECT_NE(saved.find("\nMaxPicPixel|2000000|\n"), std::string::npos);
    EXPECT_NE(saved.find("\nBookmark3|/caf\xC3\xA9|\n"), std::string::npos);  // written back as UTF-8
    EXPECT_EQ(saved.find("five"), std::string::npos);
}

TEST_F(ConfigTest, KeyParsersMatchWholeKeysOnly) {
    int value = 7;
    EXPECT_FALSE(ParseKeyInt("Key2|5|", "Key", &value));
    EXPECT_FALSE(ParseKeyInt("Ke", "Key", &value));
    EXPECT_TRUE(ParseKeyInt("Key| 12z|", "Key", &value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(ParseKeyHex("Key|0x1F|", "Key", &value));
    EXPECT_EQ(value, 0x1F);
    EXPECT_TRUE(ParseKeyHex("Key|ffffffff|", "Key", &value));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(ParseKeyHex("Key|fffffffff|", "Key", &value));  // beyond 32 bits: unchanged
    EXPECT_EQ(value, -1);
    char16_t small[4] = {1, 1, 1, 1};
    EXPECT_TRUE(ParseKeyText("K|abcdef|", "K", small, 3));
    EXPECT_EQ(std::u16string(small), u"ab");
    EXPECT_EQ(small[3], 1);
}

TEST_F(ConfigTest, ReadOnlyProgramFolderUsesTheConfigurationFolder) {
    // A regular file in place of the program folder is never writable,
    // even for root.
    WriteFile(tmp.Path() + "/installed", "");
    UseProgramFolder(tmp.Path() + "/installed");
    Bookmarks[1]->SetFolder(u"/b1");
    SaveConfiguration();
    EXPECT_NE(ReadFile(config + "/Lumatray.ini").find("Bookmark1|/b1|"), std::string::npos);
    Bookmarks[1]->SetFolder(u"");
    LoadConfiguration();
    EXPECT_EQ(std::u16string(Bookmarks[1]->Folder()), u"/b1");
}

TEST_F(ConfigTest, FailedSavesLeaveTheOldFileAndSaySo) {
    const std::string old = "ImgPath|/old|\n";
    WriteFile(program + "/Lumatray.ini", old);

    // The temporary file cannot be created.
    fs::create_directory(program + "/Lumatray.ini.tmp");
    headless::QueueBoxAnswer(plat::ID_OK);
    SaveConfiguration();
    EXPECT_EQ(ReadFile(program + "/Lumatray.ini"), old);
    fs::remove(program + "/Lumatray.ini.tmp");

    // It is created, but the writes do not reach the disk (a full disk).
    size_t expected = 3;
    {
        FileSizeLimit full(8);
        headless::QueueBoxAnswer(plat::ID_OK);
        SaveConfiguration();
    }
    EXPECT_EQ(ReadFile(program + "/Lumatray.ini"), old);
    EXPECT_FALSE(fs::exists(program + "/Lumatray.ini.tmp"));

    // No place at all: the configuration folder lies below a regular file.
    WriteFile(tmp.Path() + "/file", "");
    UseProgramFolder(tmp.Path() + "/file");
    headless::SetConfigFolder(TempFolder::Utf16(tmp.Path() + "/file/config"));
    headless::QueueBoxAnswer(plat::ID_OK);
    SaveConfiguration();

    auto boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), expected);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, u"Unable to save the configuration!");
        EXPECT_EQ(box.caption, u"Error!");
        EXPECT_EQ(box.type, plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST);
    }
}
