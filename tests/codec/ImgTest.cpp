// Png_t on pictures made here with libpng: packed palettes, short palettes,
// the layouts libpng expands for us, cut files; plus the regression inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

#include "codec/Img.h"
#include "codec/Png.h"
#include "tests/codec/CodecTestUtil.h"

namespace {

struct PngSpec {
    int w, h, depth, type;
    std::vector<png_color> palette;
    std::vector<std::vector<uint8_t>> rows;  // packed as the file holds them
};

bool WritePng(const std::string& path, const PngSpec& s) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        fclose(f);
        return false;
    }
    png_init_io(p, f);
    png_set_IHDR(p, info, s.w, s.h, s.depth, s.type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(p, info, s.palette.data(), (int)s.palette.size());
    png_write_info(p, info);
    for (const auto& r : s.rows) png_write_row(p, r.data());
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return fclose(f) == 0;
}

std::vector<png_color> Palette(int n) {
    std::vector<png_color> pal;
    for (int i = 0; i < n; i++) pal.push_back({(png_byte)(i * 10), (png_byte)(255 - i), (png_byte)(i * 3)});
    return pal;
}

}  // namespace

TEST(Png, PackedAndShortPalettes) {
    TempDir t;
    // Width 5 at 4 bits: indices 1, 2, 3, 4, 15 in three bytes.
    PngSpec four{5, 1, 4, PNG_COLOR_TYPE_PALETTE, Palette(16), {{0x12, 0x34, 0xF0}}};
    ASSERT_TRUE(WritePng(t.File("p4.png"), four));
    Png_t png;
    ASSERT_EQ(png.Open(t.File("p4.png").c_str()), 1);
    EXPECT_EQ(png.ColourKind, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png.BitDepth, 4);
    std::vector<uint8_t> row(5 * 3);
    ASSERT_EQ(png.ReadRow(row.data()), 0);
    const int idx[5] = {1, 2, 3, 4, 15};
    for (int x = 0; x < 5; x++) {
        EXPECT_EQ(row[3 * x], idx[x] * 10);
        EXPECT_EQ(row[3 * x + 1], 255 - idx[x]);
        EXPECT_EQ(row[3 * x + 2], idx[x] * 3);
    }

    // 1 bit: index j in bit 7 - j mod 8 of byte j / 8.
    PngSpec one{10, 1, 1, PNG_COLOR_TYPE_PALETTE, Palette(2), {{0xA5, 0x40}}};
    ASSERT_TRUE(WritePng(t.File("p1.png"), one));
    Png_t p1;
    ASSERT_EQ(p1.Open(t.File("p1.png").c_str()), 1);
    std::vector<uint8_t> r1(10 * 3);
    ASSERT_EQ(p1.ReadRow(r1.data()), 0);
    const int bits[10] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 1};
    for (int x = 0; x < 10; x++) EXPECT_EQ(r1[3 * x + 1], 255 - bits[x]) << x;

    // Indices past a 16-entry palette come out black.
    PngSpec eight{3, 1, 8, PNG_COLOR_TYPE_PALETTE, Palette(16), {{5, 16, 200}}};
    ASSERT_TRUE(WritePng(t.File("p8.png"), eight));
    Png_t p8;
    ASSERT_EQ(p8.Open(t.File("p8.png").c_str()), 1);
    std::vector<uint8_t> r8(3 * 3, 0x55);
    ASSERT_EQ(p8.ReadRow(r8.data()), 0);
    EXPECT_EQ(r8[0], 50);
    for (int i = 3; i < 9; i++) EXPECT_EQ(r8[i], 0) << i;
}

