// The whole program, headless, on a temporary program folder: it starts on
// the configured picture folder, lists it, makes and caches thumbnails,
// and on Ctrl+Q saves its settings and ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Main.h"
#include "platform/Headless.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::vector<std::string> Lines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "lumatray-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        prog = root + "/prog";
        pics = root + "/pics";
        fs::create_directories(prog + "/Skin");
        fs::create_directories(pics + "/Trip");
        fs::create_directories(root + "/temp");
        std::error_code ec;
        fs::copy(LUMATRAY_BUILD_DIR "/Skin", prog + "/Skin", fs::copy_options::overwrite_existing, ec);
        fs::remove(prog + "/Skin/Skin.txt", ec);
        for (const char* name : {"testorig.jpg", "video-001.jpeg", "testimgp.jpg"})
            fs::copy_file(std::string(LUMATRAY_TESTDATA "/jpeg/") + name, pics + "/" + name);
        std::ofstream(pics + "/notes.txt") << "not a picture";

        headless::Reset(240, 320);
        headless::SetProgramFile(U16(prog + "/lumatray"));
        headless::SetPicturesFolder(U16(root + "/documents"));
        headless::SetTempFolder(U16(root + "/temp"));
        headless::SetConfigFolder(U16(root + "/config"));
        headless::SetNoStorageCard(true);
    }
    void TearDown() override {
        headless::SetProgramFile(u"");
        headless::SetPicturesFolder(u"");
        headless::SetTempFolder(u"");
        headless::SetConfigFolder(u"");
        headless::SetNoStorageCard(false);
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    void WriteIni(const std::string& cache) {
        std::ofstream(prog + "/Lumatray.ini") << "ImgPath|" << pics << "|\nCachePath|" << cache << "|\n";
    }
    // Every picture has its thumbnail and a 20-byte side file under cache.
    bool Cached(const std::string& cache) {
        for (const char* name : {"testorig.jpg", "video-001.jpeg", "testimgp.jpg"}) {
            std::error_code ec;
            std::string thumb = cache + pics + "/" + name;
            if (!fs::exists(thumb, ec) || fs::file_size(thumb + ".dat", ec) != 20) return false;
        }
        return true;
    }
    // Runs the program until the cache is filled, then closes it with
    // Ctrl+Q. Returns the exit code.
    int RunUntilCached(const std::string& cache) {
        std::atomic<int> code{-1};
        std::thread program([&] { code = LumatrayMain(); });
        bool cached = false;
        for (int i = 0; i < 240000 && !cached; i++) {
            cached = Cached(cache);
            if (!cached) plat::Sleep(1);
        }
        EXPECT_TRUE(cached);
        // A Ctrl+Q that lands in the splash ends the splash and the
        // start-up's own command then closes the window: either way the
        // program ends. Repeated, bounded, in case one was swallowed.
        uint32_t asked = plat::TickCount();
        for (int i = 0; i < 600000 && code < 0; i++) {
            if (i % 60000 == 0) headless::InjectCtrlQ();
            plat::Sleep(1);
        }
        quitMs = plat::TickCount() - asked;
        program.join();
        return code;
    }

    std::string root, prog, pics;
    uint32_t quitMs = 0;  // from the first Ctrl+Q to the end of the program
};

TEST_F(ProgramTest, ListsMakesThumbnailsAndSavesItsSettingsOnCtrlQ) {
    std::string cache = root + "/cache";
    fs::create_directories(cache);
    WriteIni(cache);
    // A named pipe nobody writes, listed first from the focus: it used to
    // hold the loader in open() for good, and Ctrl+Q with it.
    ASSERT_EQ(mkfifo((pics + "/aaa.jpg").c_str(), 0600), 0);

    EXPECT_EQ(RunUntilCached(cache), 0);
    EXPECT_LT(quitMs, 5000u);  // generous: it used to be 200 s, then for ever
    EXPECT_FALSE(fs::exists(cache + pics + "/aaa.jpg"));

    for (const char* name : {"testorig.jpg", "video-001.jpeg", "testimgp.jpg"}) {
        std::ifstream side(cache + pics + "/" + name + ".dat", std::ios::binary);
        uint32_t size = 0;
        side.read(reinterpret_cast<char*>(&size), 4);  // little-endian, as on the machine
        EXPECT_EQ(size, fs::file_size(pics + "/" + name)) << name;
    }
    EXPECT_FALSE(fs::exists(cache + pics + "/notes.txt"));

    EXPECT_EQ(Lines(prog + "/Lumatray.ini"),
              (std::vector<std::string>{"ImgPath|" + pics + "|", "CachePath|" + cache + "|", "Bookmark0||",
                                        "Bookmark1||", "Bookmark2||", "Bookmark3||"}));
    std::vector<std::string> skin = Lines(prog + "/Skin/Skin.txt");
    std::vector<std::string> keys = {"BACK", "SCROLL", "INFO_TEXT", "INFO_NAME_TEXT", "FNAME",
                                     "BOOKMARK", "BOOKMARK_LIGHT", "PIC_NAME_TEXT"};
    ASSERT_EQ(skin.size(), keys.size());
    for (size_t i = 0; i < keys.size(); i++) {
        EXPECT_EQ(skin[i].rfind(keys[i] + "|", 0), 0u) << skin[i];
        EXPECT_EQ(skin[i].back(), '|') << skin[i];
    }
    EXPECT_TRUE(headless::Boxes().empty());
}

TEST_F(ProgramTest, VanishedCacheFolderFallsBackToTheCacheUnderTheTemporaryFolder) {
    WriteIni(root + "/gone/cache");
    std::string fallback = root + "/temp/lumatray";

    EXPECT_EQ(RunUntilCached(fallback), 0);

    std::vector<std::string> ini = Lines(prog + "/Lumatray.ini");
    ASSERT_GE(ini.size(), 2u);
    EXPECT_EQ(ini[1], "CachePath|" + fallback + "|");
    EXPECT_FALSE(fs::exists(root + "/gone"));
}

TEST_F(ProgramTest, WithoutAConfiguredCacheTheStorageCardHoldsIt) {
    std::ofstream(prog + "/Lumatray.ini") << "ImgPath|" << pics << "|\n";
    fs::create_directories(root + "/card");
    headless::SetNoStorageCard(false);
    headless::SetStorageCard(U16(root + "/card"));
    std::string onCard = root + "/card/_cache/Lumatray";

    EXPECT_EQ(RunUntilCached(onCard), 0);
    headless::SetStorageCard(u"");

    std::vector<std::string> ini = Lines(prog + "/Lumatray.ini");
    ASSERT_GE(ini.size(), 2u);
    EXPECT_EQ(ini[1], "CachePath|" + onCard + "|");
}

}  // namespace
