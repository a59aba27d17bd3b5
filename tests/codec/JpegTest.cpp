// Jpeg_t: reductions from the budget, open results, row counting, grey and
// CMYK pictures, the writer and its failures.
#include <gtest/gtest.h>

#include "codec/Jpeg.h"
#include "codec/Png.h"
#include "tests/codec/CodecTestUtil.h"
#include "tests/support/FileSizeLimit.h"

TEST(Jpeg, ReductionFromBudget) {
    struct {
        int w, h, budget, outW, outH;
    } cases[] = {
        {4000, 3000, 2000000, 2000, 1500},  // s ~ 0.408: 1/2
        {3264, 2448, 2000000, 3264, 2448},  // s ~ 0.5003: full size
        {1600, 1200, 2000000, 1600, 1200},  // within the budget
        {2048, 1536, 14400, 256, 192},      // s ~ 0.068: 1/8
        {640, 480, 14400, 160, 120},        // s ~ 0.217: 1/4
        {640, 480, 27648, 320, 240},        // s = 0.3: 1/2
        {4000, 3000, -1, 4000, 3000},       // no limit
        {1001, 999, 14400, 126, 125},       // reduced sizes round up
        {1000, 1000, 500000, 1000, 1000},   // 8s = 5.7: no finer step than 1/2
    };
    TempFolder t;
    for (const auto& c : cases) {
        std::string path = t.File(std::to_string(c.w) + "x" + std::to_string(c.h) + ".jpg");
        ASSERT_TRUE(std::filesystem::exists(path) || MakeJpeg(path, c.w, c.h, 3, 10));
        Jpeg_t j;
        j.Budget = c.budget;
        ASSERT_EQ(j.Open(path.c_str()), 1);
        EXPECT_EQ(j.OutWidth, c.outW) << c.w << "x" << c.h << " budget " << c.budget;
        EXPECT_EQ(j.OutHeight, c.outH) << c.w << "x" << c.h << " budget " << c.budget;
        EXPECT_EQ(c.w > 2048 ? c.outH : ReadAllRows(path, c.budget), c.outH);  // larger ones only cost time
    }
    EXPECT_EQ(Jpeg_t::ScaleNumFor(0, 100, 10), 8);
    // Beyond the pixel cap at full size, the picture still opens reduced.
    EXPECT_EQ(ReadAllRows(TestData("corrupt/testorig-30000x20000.jpg"), 2000000), 2500);
}

TEST(Jpeg, OpenResultsAndGreyRows) {
    TempFolder t;
    Jpeg_t missing, text, j;
    EXPECT_EQ(missing.Open(t.File("none.jpg").c_str()), 0);
    WriteBytes(t.File("text.jpg"), "this is not a picture at all");
    EXPECT_EQ(text.Open(t.File("text.jpg").c_str()), -1);

    ASSERT_TRUE(MakeJpeg(t.File("g.jpg"), 33, 17, 1, 90));
    ASSERT_EQ(j.Open(t.File("g.jpg").c_str()), 1);
    ASSERT_NE(j.Palette, nullptr);
    EXPECT_EQ(j.GetRow(), 0);
    std::vector<uint8_t> row(33 * 3);
    bool varied = false;
    for (int y = 0; y < 17; y++) {
        ASSERT_EQ(j.ReadRow(row.data()), y);
        EXPECT_EQ(j.GetRow(), y + 1);
        for (int x = 0; x < 33; x++) {
            EXPECT_TRUE(row[3 * x] == row[3 * x + 1] && row[3 * x] == row[3 * x + 2]) << x << "," << y;
            varied |= row[3 * x] != row[0];
        }
    }
    EXPECT_TRUE(varied);
    EXPECT_EQ(j.ReadRow(row.data()), -1);  // past the end: an error, still counted
    EXPECT_EQ(j.GetRow(), 18);
}

