// AllocImg_t's suffix rules, Png_t's refusal to write, and the saved
// regression inputs.
#include <gtest/gtest.h>

#include "codec/Png.h"
#include "tests/codec/CodecTestUtil.h"

TEST(Factory, SuffixRules) {
    struct { const char16_t* name; int kind; } cases[] = {  // kind: 0 none, 1 JPEG, 2 PNG
        {u"a.jpg", 1}, {u".jpg", 0}, {u"x.JPEG", 1}, {u"x.Jpg", 1}, {u"a.jpeg", 1},
        {u".jpeg", 0},  // ".jpeg" counts only in names longer than 5
        {u"p.png", 2}, {u"P.PNG", 2}, {u"a.gif", 0}, {u"a.jpe", 0}, {u"jpg", 0}, {u"", 0}, {u"dir.jpg/x", 0},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Img_t> img(AllocImg_t(c.name));
        int kind = !img ? 0 : dynamic_cast<Png_t*>(img.get()) ? 2 : 1;
        EXPECT_EQ(kind, c.kind) << TempFolder::Utf8(c.name);
    }
    EXPECT_EQ(AllocImg_t(nullptr), nullptr);
}

// Png_t has no encoder: asked to write over a picture, it leaves it intact.
// Read past its last row, it reports an error.
TEST(Png, OpenWriteLeavesTheFileAloneAndRowsEnd) {
    TempFolder t;
    std::string path = t.File("p.png"), bytes = ReadBytes(TestData("png/basn2c08.png"));
    WriteBytes(path, bytes);
    Png_t png;
    EXPECT_EQ(png.Open(t.File("none.png").c_str()), 0);
    ASSERT_EQ(png.Open(path.c_str()), 1);
    std::vector<uint8_t> row(png.OutWidth * 3);
    for (int y = 0; y < png.OutHeight; y++) ASSERT_EQ(png.ReadRow(row.data()), y);
    EXPECT_EQ(png.ReadRow(row.data()), -1);
    EXPECT_LE(png.OpenWrite(path.c_str()), 0);
    png.Close();
    EXPECT_EQ(ReadBytes(path), bytes);
}

// Inputs that once broke a decoder (minimised fuzzer findings) open or fail
// cleanly.
TEST(Regress, SavedInputsOpenCleanly) {
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(LUMATRAY_SOURCE_DIR) + "/tests/data/regress")) {
        EXPECT_GE(ReadAllRows(e.path().string(), 2000000), -1) << e.path();
        files++;
    }
    EXPECT_GT(files, 0);
}
