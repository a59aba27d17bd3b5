// Skin images: loading by pixel replication and the lit twin of a button.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/PaintBuffer.h"

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/lumatray-render-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::u16string U16(const std::string& name) const {
        std::string s = path + "/" + name;
        return std::u16string(s.begin(), s.end());
    }
};

// Channel values with the low three bits clear dither to c / 8 exactly.
// Hashed so that the file hardly compresses and spans many reads.
uint8_t Channel(int x, int y, int c) {
    uint32_t h = (uint32_t)x * 2654435761u ^ (uint32_t)y * 40503u ^ (uint32_t)c * 0x9E3779B9u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return (uint8_t)(((h >> 12) & 31) * 8);
}

bool WritePng(const std::string& path, int w, int h) {
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++) rgb[((size_t)y * w + x) * 3 + c] = Channel(x, y, c);
    rgb[0] = 255, rgb[1] = 0, rgb[2] = 255;  // (0, 0) is magenta
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr);
}

uint16_t Expected(int x, int y) {
    if (x == 0 && y == 0) return 0xF81F;
    return (uint16_t)(Channel(x, y, 0) / 8 << 11 | Channel(x, y, 1) / 8 << 6 | Channel(x, y, 2) / 8);
}

}  // namespace

TEST(SkinImage, LoadReplicatesPixels) {
    TempDir dir;
    ASSERT_TRUE(WritePng(dir.path + "/ten.png", 10, 10));
    std::u16string path = dir.U16("ten.png");

    PaintBuffer_t big(20, 20);
    big.keyColour = 0x0001;
    big.Clear();
    ASSERT_TRUE(big.LoadFromPng(path.c_str()));
    // 3 x 3 blocks at (2k, 2i), each overlapped by the next one.
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++) ASSERT_EQ(big.Rows()[y][x], Expected(x / 2, y / 2)) << x << "," << y;

    PaintBuffer_t same(10, 10);
    ASSERT_TRUE(same.LoadFromPng(path.c_str()));
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) ASSERT_EQ(same.Rows()[y][x], Expected(x, y));

    // Smaller than the picture: the last source pixel of each span wins.
    PaintBuffer_t small(4, 3);
    ASSERT_TRUE(small.LoadFromPng(path.c_str()));
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) {
            int sx = 0, sy = 0;
            for (int k = 0; k < 10; k++) if (4 * k / 10 == x) sx = k;
            for (int i = 0; i < 10; i++) if (3 * i / 10 == y) sy = i;
            ASSERT_EQ(small.Rows()[y][x], Expected(sx, sy)) << x << "," << y;
        }

    // Magenta stays transparent in a keyed copy.
    same.keyColour = kMagentaKey;
    PaintBuffer_t dst(10, 10);
    dst.keyColour = 0x0001;
    dst.Clear();
    dst.CopyKeyed(0, 0, &same);
    EXPECT_EQ(dst.Rows()[0][0], 0x0001);
    EXPECT_EQ(dst.Rows()[0][1], Expected(1, 0));
}

TEST(SkinImage, BadFilesLeaveTheBufferAlone) {
    TempDir dir;
    ASSERT_TRUE(WritePng(dir.path + "/tall.png", 256, 256));
    // A file cut in the middle of its pixel data.
    std::FILE* f = std::fopen((dir.path + "/tall.png").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<char> bytes(1 << 20);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    f = std::fopen((dir.path + "/cut.png").c_str(), "wb");
    std::fwrite(bytes.data(), 1, n * 2 / 3, f);
    std::fclose(f);
    f = std::fopen((dir.path + "/text.png").c_str(), "wb");
    std::fputs("not a picture", f);
    std::fclose(f);

    PaintBuffer_t b(256, 256);
    b.keyColour = 0x0001;
    for (const char* name : {"missing.png", "text.png", "tall.bmp"}) {
        b.Clear();
        std::u16string p = dir.U16(name);
        EXPECT_FALSE(b.LoadFromPng(p.c_str())) << name;
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++) ASSERT_EQ(b.Rows()[y][x], 0x0001) << name;
    }
    b.Clear();
    std::u16string cut = dir.U16("cut.png");
    b.LoadFromPng(cut.c_str());
    EXPECT_EQ(b.Rows()[1][1], Expected(1, 1));
    EXPECT_EQ(b.Rows()[255][255], 0x0001);
    EXPECT_FALSE(b.LoadFromPng(nullptr));
}

TEST(SkinImage, LightPeaksAtOneThird) {
    PaintBuffer_t src(60, 45), lit(60, 45);
    src.keyColour = lit.keyColour = kMagentaKey;
    src.FillRect(0, 0, 59, 44, 0xFFDF);  // white, bit 5 clear
    src.Rows()[15][20] = 0x0000;
    src.Rows()[44][0] = kMagentaKey;
    LightMap_t map;
    lit.ApplyLight(&src, &map);
    EXPECT_EQ(lit.Rows()[15][20], 22 << 11 | 22 << 6 | 22);
    EXPECT_EQ(lit.Rows()[44][59], 10 << 11 | 10 << 6 | 10);
    EXPECT_EQ(lit.Rows()[44][0], kMagentaKey);
    EXPECT_EQ(map.width, 60);
    EXPECT_EQ(map.values[15 * 60 + 20], 22);
    // Every lit pixel is an opaque colour no brighter than 31 a channel.
    for (int y = 0; y < 45; y++)
        for (int x = 0; x < 60; x++) {
            uint16_t p = lit.Rows()[y][x];
            if (p == kMagentaKey) continue;
            ASSERT_EQ(p & 0x20, 0);
            ASSERT_GE(p & 31, 10);
        }
    // The map follows the buffer size; a smaller source is refused.
    PaintBuffer_t other(8, 8);
    other.keyColour = 0x0001;
    other.Clear();
    other.ApplyLight(&src, &map);
    EXPECT_EQ(map.width, 8);
    PaintBuffer_t tiny(4, 4);
    tiny.Clear();
    other.Clear();
    other.ApplyLight(&tiny, &map);
    other.ApplyLight(nullptr, &map);
    EXPECT_EQ(other.Rows()[0][0], 0x0001);
    other.ApplyLight(&src, nullptr);  // a map for one call
    EXPECT_NE(other.Rows()[0][0], 0x0001);
}