// Both test pictures come with the R, G, B decoding their makers expect:
// fast decoding stays close to it, and CMYK (Adobe: inverted inks) matches.
TEST(Jpeg, FastAndCmykDecoding) {
    struct {
        const char *jpeg, *reference;
        int fast;
        int worstLimit;
        double meanLimit;
    } cases[] = {{"jpeg/video-001.cmyk.jpeg", "png/video-001.cmyk.png", 0, 1, 1.0},
                 {"jpeg/testorig.jpg", "jpeg/testorig.jpg", 1, 255, 3.0}};
    for (const auto& c : cases) {
        std::u16string ref = Utf16(TestData(c.reference));
        std::unique_ptr<Img_t> b(AllocImg_t(ref.c_str()));
        Jpeg_t a;
        a.Fast = c.fast;
        ASSERT_EQ(a.Open(TestData(c.jpeg).c_str()), 1);
        ASSERT_EQ(b->Open(ref.c_str()), 1);
        ASSERT_EQ(a.OutWidth * 65536 + a.OutHeight, b->OutWidth * 65536 + b->OutHeight);
        std::vector<uint8_t> ra(a.OutWidth * 3), rb(a.OutWidth * 3);
        double diff = 0;
        int worst = 0;
        for (int y = 0; y < a.OutHeight; y++) {
            ASSERT_TRUE(a.ReadRow(ra.data()) == y && b->ReadRow(rb.data()) == y);
            for (size_t i = 0; i < ra.size(); i++) diff += std::abs(ra[i] - rb[i]), worst = std::max(worst, std::abs(ra[i] - rb[i]));
        }
        EXPECT_LE(worst, c.worstLimit) << c.jpeg;
        EXPECT_LT(diff / ((double)ra.size() * a.OutHeight), c.meanLimit) << c.jpeg;
    }
}

TEST(Jpeg, WrittenThumbnailReadsBack) {
    TempFolder t;
    std::string path = t.File("выход 出力.jpg");  // written and read through UTF-16 names
    std::u16string wide = Utf16(path);
    Jpeg_t w;
    w.OutWidth = 120;
    w.OutHeight = 90;
    ASSERT_EQ(w.OpenWrite(wide.c_str()), 1);
    std::vector<uint8_t> row(120 * 3);
    for (int y = 0; y < 90; y++) {
        for (int x = 0; x < 120; x++) row[3 * x] = (uint8_t)(2 * x), row[3 * x + 1] = (uint8_t)(2 * y), row[3 * x + 2] = 128;
        w.WriteRow(row.data());
    }
    EXPECT_EQ(w.GetRow(), 90);
    EXPECT_TRUE(w.Close());

    std::unique_ptr<Img_t> r(AllocImg_t(wide.c_str()));
    ASSERT_EQ(r->Open(wide.c_str()), 1);
    ASSERT_EQ(r->OutWidth * 1000 + r->OutHeight, 120090);
    for (int y = 0; y < 90; y++) {
        ASSERT_EQ(r->ReadRow(row.data()), y);
        EXPECT_NEAR(row[3 * 60], 120, 12) << y;
        EXPECT_NEAR(row[3 * 60 + 1], 2 * y, 12) << y;
    }
}

TEST(Jpeg, WriterFailuresAreReported) {
    TempFolder t;
    std::vector<uint8_t> row(200 * 3, 77);
    auto write = [&](const std::string& path, int rows, int size = 200) {
        Jpeg_t w;
        w.OutWidth = w.OutHeight = (uint16_t)size;
        int r = w.OpenWrite(path.c_str());
        for (int y = 0; r == 1 && y < rows; y++) w.WriteRow(row.data());
        return r == 1 ? (w.Close() ? 1 : 2) : r;  // 1 good, 2 failed, else the open result
    };
    {
        FileSizeLimit full(100);
        EXPECT_EQ(write(t.File("full.jpg"), 200), 2);  // a full disk, met at a row or at the finish
    }
    EXPECT_EQ(write(t.File("half.jpg"), 100), 2);  // closed before the last row
    EXPECT_EQ(write(t.File("empty.jpg"), 0, 0), -1);  // no size: refused, no file made
    EXPECT_FALSE(std::filesystem::exists(t.File("empty.jpg")));
    EXPECT_EQ(write(t.File("no/such/folder.jpg"), 4, 4), 0);
}
