// Jpeg_t: reductions from the budget, open results, row counting, grey and
// CMYK pictures, the writer and its failures.
#include <gtest/gtest.h>

#include <cmath>

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

// Reads every row through Jpeg_t into one buffer; the row indices it
// returned go to order. Sizes as opened.
static std::vector<uint8_t> ReadAll(const std::string& path, int budget, int* w, int* h, std::vector<int>* order) {
    Jpeg_t j;
    j.Budget = budget;
    std::vector<uint8_t> out;
    if (j.Open(path.c_str()) != 1) return out;
    *w = j.OutWidth, *h = j.OutHeight;
    std::vector<uint8_t> row((size_t)j.OutWidth * 3);
    for (int y = 0; y < j.OutHeight; y++) {
        order->push_back(j.ReadRow(row.data()));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// The file up to the end of the scan that completes the DC coefficients
// (the first scan with Ss = 0 and Al = 0), then a scan header the library
// rejects, then the end marker: only a decoder that stops at the DC reads it.
static std::string PoisonAfterDc(const std::string& jpeg) {
    size_t at = 0;
    bool dcDone = false;
    while ((at = jpeg.find("\xFF\xDA", at)) != std::string::npos) {
        if (dcDone) break;
        size_t ns = (uint8_t)jpeg[at + 4];
        size_t band = at + 5 + 2 * ns;  // Ss, Se, Ah:Al of the scan
        dcDone = jpeg[band] == 0 && ((uint8_t)jpeg[band + 2] & 15) == 0;
        at += 2;
    }
    if (at == std::string::npos) return "";
    return jpeg.substr(0, at) + std::string("\xFF\xDA\x00\x08\x01\x63\x00\x01\x3F\x00\xFF\xD9", 12);
}

static double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); i++) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * a.size() / sum);
}

// A progressive file at 1/8 comes from its DC scans alone, with the sizes
// and row order of its baseline twin; the open reads only the header.
TEST(Jpeg, ProgressiveAtOneEighthStopsAtTheDcScans) {
    TempFolder t;
    for (bool subsampled : {false, true}) {
        SCOPED_TRACE(subsampled ? "4:2:0" : "4:4:4");
        std::string base = t.File("base.jpg"), prog = t.File("prog.jpg");
        ASSERT_TRUE(MakePhotoJpeg(base, 803, 601, false, subsampled));
        ASSERT_TRUE(MakePhotoJpeg(prog, 803, 601, true, subsampled));
        int bw = 0, bh = 0, pw = 0, ph = 0;
        std::vector<int> baseOrder, progOrder, expected;
        std::vector<uint8_t> fromBase = ReadAll(base, 6000, &bw, &bh, &baseOrder);
        std::vector<uint8_t> fromProg = ReadAll(prog, 6000, &pw, &ph, &progOrder);
        EXPECT_EQ(std::pair(pw, ph), std::pair(101, 76));  // 1/8, rounded up
        EXPECT_EQ(std::pair(pw, ph), std::pair(bw, bh));
        for (int y = 0; y < ph; y++) expected.push_back(y);
        EXPECT_EQ(progOrder, expected);
        EXPECT_EQ(baseOrder, expected);
        // The same coefficients: a 1/8 pixel is its block's DC, so full
        // colour matches libjpeg's whole decode exactly; halved colour loses
        // only the shading libjpeg draws inside each 2 x 2 chroma block.
        std::vector<uint8_t> whole = LibjpegDecode(prog, 1);
        ASSERT_EQ(whole.size(), fromProg.size());
        EXPECT_EQ(whole, fromBase);
        if (subsampled)
            EXPECT_GT(Psnr(whole, fromProg), 30.0);
        else
            EXPECT_EQ(whole, fromProg);

        // Everything after the DC scans is never read at 1/8; a 1/4 read
        // meets the bad scan. Opening alone reads only the header.
        WriteBytes(prog, PoisonAfterDc(ReadBytes(prog)));
        std::vector<int> poisonedOrder;
        EXPECT_EQ(ReadAll(prog, 6000, &pw, &ph, &poisonedOrder), fromProg);
        EXPECT_EQ(poisonedOrder, expected);
        Jpeg_t quarter;
        quarter.Budget = 14400;
        ASSERT_EQ(quarter.Open(prog.c_str()), 1);
        EXPECT_EQ(quarter.OutWidth, 201);
        std::vector<uint8_t> row(201 * 3);
        EXPECT_EQ(quarter.ReadRow(row.data()), -1);
    }
    // Progressive test files of other layouts: every row, in order.
    for (const char* name : {"jpeg/video-001.separate.dc.progression.jpeg", "jpeg/video-001.q50.411.progressive.jpeg",
                             "jpeg/video-001.progressive.truncated.jpeg", "corrupt/testimgp-trunc2822.jpg"}) {
        SCOPED_TRACE(name);
        int w = 0, h = 0;
        std::vector<int> order;
        std::vector<uint8_t> rows = ReadAll(TestData(name), 100, &w, &h, &order);
        ASSERT_GT(h, 0);
        EXPECT_EQ((int)order.size(), h);
        EXPECT_EQ(order.back(), h - 1);
        std::vector<uint8_t> whole = LibjpegDecode(TestData(name), 1);
        ASSERT_EQ(whole.size(), rows.size());
        EXPECT_GT(Psnr(whole, rows), 30.0);
    }
}

// The size an open at another budget would give, from the header alone.
TEST(Jpeg, OutSizeForAnotherBudget) {
    TempFolder t;
    for (auto [w, h] : {std::pair{1001, 999}, {4000, 3000}, {17, 9}}) {
        std::string path = t.File(std::to_string(w) + ".jpg");
        ASSERT_TRUE(MakeJpeg(path, w, h, 3, 10));
        Jpeg_t header;
        header.Budget = 14400;
        ASSERT_EQ(header.Open(path.c_str()), 1);
        for (int budget : {-1, 100, 14400, 250000, 2000000}) {
            Jpeg_t j;
            j.Budget = budget;
            ASSERT_EQ(j.Open(path.c_str()), 1);
            int ow = 0, oh = 0;
            header.OutSizeFor(budget, &ow, &oh);
            EXPECT_EQ(std::pair(ow, oh), std::pair((int)j.OutWidth, (int)j.OutHeight)) << w << " at " << budget;
        }
    }
}
