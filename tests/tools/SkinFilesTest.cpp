// The drawn skin, read the way the program reads it: every file loads at
// its size, transparent corners come out as the key colour exactly, and
// the pictures themselves never do.
#include <gtest/gtest.h>

#include <string>

#include "render/PaintBuffer.h"

static std::u16string SkinFile(const char* name) {
    std::string path = std::string(LUMATRAY_BUILD_DIR) + "/Skin/" + name + ".png";
    return std::u16string(path.begin(), path.end());
}

TEST(SkinFiles, ButtonsAndSignsAreDiscsOnTheKeyColour) {
    const char* names[] = {"quit", "delete", "back", "mail", "lback", "cropp", "cropl", "rotate",
                           "bm",   "bm_add", "bm_rem", "fprev", "fnext", "no"};
    for (const char* name : names) {
        int size = name[0] == 'f' ? 54 : name[0] == 'n' ? 140 : 120;
        PaintBuffer_t buffer(size, size);
        buffer.keyColour = kMagentaKey;
        buffer.Clear();
        ASSERT_TRUE(buffer.LoadFromPng(SkinFile(name).c_str())) << name;
        uint16_t** rows = buffer.Rows();
        int keyed = 0;
        for (int y = 0; y < size; y++)
            for (int x = 0; x < size; x++) keyed += rows[y][x] == kMagentaKey;
        // outside the disc (radius 0.4875 of the edge; 0.46 for the sign)
        double r = name[0] == 'n' ? 0.46 : 0.4875;
        EXPECT_NEAR(keyed / double(size * size), 1 - 3.14159 * r * r, 0.03) << name;
        EXPECT_EQ(rows[0][0], kMagentaKey) << name;
        EXPECT_EQ(rows[size - 1][size - 1], kMagentaKey) << name;
        EXPECT_NE(rows[size / 2][size / 2], kMagentaKey) << name;
        EXPECT_NE(rows[size / 2][(int)(size * (0.5 - r)) + 2], kMagentaKey) << name;
    }
}

TEST(SkinFiles, BackgroundIsOpaqueAndThumbnailIconsHaveTransparentMargins) {
    PaintBuffer_t back(480, 640);
    back.keyColour = kMagentaKey;
    back.Clear();
    ASSERT_TRUE(back.LoadFromPng(SkinFile("background").c_str()));
    for (int y = 0; y < 640; y++)
        for (int x = 0; x < 480; x++) ASSERT_NE(back.Rows()[y][x], kMagentaKey) << x << "," << y;
    for (const char* name : {"Image", "Folder", "Folder_bm"}) {
        PaintBuffer_t icon(240, 240);
        icon.keyColour = kMagentaKey;
        icon.Clear();
        ASSERT_TRUE(icon.LoadFromPng(SkinFile(name).c_str())) << name;
        EXPECT_EQ(icon.Rows()[2][2], kMagentaKey) << name;
        EXPECT_NE(icon.Rows()[150][120], kMagentaKey) << name;
    }
}
