// The drawn skin, read the way the program reads it: every file loads at
// its size, transparent corners come out as the key colour exactly, and
// the pictures themselves never do.
#include <gtest/gtest.h>

#include <string>

#include "render/PaintBuffer.h"

TEST(SkinFiles, KeyColourOnlyOutsideTheDrawing) {
    struct File { const char* name; int width, height; double disc; } files[] = {
        {"quit", 120, 120, 0.4875}, {"delete", 120, 120, 0.4875}, {"back", 120, 120, 0.4875},
        {"mail", 120, 120, 0.4875}, {"lback", 120, 120, 0.4875},  {"cropp", 120, 120, 0.4875},
        {"cropl", 120, 120, 0.4875}, {"rotate", 120, 120, 0.4875}, {"bm", 120, 120, 0.4875},
        {"bm_add", 120, 120, 0.4875}, {"bm_rem", 120, 120, 0.4875}, {"fprev", 54, 54, 0.4875},
        {"fnext", 54, 54, 0.4875},  {"no", 140, 140, 0.46},        {"background", 480, 640, 0},
        {"Image", 240, 240, 0},     {"Folder", 240, 240, 0},       {"Folder_bm", 240, 240, 0}};
    for (const File& f : files) {
        SCOPED_TRACE(f.name);
        std::string path = std::string(LUMATRAY_BUILD_DIR) + "/Skin/" + f.name + ".png";
        PaintBuffer_t b(f.width, f.height);
        b.keyColour = kMagentaKey;
        b.Clear();
        ASSERT_TRUE(b.LoadFromPng(std::u16string(path.begin(), path.end()).c_str()));
        int keyed = 0;
        for (int y = 0; y < f.height; y++)
            for (int x = 0; x < f.width; x++) keyed += b.Rows()[y][x] == kMagentaKey;
        EXPECT_NE(b.Rows()[f.height * 5 / 8][f.width / 2], kMagentaKey);
        if (f.width == 480) {
            EXPECT_EQ(keyed, 0);  // the background is opaque
        }
        if (f.width == 240) {
            EXPECT_EQ(b.Rows()[2][2], kMagentaKey);  // thumbnail icons have margins
        }
        if (f.disc == 0) continue;
        // Buttons and signs are discs on the key colour.
        EXPECT_NEAR(keyed / double(f.width * f.height), 1 - 3.14159 * f.disc * f.disc, 0.03);
        EXPECT_EQ(b.Rows()[0][0], kMagentaKey);
        EXPECT_EQ(b.Rows()[f.height - 1][f.width - 1], kMagentaKey);
        EXPECT_NE(b.Rows()[f.height / 2][(int)(f.width * (0.5 - f.disc)) + 2], kMagentaKey);
    }
}
