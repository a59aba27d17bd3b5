// Jpeg_t: reductions from the budget, open results, row counting, grey and
// CMYK pictures, the writer and its failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "codec/Img.h"
#include "codec/Jpeg.h"
#include "codec/Png.h"
#include "tests/codec/CodecTestUtil.h"

namespace {

struct Size {
    int w, h;
};

// Opens with a budget and reads every row; returns the delivered size.
Size DecodeAll(const std::string& path, int budget, int* rowsOk = nullptr) {
    Jpeg_t j;
    j.Budget = budget;
    EXPECT_EQ(j.Open(path.c_str()), 1) << path;
    std::vector<uint8_t> row((size_t)j.OutWidth * 3);
    int ok = 0;
    for (int y = 0; y < j.OutHeight; y++)
        if (j.ReadRow(row.data()) == y) ok++;
    if (rowsOk) *rowsOk = ok;
    EXPECT_EQ(j.GetRow(), j.OutHeight);
    return {j.OutWidth, j.OutHeight};
}

}  // namespace

TEST(Jpeg, ReductionFromBudget) {
    struct Case {
        int w, h, budget, outW, outH;
    } cases[] = {
        {4000, 3000, 2000000, 2000, 1500},  // s ~ 0.408: 1/2
        {3264, 2448, 2000000, 3264, 2448},  // s ~ 0.5003: full size
        {1600, 1200, 2000000, 1600, 1200},  // within the budget
        {2048, 1536, 14400, 256, 192},      // s ~ 0.068: 1/8
        {640, 480, 14400, 160, 120},        // s ~ 0.217: 1/4
        {4000, 3000, -1, 4000, 3000},       // no limit
    };
    TempDir t;
    for (const Case& c : cases) {
        std::string path = t.File(std::to_string(c.w) + "x" + std::to_string(c.h) + ".jpg");
        if (!std::filesystem::exists(path)) {
            ASSERT_TRUE(MakeJpeg(path, c.w, c.h, 3, 10));
        }
        int rows = 0;
        Jpeg_t probe;
        probe.Budget = c.budget;
        ASSERT_EQ(probe.Open(path.c_str()), 1);
        EXPECT_EQ(probe.SrcWidth, c.w);
        EXPECT_EQ(probe.SrcHeight, c.h);
        EXPECT_EQ(probe.OutWidth, c.outW) << c.w << "x" << c.h << " budget " << c.budget;
        EXPECT_EQ(probe.OutHeight, c.outH);
        probe.Close();
        if (c.w <= 2048) {  // decoding the largest ones adds nothing but time
            Size s = DecodeAll(path, c.budget, &rows);
            EXPECT_EQ(rows, c.outH);
            EXPECT_EQ(s.w, c.outW);
        }
    }
    // Sizes not divisible by 8 round up.
    EXPECT_EQ(Jpeg_t::ScaleNumFor(2048, 1536, 14400), 1);
    EXPECT_EQ(Jpeg_t::ScaleNumFor(640, 480, 14400), 2);
    EXPECT_EQ(Jpeg_t::ScaleNumFor(4000, 3000, 2000000), 4);
    EXPECT_EQ(Jpeg_t::ScaleNumFor(3264, 2448, 2000000), 8);
    EXPECT_EQ(Jpeg_t::ScaleNumFor(0, 100, 10), 8);
    // A finer library step is never asked for: 8s = 5.x gives full size.
    EXPECT_EQ(Jpeg_t::ScaleNumFor(1000, 1000, 500000), 8);
    std::string odd = t.File("odd.jpg");
    ASSERT_TRUE(MakeJpeg(odd, 1001, 999, 3));
    Jpeg_t j;
    j.Budget = 14400;
    ASSERT_EQ(j.Open(odd.c_str()), 1);
    EXPECT_EQ(j.OutWidth, 126);  // ceil(1001 / 8)
    EXPECT_EQ(j.OutHeight, 125);
}

