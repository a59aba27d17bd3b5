// Skin.txt: the eight colours, their byte orders and the written file.
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsFixture.h"

using SkinColoursTest = SettingsTest;

static const char kDefaultFile[] =
    "BACK|787878|\nSCROLL|787878|\nINFO_TEXT|c0c0c0|\nINFO_NAME_TEXT|d0d0d0|\nFNAME|202020|\n"
    "BOOKMARK|d0d0d0|\nBOOKMARK_LIGHT|d0d0d0|\nPIC_NAME_TEXT|e0e0e0|\n";

TEST_F(SkinColoursTest, MissingFileIsCompletedWithTheDefaults) {
    LoadSkinColours();
    EXPECT_EQ(SkinBack, 0x7BCF);
    EXPECT_EQ(SkinScroll, 0x7BCF);
    SaveSkinColours();
    EXPECT_EQ(ReadFile(program + "/Skin/Skin.txt"), kDefaultFile);
}

TEST_F(SkinColoursTest, PixelKeysNarrowAndWidenOtherKeysStayAsRead) {
    WriteFile(program + "/Skin/Skin.txt",
              "SCROLL|ff0000|\nBACK|0000ff|\nINFO_NAME_TEXT|ff|\nBOOKMARK_LIGHT|ffffff|\nFNAME|0|\n");
    LoadSkinColours();
    EXPECT_EQ(SkinScroll, 0xF800);
    EXPECT_EQ(SkinBack, 0x001F);
    EXPECT_EQ(SkinInfoName, 0xFFu);
    EXPECT_EQ(SkinBookmarkLight, 0xFFFFFFu);
    EXPECT_EQ(SkinBookmark, 0xD0D0D0u);
    EXPECT_EQ(SkinFileName, 0u);
    EXPECT_EQ(SkinInfoText, 0xC0C0C0u);
    SaveSkinColours();
    EXPECT_EQ(ReadFile(program + "/Skin/Skin.txt"),
              "BACK|f8|\nSCROLL|f80000|\nINFO_TEXT|c0c0c0|\nINFO_NAME_TEXT|ff|\nFNAME|0|\n"
              "BOOKMARK|d0d0d0|\nBOOKMARK_LIGHT|ffffff|\nPIC_NAME_TEXT|e0e0e0|\n");
}

TEST_F(SkinColoursTest, UnreadableValuesKeepThePreviousColour) {
    SkinScroll = 0x07E0;  // lowest green bit set: a narrowing would lose it
    WriteFile(program + "/Skin/Skin.txt", "SCROLL|green|\nBACK|123456|\nBACK||\nFNAME|zz|\n");
    LoadSkinColours();
    EXPECT_EQ(SkinScroll, 0x07E0);
    EXPECT_EQ(SkinBack, PaintBuffer_t::RgbToPixel(0x123456));
    EXPECT_EQ(SkinFileName, 0x202020u);
}

TEST_F(SkinColoursTest, ReadOnlyProgramFolderKeepsColoursInTheConfigurationFolder) {
    WriteFile(tmp.Path() + "/installed", "");  // never writable, even for root
    UseProgramFolder(tmp.Path() + "/installed");
    SkinFileName = 0x111111;
    SaveSkinColours();
    EXPECT_NE(ReadFile(config + "/Skin/Skin.txt").find("FNAME|111111|"), std::string::npos);
    ResetSkinColours();
    LoadSkinColours();
    EXPECT_EQ(SkinFileName, 0x111111u);
}

TEST_F(SkinColoursTest, ShippedColoursAreReadUntilTheUserHasACopy) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not block root";
    std::string shipped = tmp.Path() + "/ro";
    std::filesystem::create_directories(shipped + "/Skin");
    WriteFile(shipped + "/Skin/Skin.txt", "FNAME|111111|\n");
    chmod(shipped.c_str(), 0555);
    UseProgramFolder(shipped);
    LoadSkinColours();
    EXPECT_EQ(SkinFileName, 0x111111u);
    SkinFileName = 0x222222;
    SaveSkinColours();
    ResetSkinColours();
    LoadSkinColours();
    EXPECT_EQ(SkinFileName, 0x222222u);
    EXPECT_NE(ReadFile(shipped + "/Skin/Skin.txt").find("111111"), std::string::npos);
    chmod(shipped.c_str(), 0755);
}