TEST(Png, ExpandedLayouts) {
    TempDir t;
    // Grey with alpha: grey R = G = B, alpha kept for the four-byte rows.
    PngSpec ga{2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {}, {{10, 20, 200, 30}}};
    ASSERT_TRUE(WritePng(t.File("ga.png"), ga));
    Png_t a, b;
    ASSERT_EQ(a.Open(t.File("ga.png").c_str()), 1);
    ASSERT_EQ(b.Open(t.File("ga.png").c_str()), 1);
    uint8_t rgb[6], rgba[8];
    ASSERT_EQ(a.ReadRow(rgb), 0);
    ASSERT_EQ(b.ReadRowRGBA(rgba), 0);
    const uint8_t wantRgb[6] = {10, 10, 10, 200, 200, 200}, wantRgba[8] = {10, 10, 10, 20, 200, 200, 200, 30};
    EXPECT_EQ(0, memcmp(rgb, wantRgb, 6));
    EXPECT_EQ(0, memcmp(rgba, wantRgba, 8));

    // 16-bit RGB keeps the high bytes, in a buffer of 3 bytes a pixel.
    PngSpec deep{2, 1, 16, PNG_COLOR_TYPE_RGB, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}};
    ASSERT_TRUE(WritePng(t.File("deep.png"), deep));
    Png_t d;
    ASSERT_EQ(d.Open(t.File("deep.png").c_str()), 1);
    std::vector<uint8_t> out(6);
    ASSERT_EQ(d.ReadRow(out.data()), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 3, 5, 7, 9, 11}));

    // 8-bit RGB: rows unchanged, A = 255 in the four-byte form.
    PngSpec plain{2, 1, 8, PNG_COLOR_TYPE_RGB, {}, {{1, 2, 3, 4, 5, 6}}};
    ASSERT_TRUE(WritePng(t.File("rgb.png"), plain));
    Png_t r;
    ASSERT_EQ(r.Open(t.File("rgb.png").c_str()), 1);
    ASSERT_EQ(r.ReadRowRGBA(rgba), 0);
    const uint8_t wantPlain[8] = {1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(0, memcmp(rgba, wantPlain, 8));
    EXPECT_EQ(r.ReadRowRGBA(rgba), -1);  // past the end
}

TEST(Png, CutAndForeignFiles) {
    TempDir t;
    // Large and noisy enough to span several IDAT chunks.
    PngSpec big{256, 256, 8, PNG_COLOR_TYPE_RGB, {}, {}};
    uint32_t seed = 1;
    for (int y = 0; y < 256; y++) {
        std::vector<uint8_t> row(256 * 3);
        for (size_t i = 0; i < row.size(); i++) row[i] = (uint8_t)((seed = seed * 1103515245 + 12345) >> 24);
        big.rows.push_back(row);
    }
    ASSERT_TRUE(WritePng(t.File("full.png"), big));
    std::string bytes = ReadBytes(t.File("full.png"));
    WriteBytes(t.File("cut.png"), bytes.substr(0, bytes.size() / 2));
    Png_t cut;
    ASSERT_EQ(cut.Open(t.File("cut.png").c_str()), 1);
    std::vector<uint8_t> row(256 * 3);
    int good = 0;
    while (cut.ReadRow(row.data()) == good) good++;
    EXPECT_GT(good, 0);
    EXPECT_LT(good, 256);

    WriteBytes(t.File("text.png"), "GIF89a and then some");
    Png_t text;
    EXPECT_EQ(text.Open(t.File("text.png").c_str()), -1);
    Png_t missing;
    EXPECT_EQ(missing.Open(t.File("none.png").c_str()), 0);

    // Png_t has no encoder: asked to write, it leaves the picture intact.
    Png_t writer;
    writer.OutWidth = writer.OutHeight = 4;
    EXPECT_LE(writer.OpenWrite(t.File("full.png").c_str()), 0);
    writer.Close();
    EXPECT_EQ(ReadBytes(t.File("full.png")), bytes);
}

TEST(Factory, SuffixRules) {
    struct {
        const char16_t* name;
        int kind;  // 0 none, 1 JPEG, 2 PNG
    } cases[] = {
        {u"a.jpg", 1},    {u".jpg", 0},        {u"x.JPEG", 1}, {u"x.Jpg", 1}, {u"a.jpeg", 1},
        {u".jpeg", 0},    // ".jpeg" counts only in names longer than 5
        {u"p.png", 2},    {u"P.PNG", 2},       {u"a.gif", 0},  {u"a.bmp", 0}, {u"a.jpe", 0},
        {u"jpg", 0},      {u"", 0},            {u"dir.jpg/x", 0},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Img_t> img(AllocImg_t(c.name));
        int kind = !img ? 0 : dynamic_cast<Png_t*>(img.get()) ? 2 : 1;
        EXPECT_EQ(kind, c.kind) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    }
    EXPECT_EQ(AllocImg_t(nullptr), nullptr);
    Img_t base;
    EXPECT_EQ(base.GetRow(), -1);
    EXPECT_EQ(base.Budget, -1);
}

// Inputs that once broke a decoder (minimised fuzzer findings) must open
// or fail cleanly.
TEST(Regress, SavedInputsOpenCleanly) {
    std::filesystem::path dir = std::filesystem::path(LUMATRAY_SOURCE_DIR) / "tests/data/regress";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no saved inputs";
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::u16string wide = Utf16(e.path().string());
        std::unique_ptr<Img_t> img(AllocImg_t(wide.c_str()));
        if (!img) continue;
        img->Budget = 2000000;
        if (img->Open(wide.c_str()) <= 0) continue;
        std::vector<uint8_t> row((size_t)img->OutWidth * 4);
        for (int y = 0; y < img->OutHeight; y++)
            if (img->ReadRow(row.data()) < 0) break;
    }
}