TEST(Jpeg, OpenResultsAndRowCounting) {
    TempDir t;
    Jpeg_t missing;
    EXPECT_EQ(missing.Open(t.File("none.jpg").c_str()), 0);
    WriteBytes(t.File("text.jpg"), "this is not a picture at all");
    Jpeg_t text;
    EXPECT_EQ(text.Open(t.File("text.jpg").c_str()), -1);

    std::string path = t.File("p.jpg");
    ASSERT_TRUE(MakeJpeg(path, 40, 30, 3));
    Jpeg_t j;
    ASSERT_EQ(j.Open(path.c_str()), 1);
    EXPECT_EQ(j.GetRow(), 0);
    EXPECT_EQ(j.ColourKind, 0);
    EXPECT_EQ(j.Palette, nullptr);
    std::vector<uint8_t> row(40 * 4);
    EXPECT_EQ(j.ReadRowRGBA(row.data()), -1);
    EXPECT_EQ(j.ReadRow(row.data()), 0);
    EXPECT_EQ(j.GetRow(), 1);
    for (int y = 1; y < 30; y++) EXPECT_EQ(j.ReadRow(row.data()), y);
    EXPECT_EQ(j.GetRow(), 30);
    // Past the end: an error, still counted.
    EXPECT_EQ(j.ReadRow(row.data()), -1);
    EXPECT_EQ(j.GetRow(), 31);
    EXPECT_TRUE(j.Close());
}

TEST(Jpeg, GreyThroughThePalette) {
    TempDir t;
    std::string path = t.File("g.jpg");
    ASSERT_TRUE(MakeJpeg(path, 33, 17, 1, 90));
    Jpeg_t j;
    ASSERT_EQ(j.Open(path.c_str()), 1);
    ASSERT_NE(j.Palette, nullptr);
    std::vector<uint8_t> row(33 * 3);
    bool varied = false;
    for (int y = 0; y < 17; y++) {
        ASSERT_EQ(j.ReadRow(row.data()), y);
        for (int x = 0; x < 33; x++) {
            EXPECT_EQ(row[3 * x], row[3 * x + 1]);
            EXPECT_EQ(row[3 * x], row[3 * x + 2]);
            if (row[3 * x] != row[0]) varied = true;
        }
    }
    EXPECT_TRUE(varied);
}

TEST(Jpeg, FastModeStaysClose) {
    std::string path = TestData("jpeg/testorig.jpg");
    Jpeg_t a, b;
    b.Fast = 1;
    ASSERT_EQ(a.Open(path.c_str()), 1);
    ASSERT_EQ(b.Open(path.c_str()), 1);
    ASSERT_EQ(a.OutWidth, b.OutWidth);
    std::vector<uint8_t> ra(a.OutWidth * 3), rb(a.OutWidth * 3);
    long diff = 0, n = 0;
    for (int y = 0; y < a.OutHeight; y++) {
        ASSERT_EQ(a.ReadRow(ra.data()), y);
        ASSERT_EQ(b.ReadRow(rb.data()), y);
        for (size_t i = 0; i < ra.size(); i++, n++) diff += std::abs(ra[i] - rb[i]);
    }
    EXPECT_LT((double)diff / n, 3.0);
}

