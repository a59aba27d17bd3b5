// The picture transforms on real files: where rotation and crop put each
// pixel, the output names, the refusals, the progress bar, and that no
// failure part-way (a full disk, a read-only folder, a picture that
// vanished) costs the picture or leaves a file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <set>

#include "codec/Jpeg.h"
#include "codec/Transform.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "tests/codec/CodecTestUtil.h"
#include "tests/support/FileSizeLimit.h"

namespace {

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return rgb.data() + 3 * ((size_t)y * w + x); }
};

Picture Decode(const std::string& path) {
    Picture p;
    Jpeg_t j;
    if (j.Open(path.c_str()) != 1) return p;
    p.w = j.OutWidth;
    p.h = j.OutHeight;
    p.rgb = LibjpegDecode(path, 8);
    return p;
}

// A w x h picture at quality 100 without colour subsampling, so that even
// tiny pictures come back within a few levels.
bool EncodeExact(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
    auto fill = [&](int y, uint8_t* row) { std::copy_n(rgb.data() + (size_t)y * w * 3, (size_t)w * 3, row); };
    TestJpegSettings s;
    s.quality = 100;
    s.fullChroma = true;
    return WriteTestJpeg(path, w, h, 3, fill, s);
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

std::string Apply(PictureTransform_t& t, const std::string& path, const ProgressTarget* target = nullptr) {
    char16_t message[kTransformMessageUnits];
    t.Process(Utf16(path).c_str(), message, target);
    std::string out;
    for (const char16_t* p = message; *p; p++) out += (char)*p;
    return out;
}

std::string Rotate(const std::string& path, int mode) {
    RotateTransform_t t;
    t.Mode = mode;
    return Apply(t, path);
}

class Transform : public testing::Test {
protected:
    void TearDown() override {
        plat::FailWritesUnder(nullptr, 0);
        plat::SetReplaceHook(nullptr);
    }
    std::string Copy(const std::string& data, const std::string& name) {
        std::string to = temp.File(name);
        std::filesystem::copy_file(TestData(data), to);
        return to;
    }
    TempFolder temp;
};

TEST_F(Transform, QuarterAndHalfTurnsPutEveryPixelInItsPlace) {
    // 4 x 2 in black and white (the writer subsamples colour: a picture
    // this small keeps only its brightness). White at the top left.
    const bool lit[2][4] = {{true, false, false, true}, {false, false, true, false}};
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 4; x++) rgb.insert(rgb.end(), 3, lit[y][x] ? 255 : 0);
    std::string path = temp.File("small.jpg");
    ASSERT_TRUE(EncodeExact(path, 4, 2, rgb));
    ASSERT_EQ(Rotate(path, 1), "");
    Picture turned = Decode(path);
    ASSERT_EQ(turned.w, 2);
    ASSERT_EQ(turned.h, 4);
    EXPECT_GT(turned.At(1, 0)[1], 128) << "the source's top-left goes to the top right";
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(turned.At(2 - 1 - y, x)[1] > 128, lit[y][x]) << x << "," << y;

    // The other modes on a real photograph, every pixel against the rule.
    struct {
        int mode;
        int (*col)(int x, int y, int w, int h);
        int (*row)(int x, int y, int w, int h);
    } cases[] = {
        {1, [](int, int y, int, int h) { return h - 1 - y; }, [](int x, int, int, int) { return x; }},
        {2, [](int x, int, int w, int) { return w - 1 - x; }, [](int, int y, int, int h) { return h - 1 - y; }},
        {3, [](int, int y, int, int) { return y; }, [](int x, int, int w, int) { return w - 1 - x; }},
    };
    for (const auto& c : cases) {
        std::string photo = Copy("jpeg/video-001.jpeg", "photo" + std::to_string(c.mode) + ".jpg");
        Picture before = Decode(photo);
        ASSERT_EQ(Rotate(photo, c.mode), "");
        Picture after = Decode(photo);
        ASSERT_EQ(after.w, c.mode == 2 ? before.w : before.h);
        ASSERT_EQ(after.h, c.mode == 2 ? before.h : before.w);
        long total = 0;
        for (int y = 0; y < before.h; y++)
            for (int x = 0; x < before.w; x++) {
                const uint8_t* a = before.At(x, y);
                const uint8_t* b = after.At(c.col(x, y, before.w, before.h), c.row(x, y, before.w, before.h));
                total += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
            }
        EXPECT_LT((double)total / (before.w * before.h * 3), 4.0) << "mode " << c.mode;
    }
}

