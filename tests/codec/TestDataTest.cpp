// Every picture of the shared test data against what libjpeg and libpng
// themselves deliver (VERIFIED.tsv, made by probe.c): same status, same
// rows, same pixels where the output is comparable. Damaged files must
// never crash or overrun (run under ASan).
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "codec/Img.h"
#include "codec/Jpeg.h"
#include "codec/Png.h"
#include "tests/codec/CodecTestUtil.h"

namespace {

struct Verified {
    std::string file, decoder, open, colour, status;
    long width = -1, height = -1, rowsDone = 0, components = 0;
    std::string crc, interlace;
};

long Num(const std::string& s) { return s == "-" ? -1 : std::stol(s); }

std::vector<Verified> LoadVerified() {
    std::vector<Verified> out;
    std::ifstream f(TestData("VERIFIED.tsv"));
    std::string line;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
        std::vector<std::string> c;
        std::stringstream s(line);
        std::string cell;
        while (std::getline(s, cell, '\t')) c.push_back(cell);
        if (c.size() < 17) continue;
        Verified v;
        v.file = c[0];
        v.decoder = c[3];
        v.open = c[4];
        v.width = Num(c[5]);
        v.height = Num(c[6]);
        v.components = Num(c[7]);
        v.colour = c[8];
        v.rowsDone = Num(c[12]);
        v.crc = c[15];
        v.interlace = c[10];
        v.status = c[16];
        out.push_back(v);
    }
    return out;
}

std::string Hex(uLong crc) {
    char b[16];
    snprintf(b, sizeof b, "%08lx", crc);
    return b;
}

// Our expectation where it differs from the libraries' by design: pictures
// beyond 65,535 in a dimension, or beyond the pixel cap at full size, are
// refused at Open.
bool RefusedBySize(const Verified& v) {
    if (v.width < 0) return false;
    return v.width > 65535 || v.height > 65535 || (int64_t)v.width * v.height > kMaxImgPixels;
}

void CheckJpeg(const Verified& v) {
    std::string path = TestData(v.file);
    Jpeg_t j;  // budget -1: the library's own full-size output
    int r = j.Open(path.c_str());
    if (v.status == "refused" || RefusedBySize(v)) {
        EXPECT_EQ(r, -1) << v.file;
        return;
    }
    ASSERT_EQ(r, 1) << v.file;
    EXPECT_EQ(j.SrcWidth, v.width) << v.file;
    EXPECT_EQ(j.SrcHeight, v.height) << v.file;
    bool comparable = v.components != 4;  // CMYK comes out as R, G, B here
    std::vector<uint8_t> row((size_t)j.OutWidth * 3 + 16);
    uLong crc = crc32(0L, Z_NULL, 0);
    int rows = 0;
    for (int y = 0; y < j.OutHeight; y++) {
        if (j.ReadRawRow(row.data()) != y) break;
        crc = crc32(crc, row.data(), (uInt)j.OutWidth * (j.Palette ? 1 : 3));
        rows++;
    }
    EXPECT_EQ(rows, v.rowsDone) << v.file;
    if (comparable && (v.status == "ok" || v.status == "warn")) {
        EXPECT_EQ(Hex(crc), v.crc) << v.file;
    }
}


