// Rotation and crop on real files: where each pixel goes, output names, refusals,
// the progress bar, and that no failure part-way costs the picture or leaves a file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>

#include "codec/Transform.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "tests/codec/CodecTestUtil.h"
#include "tests/support/FileSizeLimit.h"

namespace {

const std::string kUnableToSave = "Unable to save the picture";

// Mean difference per channel between source pixel (x, y) and output pixel place(x, y).
template <class Place>
double MeanDifference(const Decoded& from, const Decoded& to, int left, int top, int w, int h, Place place) {
    long total = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            auto [c, r] = place(x, y);
            const uint8_t *a = from.At(left + x, top + y), *b = to.At(c, r);
            for (int k = 0; k < 3; k++) total += std::abs(a[k] - b[k]);
        }
    return (double)total / (w * h * 3);
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

std::string Apply(PictureTransform_t& t, const std::string& path, const ProgressTarget* target = nullptr) {
    char16_t message[kTransformMessageUnits];
    t.Process(TempFolder::Utf16(path).c_str(), message, target);
    return TempFolder::Utf8(message);
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
        std::filesystem::copy_file(TestData(data), temp.File(name));
        return temp.File(name);
    }
    TempFolder temp;
};

TEST_F(Transform, RotationPlacesEveryPixelAndKeepsNameAndPermissions) {
    for (int mode = 1; mode <= 3; mode++) {
        std::string name = "Été à Kyōto 写真 " + std::to_string(mode) + ".jpg";
        std::string photo = Copy("jpeg/video-001.jpeg", name);
        ASSERT_EQ(chmod(photo.c_str(), 0640), 0);
        Decoded before = LibjpegDecode(photo);
        ASSERT_EQ(Rotate(photo, mode), "");
        Decoded after = LibjpegDecode(photo);
        const int W = before.w, H = before.h;
        ASSERT_EQ(std::pair(after.w, after.h), mode == 2 ? std::pair(W, H) : std::pair(H, W));
        // (column, row) of source pixel (x, y): clockwise, half, counter-clockwise.
        auto place = [&](int x, int y) {
            return mode == 1 ? std::pair{H - 1 - y, x} : mode == 2 ? std::pair{W - 1 - x, H - 1 - y} : std::pair{y, W - 1 - x};
        };
        EXPECT_LT(MeanDifference(before, after, 0, 0, W, H, place), 4.0) << "mode " << mode;
        struct stat st;
        ASSERT_EQ(stat(photo.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(FilesIn(temp.Path()), std::set<std::string>{name});  // no temporary left
        std::filesystem::remove(photo);
    }
}

TEST_F(Transform, CropSizesOrientationAndPlacementInEveryQuarterTurn) {
    std::string photo = Copy("jpeg/video-001.jpeg", "v.jpg");
    Decoded source = LibjpegDecode(photo);
    const int L = 40, T = 20;
    for (auto [w, h] : {std::pair{32, 48}, {48, 32}})
        for (int mode = 0; mode < 4; mode++)
            for (int flag = 0; flag < 2; flag++) {
                CropTransform_t t;
                t.Left = L, t.Right = L + w, t.Top = T, t.Bottom = T + h, t.Upright = flag, t.Mode = mode;
                ASSERT_EQ(Apply(t, photo), "");
                std::string name = TempFolder::Utf8(t.OutputName);
                Decoded out = LibjpegDecode(name);
                bool upright = flag ^ (w > h);  // a crop wider than high inverts the flag
                ASSERT_EQ(std::pair(out.w, out.h), upright ? std::pair(w, h) : std::pair(h, w));
                const int W = out.w, H = out.h;
                auto place = [&](int gx, int gy) {
                    if (upright) return mode < 2 ? std::pair{gx, gy} : std::pair{W - 1 - gx, H - 1 - gy};
                    return (mode == 1 || mode == 2) ? std::pair{gy, H - 1 - gx} : std::pair{W - 1 - gy, gx};
                };
                EXPECT_LT(MeanDifference(source, out, L, T, w, h, place), 6.0) << w << "x" << h << " mode " << mode
                                                                                 << " flag " << flag;
                std::filesystem::remove(name);
            }
}

TEST_F(Transform, CropNamesNeverReplaceAFile) {
    // The source, how many of "_crop", "_crop1", ... are taken, the name made.
    struct { std::string source; int taken; std::string expected; } cases[] = {
        {"a.jpg", 0, "a_crop.jpg"}, {"x.y.jpg", 1, "x.y_crop1.jpg"}, {"b.JPEG", 12, "b_crop12.JPEG"}};
    for (const auto& c : cases) {
        TempFolder t;
        size_t dot = c.source.rfind('.');
        std::filesystem::copy_file(TestData("jpeg/wide.jpg"), t.File(c.source));
        for (int n = 0; n < c.taken; n++)
            WriteBytes(t.File(c.source.substr(0, dot) + "_crop" + (n ? std::to_string(n) : "") + c.source.substr(dot)), "");
        CropTransform_t crop;
        crop.Right = 20, crop.Bottom = 10;
        ASSERT_EQ(Apply(crop, t.File(c.source)), "") << c.source;
        EXPECT_EQ(TempFolder::Utf8(crop.OutputName), t.File(c.expected));
        EXPECT_EQ(LibjpegDecode(t.File(c.expected)).w, 20);
        EXPECT_EQ(FilesIn(t.Path()).size(), c.taken + 2u);
    }
}

TEST_F(Transform, RefusalsTouchNoFile) {
    Copy("png/basi2c08.png", "skin.png");  // no encoder: refused before anything is opened
    WriteBytes(temp.File("old.bmp"), "BM");
    Copy("corrupt/empty.jpg", "broken.jpg");
    Copy("corrupt/testorig-trunc2885.jpg", "cut.jpg");  // the library fills the missing half with grey
    std::map<std::string, std::string> bytes;
    for (const std::string& name : FilesIn(temp.Path())) bytes[name] = ReadBytes(temp.File(name));
    struct { const char* name; bool crop; const char* message; } cases[] = {{"skin.png", false, "Bad file name"}, {"skin.png", true, "Bad file name"},
                 {"old.bmp", false, "Bad file name"},  {"broken.jpg", false, "Invalid format"},
                 {"gone.jpg", false, "Invalid format"},
                 {"cut.jpg", false, "Invalid format"},  // damaged: never written over itself...
                 {"cut.jpg", true, ""}};                // ...but a crop of it is a new file
    for (const auto& c : cases) {
        CropTransform_t crop;
        crop.Right = 40, crop.Bottom = 60;
        EXPECT_EQ(c.crop ? Apply(crop, temp.File(c.name)) : Rotate(temp.File(c.name), 1), c.message) << c.name;
    }
    for (const auto& [name, b] : bytes) EXPECT_EQ(ReadBytes(temp.File(name)), b) << name;
    EXPECT_EQ(FilesIn(temp.Path()),
              (std::set<std::string>{"skin.png", "old.bmp", "broken.jpg", "cut.jpg", "cut_crop.jpg"}));
}

TEST_F(Transform, AFailedWriteLeavesThePictureAndNoOtherFile) {
    std::string photo = Copy("jpeg/testorig.jpg", "keep.jpg");
    const std::string original = ReadBytes(photo);
    long size = 0;  // what a complete rotated file weighs
    {
        TempFolder probe;
        std::filesystem::copy_file(photo, probe.File("c.jpg"));
        ASSERT_EQ(Rotate(probe.File("c.jpg"), 1), "");
        size = (long)std::filesystem::file_size(probe.File("c.jpg"));
    }
    auto unchanged = [&](const std::string& why) {
        EXPECT_EQ(ReadBytes(photo), original) << why;
        EXPECT_EQ(FilesIn(temp.Path()), std::set<std::string>{"keep.jpg"}) << why;
    };
    // Faults at the open, the start, the middle and the final flush; a crop
    // (a file of about the same size) fails part-way too.
    for (long budget : {-1L, 0L, 700L, size / 2, size - 10}) {
        plat::FailWritesUnder(temp.Path().c_str(), budget);
        EXPECT_EQ(Rotate(photo, 1), kUnableToSave) << budget;
        CropTransform_t crop;
        crop.Right = 150, crop.Bottom = 100;
        if (budget < size / 2) {
            EXPECT_EQ(Apply(crop, photo), kUnableToSave) << budget;
        }
        unchanged("budget " + std::to_string(budget));
    }
    plat::FailWritesUnder(nullptr, 0);
    {
        FileSizeLimit full((rlim_t)size / 2);  // a real full disk
        ASSERT_TRUE(full.Ok());
        EXPECT_EQ(Rotate(photo, 1), kUnableToSave);
        unchanged("full disk");
    }
    // A read-only folder (root ignores the mode bits: the open fault stands in).
    ASSERT_EQ(chmod(temp.Path().c_str(), 0555), 0);
    if (geteuid() == 0) plat::FailWritesUnder(temp.Path().c_str(), -1);
    EXPECT_EQ(Rotate(photo, 3), kUnableToSave);
    plat::FailWritesUnder(nullptr, 0);
    ASSERT_EQ(chmod(temp.Path().c_str(), 0755), 0);
    unchanged("read-only folder");
    // The picture vanishes before the rename: not brought back, and the temporary goes too.
    plat::SetReplaceHook([](const char16_t*, const char16_t* to) { plat::DeleteFile(to); });
    EXPECT_EQ(Rotate(photo, 1), kUnableToSave);
    EXPECT_TRUE(FilesIn(temp.Path()).empty());
}

TEST_F(Transform, TheProgressBarFillsTheBottomEdgeEvenForOneRow) {
    headless::Reset(240, 320);
    const ProgressTarget screen{240, 320, 1};
    std::string tall = Copy("jpeg/grayscale_long.jpg", "tall.jpg");  // 1 x 1000, then 1000 x 1
    std::vector<uint16_t> white(240 * 320, 0xFFFF);
    std::vector<const uint16_t*> rows;
    for (int y = 0; y < 320; y++) rows.push_back(white.data() + y * 240);
    for (int pass = 0; pass < 2; pass++) {
        plat::PresentFrame(rows.data(), 240, 320);
        RotateTransform_t t;
        t.Mode = 1;
        ASSERT_EQ(Apply(t, tall, &screen), "") << pass;
        std::vector<uint16_t> frame = headless::LastFrame();
        ASSERT_EQ(frame.size(), 240u * 320u);
        // The whole width, 20 rows high: black outline, light-grey fill.
        int wrong = 0;
        for (int y = 299; y < 320; y++)
            for (int x = 0; x < 240; x++)
                wrong += frame[y * 240 + x] != (y < 300 ? 0xFFFF : y == 300 || y == 319 || x == 0 || x == 239 ? 0 : 0xC618);
        EXPECT_EQ(wrong, 0) << pass;
    }
    EXPECT_EQ(std::pair(LibjpegDecode(tall).w, LibjpegDecode(tall).h), std::pair(1, 1000));
}

}  // namespace