TEST_F(Transform, TwoHalfTurnsGiveThePixelsBackAndThePermissionsStay) {
    std::string photo = Copy("jpeg/testorig.jpg", "Été à Kyōto 写真.jpg");
    ASSERT_EQ(chmod(photo.c_str(), 0640), 0);
    Picture before = Decode(photo);
    ASSERT_EQ(Rotate(photo, 2), "");
    ASSERT_EQ(Rotate(photo, 2), "");
    Picture after = Decode(photo);
    ASSERT_EQ(after.w, before.w);
    ASSERT_EQ(after.h, before.h);
    long total = 0;
    for (size_t i = 0; i < before.rgb.size(); i++) total += std::abs(before.rgb[i] - after.rgb[i]);
    EXPECT_LT((double)total / before.rgb.size(), 4.0);
    struct stat st;
    ASSERT_EQ(stat(photo.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(temp.Path()), (std::set<std::string>{"Été à Kyōto 写真.jpg"}));  // no temporary left
}

TEST_F(Transform, CropSizesOrientationAndPlacementInEveryQuarterTurn) {
    std::string photo = Copy("jpeg/video-001.jpeg", "v.jpg");
    Picture source = Decode(photo);
    // 10 x 5: wider than high, so the flag is inverted before use.
    for (int flag = 0; flag < 2; flag++) {
        CropTransform_t t;
        t.Left = 10, t.Right = 20, t.Top = 5, t.Bottom = 10, t.Upright = flag;
        ASSERT_EQ(Apply(t, photo), "");
        Picture out = Decode(TempFolder::Utf8(t.OutputName));
        EXPECT_EQ(out.w, flag == 0 ? 10 : 5);
        EXPECT_EQ(out.h, flag == 0 ? 5 : 10);
        std::filesystem::remove(TempFolder::Utf8(t.OutputName));
    }
    // A 32 x 48 crop (taller than wide: the flag is used as given). Where
    // the crop's own top-left and bottom-right source pixels land.
    const int L = 40, T = 20, w = 32, h = 48;
    for (int mode = 0; mode < 4; mode++)
        for (int flag = 0; flag < 2; flag++) {
            CropTransform_t t;
            t.Left = L, t.Right = L + w, t.Top = T, t.Bottom = T + h, t.Upright = flag, t.Mode = mode;
            ASSERT_EQ(Apply(t, photo), "");
            std::string name = TempFolder::Utf8(t.OutputName);
            Picture out = Decode(name);
            ASSERT_EQ(out.w, flag ? w : h);
            ASSERT_EQ(out.h, flag ? h : w);
            int W = out.w, H = out.h;
            // (column, row) of crop pixel (gx, gy).
            auto place = [&](int gx, int gy) -> std::pair<int, int> {
                if (flag) return mode < 2 ? std::pair{gx, gy} : std::pair{W - 1 - gx, H - 1 - gy};
                return (mode == 1 || mode == 2) ? std::pair{gy, H - 1 - gx} : std::pair{W - 1 - gy, gx};
            };
            long total = 0;
            for (int gy = 0; gy < h; gy++)
                for (int gx = 0; gx < w; gx++) {
                    auto [c, r] = place(gx, gy);
                    const uint8_t *a = source.At(L + gx, T + gy), *b = out.At(c, r);
                    total += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
                }
            EXPECT_LT((double)total / (w * h * 3), 6.0) << "mode " << mode << " flag " << flag;
            std::filesystem::remove(name);
        }
}

TEST_F(Transform, CropNamesNeverReplaceAFile) {
    struct {
        std::string source;
        std::vector<std::string> existing;
        std::string expected;
    } cases[] = {
        {"a.jpg", {}, "a_crop.jpg"},
        {"a.jpg", {"a_crop.jpg"}, "a_crop1.jpg"},
        {"x.y.jpg", {}, "x.y_crop.jpg"},
        {"b.JPEG", {"b_crop.JPEG", "b_crop1.JPEG"}, "b_crop2.JPEG"},
    };
    for (const auto& c : cases) {
        TempFolder t;
        std::string src = t.File(c.source);
        std::filesystem::copy_file(TestData("jpeg/wide.jpg"), src);
        for (const std::string& e : c.existing) WriteBytes(t.File(e), "keep");
        CropTransform_t crop;
        crop.Left = 0, crop.Right = 20, crop.Top = 0, crop.Bottom = 10;
        ASSERT_EQ(Apply(crop, src), "") << c.source;
        EXPECT_EQ(TempFolder::Utf8(crop.OutputName), t.File(c.expected));
        EXPECT_EQ(Decode(t.File(c.expected)).w, 20);  // wider than high: kept landscape
        for (const std::string& e : c.existing) EXPECT_EQ(ReadBytes(t.File(e)), "keep");
    }

    // "_crop" and "_crop1" to "_crop19" all taken: counting goes on.
    std::string src = Copy("jpeg/wide.jpg", "p.jpg");
    WriteBytes(temp.File("p_crop.jpg"), "keep");
    for (int n = 1; n <= 19; n++) WriteBytes(temp.File("p_crop" + std::to_string(n) + ".jpg"), "keep");
    CropTransform_t crop;
    crop.Left = 0, crop.Right = 8, crop.Top = 0, crop.Bottom = 8;
    ASSERT_EQ(Apply(crop, src), "");
    EXPECT_EQ(TempFolder::Utf8(crop.OutputName), temp.File("p_crop20.jpg"));
    EXPECT_EQ(ReadBytes(temp.File("p_crop19.jpg")), "keep");
    EXPECT_EQ(Decode(temp.File("p_crop20.jpg")).w, 8);
}

TEST_F(Transform, RefusalsTouchNoFile) {
    // A PNG has no encoder: refused before anything is opened for writing.
    std::string png = temp.File("skin.png");
    std::filesystem::copy_file(TestData("png/basi2c08.png"), png);
    std::string pngBytes = ReadBytes(png);
    EXPECT_EQ(Rotate(png, 1), "Bad file name");
    CropTransform_t crop;
    crop.Right = 4, crop.Bottom = 4;
    EXPECT_EQ(Apply(crop, png), "Bad file name");
    EXPECT_EQ(ReadBytes(png), pngBytes);

    std::string bmp = temp.File("old.bmp");
    WriteBytes(bmp, "BM");
    EXPECT_EQ(Rotate(bmp, 1), "Bad file name");
    std::string broken = Copy("corrupt/empty.jpg", "broken.jpg");
    std::string brokenBytes = ReadBytes(broken);
    EXPECT_EQ(Rotate(broken, 1), "Invalid format");
    EXPECT_EQ(ReadBytes(broken), brokenBytes);
    EXPECT_EQ(Rotate(temp.File("gone.jpg"), 1), "Invalid format");
    // Cut short: the library fills the missing half with grey. Not written
    // over itself; a crop of it is a new file and is made.
    std::string cut = Copy("corrupt/testorig-trunc2885.jpg", "cut.jpg");
    std::string cutBytes = ReadBytes(cut);
    EXPECT_EQ(Rotate(cut, 1), "Invalid format");
    EXPECT_EQ(ReadBytes(cut), cutBytes);
    CropTransform_t part;
    part.Right = 40, part.Bottom = 60;
    EXPECT_EQ(Apply(part, cut), "");
    EXPECT_EQ(FilesIn(temp.Path()),
              (std::set<std::string>{"skin.png", "old.bmp", "broken.jpg", "cut.jpg", "cut_crop.jpg"}));
}

TEST_F(Transform, ARotationFailingAnywhereLeavesThePictureAsItWas) {
    std::string photo = Copy("jpeg/testorig.jpg", "keep.jpg");
    const std::string original = ReadBytes(photo);
    // What a complete rotated file weighs: the faults below hit its start,
    // its middle and the final flush of the stream.
    {
        TempFolder probe;
        std::string copy = probe.File("c.jpg");
        std::filesystem::copy_file(photo, copy);
        ASSERT_EQ(Rotate(copy, 1), "");
        long size = (long)std::filesystem::file_size(copy);
        for (long budget : {-1L, 0L, 700L, size / 2, size - 10}) {
            plat::FailWritesUnder(temp.Path().c_str(), budget);
            EXPECT_EQ(Rotate(photo, 1), "Unable to save the picture") << budget;
            EXPECT_EQ(ReadBytes(photo), original) << budget;
            EXPECT_EQ(FilesIn(temp.Path()), (std::set<std::string>{"keep.jpg"})) << budget;
        }
        plat::FailWritesUnder(nullptr, 0);
        // A real full disk: the files of this process cannot grow past half
        // the rotated size.
        FileSizeLimit full((rlim_t)size / 2);
        ASSERT_TRUE(full.Ok());
        EXPECT_EQ(Rotate(photo, 1), "Unable to save the picture");
        EXPECT_EQ(ReadBytes(photo), original);
        EXPECT_EQ(FilesIn(temp.Path()), (std::set<std::string>{"keep.jpg"}));
    }

    // A read-only folder (root ignores the mode bits: the open fault then
    // stands in for them).
    ASSERT_EQ(chmod(temp.Path().c_str(), 0555), 0);
    if (geteuid() == 0) plat::FailWritesUnder(temp.Path().c_str(), -1);
    EXPECT_EQ(Rotate(photo, 3), "Unable to save the picture");
    plat::FailWritesUnder(nullptr, 0);
    ASSERT_EQ(chmod(temp.Path().c_str(), 0755), 0);
    EXPECT_EQ(ReadBytes(photo), original);
    EXPECT_EQ(FilesIn(temp.Path()), (std::set<std::string>{"keep.jpg"}));

    // The picture vanishes before the rename: it is not brought back, and
    // the temporary file goes too.
    plat::SetReplaceHook([](const char16_t*, const char16_t* to) { plat::DeleteFile(to); });
    EXPECT_EQ(Rotate(photo, 1), "Unable to save the picture");
    EXPECT_TRUE(FilesIn(temp.Path()).empty());
}

TEST_F(Transform, ACropFailingPartWayLeavesNoFile) {
    std::string photo = Copy("jpeg/video-001.jpeg", "c.jpg");
    const std::string original = ReadBytes(photo);
    for (long budget : {-1L, 0L, 2000L}) {
        plat::FailWritesUnder(temp.Path().c_str(), budget);
        CropTransform_t crop;
        crop.Left = 0, crop.Right = 150, crop.Top = 0, crop.Bottom = 100;
        EXPECT_EQ(Apply(crop, photo), "Unable to save the picture") << budget;
        EXPECT_EQ(FilesIn(temp.Path()), (std::set<std::string>{"c.jpg"})) << budget;
        EXPECT_EQ(ReadBytes(photo), original);
    }
}

TEST_F(Transform, TheProgressBarFillsTheBottomEdgeEvenForOneRow) {
    headless::Reset(240, 320);
    const ProgressTarget screen{240, 320, 1};
    // 1 x 1000 turned gives 1000 x 1: then a source one row high.
    std::string tall = Copy("jpeg/grayscale_long.jpg", "tall.jpg");
    std::vector<uint16_t> white(240 * 320, 0xFFFF);
    std::vector<const uint16_t*> rows;
    for (int y = 0; y < 320; y++) rows.push_back(white.data() + y * 240);
    for (int pass = 0; pass < 2; pass++) {
        plat::PresentFrame(rows.data(), 240, 320);
        RotateTransform_t t;
        t.Mode = 1;
        int before = headless::FramesPresented();
        ASSERT_EQ(Apply(t, tall, &screen), "") << pass;
        EXPECT_GT(headless::FramesPresented(), before);
        std::vector<uint16_t> frame = headless::LastFrame();
        ASSERT_EQ(frame.size(), 240u * 320u);
        // The whole width, 20 rows high: black outline, light-grey fill.
        EXPECT_EQ(frame[319 * 240 + 239], 0x0000);
        EXPECT_EQ(frame[310 * 240 + 120], 0xC618);
        EXPECT_EQ(frame[300 * 240 + 120], 0x0000);
        EXPECT_EQ(frame[299 * 240 + 120], 0xFFFF) << "the bar is 20 rows high";
    }
    Picture back = Decode(tall);
    EXPECT_EQ(back.w, 1);
    EXPECT_EQ(back.h, 1000);
}

}  // namespace
