// Jpeg_t: reductions from the budget, open results, row counting, CMYK,
// the DC-only reading of progressive files, the writer's refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "codec/Jpeg.h"
#include "tests/codec/CodecTestUtil.h"
#include "tests/support/PhotoJpeg.h"

TEST(Jpeg, ReductionFromBudget) {
    struct { int w, h, budget, outW, outH; } cases[] = {
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
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " budget " + std::to_string(c.budget));
        std::string path = t.File(std::to_string(c.w) + "x" + std::to_string(c.h) + ".jpg");
        ASSERT_TRUE(std::filesystem::exists(path) || MakeJpeg(path, c.w, c.h));
        Jpeg_t j, other;
        j.Budget = c.budget, other.Budget = 100;
        ASSERT_EQ(j.Open(path.c_str()), 1);
        EXPECT_EQ(std::pair((int)j.OutWidth, (int)j.OutHeight), std::pair(c.outW, c.outH));
        ASSERT_EQ(other.Open(path.c_str()), 1);
        int ow = 0, oh = 0;  // the same size predicted from a header opened at another budget
        other.OutSizeFor(c.budget, &ow, &oh);
        EXPECT_EQ(std::pair(ow, oh), std::pair(c.outW, c.outH));
        EXPECT_EQ(c.w > 2048 ? c.outH : ReadAllRows(path, c.budget), c.outH);  // larger ones only cost time
    }
    // Beyond the pixel cap at full size the picture still opens reduced.
    EXPECT_EQ(ReadAllRows(TestData("corrupt/testorig-30000x20000.jpg"), 2000000), 2500);
}

TEST(Jpeg, OpenResultsRowCountingAndWriterRefusals) {
    TempFolder t;
    Jpeg_t missing, text, j;
    EXPECT_EQ(missing.Open(t.File("none.jpg").c_str()), 0);
    WriteBytes(t.File("text.jpg"), "this is not a picture at all");
    EXPECT_EQ(text.Open(t.File("text.jpg").c_str()), -1);
    // Refused (the pixel cap at full size), yet the object opens the next file.
    EXPECT_EQ(j.Open(TestData("corrupt/testorig-30000x20000.jpg").c_str()), -1);
    ASSERT_EQ(j.Open(TestData("jpeg/testorig.jpg").c_str()), 1);
    ASSERT_EQ(j.OutHeight, 149);
    std::vector<uint8_t> row(j.OutWidth * 3);
    for (int y = 0; y < 149; y++) {
        ASSERT_EQ(j.ReadRow(row.data()), y);
        ASSERT_EQ(j.GetRow(), y + 1);
    }
    EXPECT_EQ(j.ReadRow(row.data()), -1);  // past the end: an error, still counted
    EXPECT_EQ(j.GetRow(), 150);
    // The writer: closed before the last row is a failure; no size, no file.
    Jpeg_t w;
    w.OutWidth = w.OutHeight = 200;
    ASSERT_EQ(w.OpenWrite(t.File("half.jpg").c_str()), 1);
    for (int y = 0; y < 100; y++) w.WriteRow(std::vector<uint8_t>(600, 77).data());
    EXPECT_FALSE(w.Close());
    EXPECT_EQ(w.OpenWrite(t.File("no/such/folder.jpg").c_str()), 0);
    w.OutWidth = 0;
    EXPECT_EQ(w.OpenWrite(t.File("empty.jpg").c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(t.File("empty.jpg")));
}

// CMYK (Adobe: inverted inks) as its maker decoded it to R, G, B.
TEST(Jpeg, CmykMatchesItsReference) {
    std::unique_ptr<Img_t> ref(AllocImg_t(TempFolder::Utf16(TestData("png/video-001.cmyk.png")).c_str()));
    Jpeg_t a;
    ASSERT_EQ(a.Open(TestData("jpeg/video-001.cmyk.jpeg").c_str()), 1);
    ASSERT_EQ(ref->Open(TestData("png/video-001.cmyk.png").c_str()), 1);
    ASSERT_EQ(std::pair(a.OutWidth, a.OutHeight), std::pair(ref->OutWidth, ref->OutHeight));
    std::vector<uint8_t> ra(a.OutWidth * 3), rb(a.OutWidth * 3);
    int worst = 0;
    for (int y = 0; y < a.OutHeight; y++) {
        ASSERT_TRUE(a.ReadRow(ra.data()) == y && ref->ReadRow(rb.data()) == y);
        for (size_t i = 0; i < ra.size(); i++) worst = std::max(worst, std::abs(ra[i] - rb[i]));
    }
    EXPECT_LE(worst, 1);

    // Without the Adobe marker the inks are stored as they are: white
    // paper less each ink, times what the black leaves.
    TempFolder t;
    const uint8_t inks[4] = {40, 100, 160, 30};
    ASSERT_TRUE(WriteTestJpeg(t.File("plain.jpg"), 16, 16, 4,
                              [&](int, uint8_t* row) { for (int i = 0; i < 64; i++) row[i] = inks[i % 4]; },
                              {.quality = 100}));
    Jpeg_t plain;
    ASSERT_EQ(plain.Open(t.File("plain.jpg").c_str()), 1);
    std::vector<uint8_t> rgb(16 * 3);
    ASSERT_EQ(plain.ReadRow(rgb.data()), 0);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(rgb[k], (255 - inks[k]) * (255 - inks[3]) / 255, 2) << k;
}

namespace {

// Every row through Jpeg_t at the budget; whether each came with its index.
struct Rows {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    bool inOrder = true;
};
Rows ReadAll(const std::string& path, int budget) {
    Rows r;
    Jpeg_t j;
    j.Budget = budget;
    if (j.Open(path.c_str()) != 1) return r;
    r.w = j.OutWidth, r.h = j.OutHeight;
    std::vector<uint8_t> row((size_t)j.OutWidth * 3);
    for (int y = 0; y < j.OutHeight; y++) {
        r.inOrder &= j.ReadRow(row.data()) == y;
        r.rgb.insert(r.rgb.end(), row.begin(), row.end());
    }
    return r;
}

// The file up to the end of the scan that completes the DC coefficients
// (the first scan with Ss = 0 and Al = 0), then a scan header the library
// rejects, then the end marker: only a decoder that stops at the DC reads it.
std::string PoisonAfterDc(const std::string& jpeg) {
    size_t at = 0;
    bool dcDone = false;
    while (!dcDone && (at = jpeg.find("\xFF\xDA", at)) != std::string::npos) {
        size_t band = at + 5 + 2 * (uint8_t)jpeg[at + 4];  // Ss, Se, Ah:Al of the scan
        dcDone = jpeg[band] == 0 && ((uint8_t)jpeg[band + 2] & 15) == 0;
        at += 2;
    }
    at = jpeg.find("\xFF\xDA", at);
    if (at == std::string::npos) return "";
    return jpeg.substr(0, at) + std::string("\xFF\xDA\x00\x08\x01\x63\x00\x01\x3F\x00\xFF\xD9", 12);
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); i++) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * a.size() / sum);
}

}  // namespace

