// Every picture of the shared test data against what libjpeg and libpng
// themselves deliver (VERIFIED.tsv): same status, same rows, same pixels
// where comparable; ReadRow and ReadRow565 agree with the raw or four-byte
// rows. Each file is also read at a thumbnail budget, fast: damaged files
// must never crash or overrun (run under ASan).
#include <gtest/gtest.h>

#include <cstring>

#include <png.h>
#include <zlib.h>

#include "codec/Jpeg.h"
#include "tests/codec/CodecTestUtil.h"

namespace {

enum { FILE_NAME, DECODER = 3, WIDTH = 5, HEIGHT, COMPONENTS, INTERLACE = 10, ROWS_DONE = 12, CRC = 15, STATUS };

std::vector<std::vector<std::string>> LoadVerified() {
    std::vector<std::vector<std::string>> out;
    std::ifstream f(TestData("VERIFIED.tsv"));
    std::string line, cell;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
        std::stringstream s(line);
        out.emplace_back();
        while (std::getline(s, cell, '\t')) out.back().push_back(cell);
        if (out.back().size() <= STATUS) out.pop_back();
    }
    return out;
}

long Num(const std::string& s) { return s == "-" ? -1 : std::stol(s); }

// libpng's own R, G, B, A picture with all Adam7 passes combined: the
// reference for interlaced files, whose listed checksum covers the last pass.
std::vector<uint8_t> ReferenceRgba(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = fopen(path.c_str(), "rb");
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (f && !setjmp(png_jmpbuf(p))) {
        png_init_io(p, f);
        png_read_png(p, info, PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_GRAY_TO_RGB, nullptr);
        png_bytepp rows = png_get_rows(p, info);
        int ch = png_get_channels(p, info);
        for (png_uint_32 y = 0; y < png_get_image_height(p, info); y++)
            for (png_uint_32 x = 0; x < png_get_image_width(p, info); x++)
                for (int k = 0; k < 4; k++) out.push_back(k < ch ? rows[y][x * ch + k] : 255);
    }
    png_destroy_read_struct(&p, &info, nullptr);
    if (f) fclose(f);
    return out;
}

}  // namespace

TEST(TestData, EveryFileMatchesTheLibraries) {
    auto all = LoadVerified();
    int jpegs = 0;
    for (const auto& v : all) {
        SCOPED_TRACE(v[FILE_NAME]);
        std::string path = TestData(v[FILE_NAME]);
        EXPECT_GE(ReadAllRows(path, 14400, 1), -1);
        long w = Num(v[WIDTH]), h = Num(v[HEIGHT]);
        bool jpeg = v[DECODER] == "jpeg", adam7 = v[INTERLACE] == "adam7";
        bool ok = v[STATUS] == "ok" || v[STATUS] == "warn";
        jpegs += jpeg;
        std::u16string wide = TempFolder::Utf16(path);
        // a: raw rows; b: ReadRow; c: set up for 16-bit rows, read by
        // ReadRow565 and ReadRow in turn.
        std::unique_ptr<Img_t> a(AllocImg_t(wide.c_str())), b(AllocImg_t(wide.c_str())), c(AllocImg_t(wide.c_str()));
        ASSERT_TRUE(a && b && c);
        EXPECT_EQ(dynamic_cast<Jpeg_t*>(a.get()) != nullptr, jpeg);  // picked by name, as the program does
        c->Rgb565 = 1;
        int r = a->Open(wide.c_str());
        EXPECT_EQ(b->Open(wide.c_str()), r);
        EXPECT_EQ(c->Open(wide.c_str()), r);
        // By design, more than 65,535 a side or the pixel cap at full size is refused.
        if (v[STATUS] == "refused" || w > 65535 || h > 65535 || (int64_t)w * h > kMaxImgPixels) {
            EXPECT_EQ(r, -1);
            continue;
        }
        if (r == -1 && v[STATUS] == "error_mid" && adam7) continue;  // decoded whole at Open
        ASSERT_EQ(r, 1);
        EXPECT_EQ(a->OutWidth, w);
        EXPECT_EQ(a->OutHeight, h);
        int width = a->OutWidth, rows = 0;
        std::vector<uint8_t> raw((size_t)width * 4), rgb((size_t)width * 3), rgbToo((size_t)width * 3), whole;
        std::vector<uint16_t> packed(width);
        uLong crc = crc32(0L, Z_NULL, 0);
        for (int y = 0; y < a->OutHeight; y++) {
            // JPEG: the library's rows (grey as palette indices); PNG: R, G, B, A.
            int got = jpeg ? a->ReadRawRow(raw.data()) : a->ReadRowRGBA(raw.data());
            EXPECT_EQ(b->ReadRow(rgb.data()), got) << "row " << y;
            EXPECT_EQ(y % 2 ? c->ReadRow(rgbToo.data()) : c->ReadRow565(packed.data()), got) << "row " << y;
            if (got != y) break;
            size_t n = (size_t)width * (!jpeg ? 4 : a->Palette ? 1 : 3);
            crc = crc32(crc, raw.data(), (uInt)n);
            if (adam7) whole.insert(whole.end(), raw.begin(), raw.begin() + (long)n);
            for (int x = 0; x < width; x++) {
                const uint8_t *px = !jpeg ? &raw[4 * x] : a->Palette ? a->Palette + 3 * raw[x] : &raw[3 * x], *q = &rgb[3 * x];
                ASSERT_EQ(memcmp(px, q, 3), 0) << "row " << y << " x " << x;
                if (y % 2)
                    ASSERT_EQ(memcmp(q, &rgbToo[3 * x], 3), 0) << "row " << y << " x " << x;
                else
                    ASSERT_EQ(packed[x], ((q[0] & 0xF8) << 8) | ((q[1] & 0xF8) << 3) | (q[2] >> 3)) << y << "," << x;
            }
            rows++;
        }
        // libpng stops at a broken trailer that comes after every row.
        EXPECT_EQ(rows, !jpeg && (ok || v[STATUS] == "error_end") ? h : Num(v[ROWS_DONE]));
        if (!ok || v[COMPONENTS] == "4") continue;  // CMYK comes out as R, G, B here
        if (adam7)
            EXPECT_TRUE(whole == ReferenceRgba(path));
        else
            EXPECT_EQ(crc, std::stoul(v[CRC], nullptr, 16));
    }
    EXPECT_GT(jpegs, 30);
    EXPECT_GT((int)all.size() - jpegs, 90);
}