// libpng's own fully expanded R, G, B, A picture (all Adam7 passes
// combined), the reference for interlaced files: probe.c's checksum of
// those covers only the last pass's row buffer.
bool ReferenceRgba(const std::string& path, std::vector<uint8_t>* out, int* w, int* h) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        fclose(f);
        return false;
    }
    png_init_io(p, f);
    png_read_info(p, info);
    png_uint_32 pw, ph;
    int bd, ct, il;
    png_get_IHDR(p, info, &pw, &ph, &bd, &ct, &il, nullptr, nullptr);
    if (ct == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p);
    if (ct == PNG_COLOR_TYPE_GRAY && bd < 8) png_set_expand_gray_1_2_4_to_8(p);
    if (png_get_valid(p, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(p);
    if (bd == 16) png_set_strip_16(p);
    if (ct == PNG_COLOR_TYPE_GRAY || ct == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(p);
    png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    out->assign((size_t)pw * ph * 4, 0);
    rows.resize(ph);
    for (png_uint_32 y = 0; y < ph; y++) rows[y] = out->data() + (size_t)y * pw * 4;
    png_read_image(p, rows.data());
    png_destroy_read_struct(&p, &info, nullptr);
    fclose(f);
    *w = (int)pw;
    *h = (int)ph;
    return true;
}


void CheckPng(const Verified& v) {
    std::string path = TestData(v.file);
    Png_t rgba, rgb;
    int r = rgba.Open(path.c_str());
    EXPECT_EQ(rgb.Open(path.c_str()), r) << v.file;
    if (v.status == "refused" || RefusedBySize(v)) {
        EXPECT_EQ(r, -1) << v.file;
        return;
    }
    if (r == -1 && v.status == "error_mid" && v.interlace == "adam7") {
        // Whole-picture layouts (interlaced) meet the error at Open.
        return;
    }
    ASSERT_EQ(r, 1) << v.file;
    EXPECT_EQ(rgba.OutWidth, v.width) << v.file;
    EXPECT_EQ(rgba.OutHeight, v.height) << v.file;
    int w = rgba.OutWidth;
    std::vector<uint8_t> a((size_t)w * 4), b((size_t)w * 3);
    uLong crc = crc32(0L, Z_NULL, 0);
    std::vector<uint8_t> whole;
    int rows = 0;
    for (int y = 0; y < rgba.OutHeight; y++) {
        int ra = rgba.ReadRowRGBA(a.data());
        int rb = rgb.ReadRow(b.data());
        EXPECT_EQ(ra, rb) << v.file << " row " << y;
        if (ra != y) break;
        crc = crc32(crc, a.data(), (uInt)w * 4);
        whole.insert(whole.end(), a.begin(), a.end());
        // The three-byte rows are the four-byte ones without alpha.
        for (int x = 0; x < w; x++)
            ASSERT_TRUE(a[4 * x] == b[3 * x] && a[4 * x + 1] == b[3 * x + 1] && a[4 * x + 2] == b[3 * x + 2])
                << v.file << " row " << y << " x " << x;
        rows++;
    }
    if (v.status == "ok" || v.status == "warn") {
        EXPECT_EQ(rows, v.height) << v.file;
        if (v.interlace != "adam7") {
            EXPECT_EQ(Hex(crc), v.crc) << v.file;
        } else {
            std::vector<uint8_t> ref;
            int rw = 0, rh = 0;
            ASSERT_TRUE(ReferenceRgba(path, &ref, &rw, &rh)) << v.file;
            EXPECT_TRUE(ref == whole) << v.file;
        }
    } else if (v.status == "error_end") {
        // A broken trailer after the image data keeps every row.
        EXPECT_EQ(rows, v.height) << v.file;
    } else {
        EXPECT_EQ(rows, v.rowsDone) << v.file;
    }
}

}  // namespace

TEST(TestData, EveryFileMatchesTheLibraries) {
    auto all = LoadVerified();
    ASSERT_GT(all.size(), 150u);
    int jpegs = 0, pngs = 0;
    for (const Verified& v : all) {
        SCOPED_TRACE(v.file);
        // The factory picks the class by name, as the program does.
        std::u16string wide = Utf16(TestData(v.file));
        std::unique_ptr<Img_t> img(AllocImg_t(wide.c_str()));
        ASSERT_NE(img, nullptr);
        if (v.decoder == "jpeg") {
            EXPECT_NE(dynamic_cast<Jpeg_t*>(img.get()), nullptr);
            CheckJpeg(v);
            jpegs++;
        } else {
            EXPECT_NE(dynamic_cast<Png_t*>(img.get()), nullptr);
            CheckPng(v);
            pngs++;
        }
    }
    EXPECT_GT(jpegs, 30);
    EXPECT_GT(pngs, 90);
}

// The picture of the cap test opens once a budget asks for a reduction.
TEST(TestData, HugeJpegDecodesReduced) {
    Jpeg_t j;
    j.Budget = 2000000;
    ASSERT_EQ(j.Open(TestData("corrupt/testorig-30000x20000.jpg").c_str()), 1);
    EXPECT_EQ(j.OutWidth, 3750);
    EXPECT_EQ(j.OutHeight, 2500);
    std::vector<uint8_t> row((size_t)j.OutWidth * 3);
    int rows = 0;
    while (j.ReadRow(row.data()) >= 0) rows++;
    EXPECT_EQ(rows, 2500);
}

// Every file of the test data read through ReadRow at a thumbnail budget,
// with fast decoding: whatever happens, nothing crashes.
TEST(TestData, DamagedFilesNeverCrash) {
    for (const Verified& v : LoadVerified()) {
        std::u16string wide = Utf16(TestData(v.file));
        std::unique_ptr<Img_t> img(AllocImg_t(wide.c_str()));
        ASSERT_NE(img, nullptr);
        img->Budget = 14400;
        img->Fast = 1;
        if (img->Open(wide.c_str()) <= 0) continue;
        std::vector<uint8_t> row((size_t)img->OutWidth * 4 + 4);
        for (int y = 0; y < img->OutHeight; y++)
            if (img->ReadRow(row.data()) < 0) break;
        img->Close();
    }
}

// PngSuite's interlaced files hold the same pixels as their plain twins.
TEST(TestData, InterlacedMatchPlainTwins) {
    auto all = LoadVerified();
    int twins = 0;
    for (const Verified& v : all) {
        if (v.interlace != "adam7" || v.file.rfind("png/basi", 0) != 0) continue;
        std::string twin = "png/basn" + v.file.substr(8);
        const Verified* t = nullptr;
        for (const Verified& u : all)
            if (u.file == twin) t = &u;
        if (!t) continue;
        Png_t png;
        ASSERT_EQ(png.Open(TestData(v.file).c_str()), 1) << v.file;
        std::vector<uint8_t> row((size_t)png.OutWidth * 4);
        uLong crc = crc32(0L, Z_NULL, 0);
        for (int y = 0; y < png.OutHeight; y++) {
            ASSERT_EQ(png.ReadRowRGBA(row.data()), y);
            crc = crc32(crc, row.data(), (uInt)row.size());
        }
        EXPECT_EQ(Hex(crc), t->crc) << v.file << " vs " << twin;
        twins++;
    }
    EXPECT_GE(twins, 10);
}