// A progressive file at 1/8 comes from its DC scans alone, every row in
// order; the open reads only the header.
TEST(Jpeg, ProgressiveAtOneEighthStopsAtTheDcScans) {
    TempFolder t;
    std::string prog = t.File("prog.jpg");
    ASSERT_TRUE(MakePhotoJpeg(prog, 803, 601, true, false));
    Rows got = ReadAll(prog, 6000);
    EXPECT_EQ(std::pair(got.w, got.h), std::pair(101, 76));  // 1/8, rounded up
    EXPECT_TRUE(got.inOrder);
    EXPECT_EQ(got.rgb, LibjpegDecode(prog, 1).rgb);  // a 1/8 pixel is its block's DC, unsmoothed
    // Everything after the DC scans is never read at 1/8; a 1/4 read opens
    // (header only) and then meets the bad scan.
    WriteBytes(prog, PoisonAfterDc(ReadBytes(prog)));
    Rows poisoned = ReadAll(prog, 6000);
    EXPECT_EQ(poisoned.rgb, got.rgb);
    EXPECT_TRUE(poisoned.inOrder);
    Rows quarter = ReadAll(prog, 14400);
    EXPECT_EQ(quarter.w, 201);
    EXPECT_FALSE(quarter.inOrder);
    // Progressive test files of other layouts (colour halved, cut short):
    // close to libjpeg's own decode, which shades within chroma blocks.
    for (const char* name : {"jpeg/video-001.separate.dc.progression.jpeg", "jpeg/video-001.q50.411.progressive.jpeg",
                             "jpeg/video-001.progressive.truncated.jpeg", "corrupt/testimgp-trunc2822.jpg"}) {
        SCOPED_TRACE(name);
        Rows got = ReadAll(TestData(name), 100);
        ASSERT_GT(got.h, 0);
        EXPECT_TRUE(got.inOrder);
        std::vector<uint8_t> whole = LibjpegDecode(TestData(name), 1).rgb;
        ASSERT_EQ(whole.size(), got.rgb.size());
        EXPECT_GT(Psnr(whole, got.rgb), 30.0);
    }
}