// CMYK and YCCK files are converted to R, G, B. The CMYK test picture comes
// with the R, G, B decoding its makers expect (an Adobe file: inverted inks).
TEST(Jpeg, CmykConvertsToRgb) {
    Jpeg_t cmyk;
    Png_t expected;
    ASSERT_EQ(cmyk.Open(TestData("jpeg/video-001.cmyk.jpeg").c_str()), 1);
    ASSERT_EQ(expected.Open(TestData("png/video-001.cmyk.png").c_str()), 1);
    ASSERT_EQ(cmyk.OutWidth, expected.OutWidth);
    ASSERT_EQ(cmyk.OutHeight, expected.OutHeight);
    std::vector<uint8_t> a(cmyk.OutWidth * 3), b(cmyk.OutWidth * 3);
    int worst = 0;
    for (int y = 0; y < cmyk.OutHeight; y++) {
        ASSERT_EQ(cmyk.ReadRow(a.data()), y);
        ASSERT_EQ(expected.ReadRow(b.data()), y);
        for (size_t i = 0; i < a.size(); i++) worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    EXPECT_LE(worst, 1);

    Jpeg_t ycck;
    ycck.Budget = 200;  // reduced CMYK rows fit the 3-byte buffer too
    ASSERT_EQ(ycck.Open(TestData("jpeg/jpg-ycck.jpg").c_str()), 1);
    std::vector<uint8_t> row(ycck.OutWidth * 3);
    for (int y = 0; y < ycck.OutHeight; y++) EXPECT_EQ(ycck.ReadRow(row.data()), y);
}

TEST(Jpeg, WriterMakesAReadableThumbnail) {
    TempDir t;
    std::string path = t.File("thumb.jpg");
    Jpeg_t w;
    w.OutWidth = 120;
    w.OutHeight = 90;
    ASSERT_EQ(w.OpenWrite(path.c_str()), 1);
    std::vector<uint8_t> row(120 * 3);
    for (int y = 0; y < 90; y++) {
        for (int x = 0; x < 120; x++) {
            row[3 * x] = (uint8_t)(x * 2);
            row[3 * x + 1] = (uint8_t)(y * 2);
            row[3 * x + 2] = 128;
        }
        w.WriteRow(row.data());
    }
    EXPECT_EQ(w.GetRow(), 90);
    EXPECT_FALSE(w.WriteFailed());
    EXPECT_TRUE(w.Close());

    // libjpeg itself reads it back at that size, baseline, every row.
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(d.image_width, 120u);
    EXPECT_EQ(d.image_height, 90u);
    EXPECT_FALSE(d.progressive_mode);
    jpeg_start_decompress(&d);
    std::vector<uint8_t> back(120 * 3);
    int far = 0;
    for (int y = 0; y < 90; y++) {
        JSAMPROW r = back.data();
        ASSERT_EQ(jpeg_read_scanlines(&d, &r, 1), 1u);
        if (std::abs(back[3 * 60] - 120) > 12 || std::abs(back[3 * 60 + 1] - 2 * y) > 12) far++;
    }
    EXPECT_EQ(far, 0);
    jpeg_finish_decompress(&d);
    EXPECT_EQ(err.num_warnings, 0);
    jpeg_destroy_decompress(&d);
    fclose(f);
}

TEST(Jpeg, WriterFailuresAreReported) {
    std::vector<uint8_t> row(200 * 3, 77);
    {
        // A full disk shows up while rows are written or at the finish.
        Jpeg_t w;
        w.OutWidth = 200;
        w.OutHeight = 200;
        if (w.OpenWrite("/dev/full") != 1) GTEST_SKIP() << "no /dev/full";
        for (int y = 0; y < 200; y++) w.WriteRow(row.data());
        EXPECT_TRUE(w.WriteFailed());
        EXPECT_FALSE(w.Close());
    }
    TempDir t;
    {
        // Closed before the last row: incomplete.
        Jpeg_t w;
        w.OutWidth = 200;
        w.OutHeight = 200;
        ASSERT_EQ(w.OpenWrite(t.File("half.jpg").c_str()), 1);
        for (int y = 0; y < 100; y++) w.WriteRow(row.data());
        EXPECT_FALSE(w.Close());
    }
    {
        Jpeg_t w;  // no size set: refused without creating a file
        EXPECT_EQ(w.OpenWrite(t.File("empty.jpg").c_str()), -1);
        EXPECT_FALSE(std::filesystem::exists(t.File("empty.jpg")));
        Jpeg_t n;
        n.OutWidth = n.OutHeight = 4;
        EXPECT_EQ(n.OpenWrite(t.File("no/such/folder.jpg").c_str()), 0);
    }
}

TEST(Jpeg, UnicodeNamesOpenThroughUtf16) {
    TempDir t;
    std::string name = t.File("Пейзаж 風景.JPG");
    ASSERT_TRUE(MakeJpeg(name, 16, 8, 3));
    std::u16string wide = Utf16(name);
    std::unique_ptr<Img_t> img(AllocImg_t(wide.c_str()));
    ASSERT_NE(img, nullptr);
    ASSERT_EQ(img->Open(wide.c_str()), 1);
    EXPECT_EQ(img->OutWidth, 16);

    // Written through a UTF-16 name as well.
    std::u16string out = Utf16(t.File("выход_出力.jpg"));
    Jpeg_t w;
    w.OutWidth = w.OutHeight = 8;
    ASSERT_EQ(w.OpenWrite(out.c_str()), 1);
    std::vector<uint8_t> row(8 * 3, 200);
    for (int y = 0; y < 8; y++) w.WriteRow(row.data());
    EXPECT_TRUE(w.Close());
    EXPECT_TRUE(std::filesystem::exists(t.File("выход_出力.jpg")));
}
