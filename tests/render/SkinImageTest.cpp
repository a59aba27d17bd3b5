// Skin images: loading by pixel replication and the lit twin of a button.
#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <vector>

#include "PixelChecks.h"
#include "tests/support/TempFolder.h"

namespace {

// Hashed so that the file hardly compresses and spans many reads; the low
// three bits clear so that dithering gives channel / 8 exactly.
uint8_t Channel(uint32_t x, uint32_t y, uint32_t c) {
    uint32_t h = x * 2654435761u ^ y * 40503u ^ c * 0x9E3779B9u;
    return (uint8_t)(((((h ^ h >> 15) * 0x2C1B3C6Du) >> 12) & 31) * 8);
}

uint16_t Expected(int x, int y) {
    return x || y ? (uint16_t)(Channel(x, y, 0) / 8 << 11 | Channel(x, y, 1) / 8 << 6 | Channel(x, y, 2) / 8) : kMagentaKey;
}

// A size x size picture of Channel values with magenta at (0, 0); its bytes.
std::string WritePng(const TempFolder& dir, const char* name, int size) {
    std::vector<uint8_t> rgb((size_t)size * size * 3);
    for (size_t i = 0; i < rgb.size(); i++) rgb[i] = Channel(i / 3 % size, i / 3 / size, i % 3);
    rgb[0] = rgb[2] = 255, rgb[1] = 0;
    png_image img{};
    img.version = PNG_IMAGE_VERSION, img.width = img.height = size, img.format = PNG_FORMAT_RGB;
    EXPECT_TRUE(png_image_write_to_file(&img, dir.File(name).c_str(), 0, rgb.data(), 0, nullptr));
    std::ifstream in(dir.File(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

TEST(SkinImage, LoadReplicatesOrReducesPixels) {
    TempFolder dir;
    WritePng(dir, "ten.png", 10);
    // Larger: 3 x 3 blocks at (2k, 2i), each overlapped by the next one.
    // Smaller: the last source pixel of each span wins.
    auto from = [](int x, int size) { return size >= 10 ? x * 10 / size : ((x + 1) * 10 + size - 1) / size - 1; };
    for (auto [w, h] : {std::pair{20, 20}, {10, 10}, {4, 3}}) {
        PaintBuffer_t b(w, h), dst(w, h);
        ClearTo(b, 0x0020);  // bit 5: never loaded
        ASSERT_TRUE(b.LoadFromPng(dir.Wide("ten.png").c_str()));
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) ASSERT_EQ(b.Rows()[y][x], Expected(from(x, w), from(y, h))) << w << ": " << x << "," << y;
        // Magenta stays transparent in a keyed copy.
        ClearTo(dst, 0x0020);
        b.keyColour = kMagentaKey;
        dst.CopyKeyed(0, 0, &b);
        EXPECT_EQ(CountValue(dst, 0x0020), w == 20 ? 4 : w == 10 ? 1 : 0);
    }
}

TEST(SkinImage, BadFilesLeaveTheBufferAlone) {
    TempFolder dir;
    std::string bytes = WritePng(dir, "tall.png", 256);
    std::ofstream(dir.File("cut.png"), std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
    std::ofstream(dir.File("text.png")) << "not a picture";
    PaintBuffer_t b(256, 256);
    for (const char* name : {"missing.png", "text.png", "cut.png"}) {
        ClearTo(b, 0x0020);
        EXPECT_EQ(b.LoadFromPng(dir.Wide(name).c_str()), name[0] == 'c') << name;
        // A file ending early loads what it has and leaves the rest.
        EXPECT_EQ(b.Rows()[1][1], name[0] == 'c' ? Expected(1, 1) : 0x0020) << name;
        EXPECT_EQ(b.Rows()[255][255], 0x0020) << name;
    }
    EXPECT_FALSE(b.LoadFromPng(nullptr));
}

TEST(SkinImage, LightPeaksAtOneThird) {
    PaintBuffer_t src(60, 45), lit(60, 45), other(8, 8), tiny(4, 4);
    src.keyColour = lit.keyColour = kMagentaKey;
    src.FillRect(0, 0, 59, 44, 0xFFDF);  // white, bit 5 clear
    src.Rows()[15][20] = 0x0000;
    src.Rows()[44][0] = kMagentaKey;
    LightMap_t map;
    lit.ApplyLight(&src, &map);
    EXPECT_EQ(lit.Rows()[15][20], 22 << 11 | 22 << 6 | 22);
    EXPECT_EQ(lit.Rows()[44][59], 10 << 11 | 10 << 6 | 10);
    EXPECT_EQ(lit.Rows()[44][0], kMagentaKey);
    // Every other lit pixel is opaque and at least as bright as the far corner.
    EXPECT_EQ(CountPixels(lit, [](uint16_t p) { return p != kMagentaKey && !(p & 0x20) && (p & 31) >= 10; }), 60 * 45 - 1);
    // A smaller source is refused; the map follows the buffer size or lives for one call.
    ClearTo(other, 0x0001);
    other.ApplyLight(&tiny, &map);
    other.ApplyLight(nullptr, &map);
    EXPECT_EQ(CountValue(other, 0x0001), 64);
    other.ApplyLight(&src, &map);
    EXPECT_EQ(map.width * map.height, 64);
    ClearTo(other, 0x0001);
    other.ApplyLight(&src, nullptr);
    EXPECT_EQ(CountValue(other, 0x0001), 0);
}
