// The program's shell: screen metrics, the splash and the shut-down.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/Globals.h"
#include "app/Main.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "tests/support/TempFolder.h"

namespace {

struct Expected {
    int width, height;
    int screenWidth, iconSize, dragThreshold, dragSlack, uiScale, nameDrop, backSlots;
};

TEST(Metrics, DerivedFromTheClientSize) {
    const Expected cases[] = {
        {240, 320, 240, 120, 30, 15, 1, 16, 4},  // diagonal 400
        {480, 640, 480, 240, 60, 30, 2, 32, 4},  // diagonal 800
        {360, 480, 360, 180, 45, 22, 1, 16, 4},  // diagonal exactly 600
        {361, 481, 361, 180, 45, 22, 2, 32, 4},  // diagonal 601.4, truncated 601
        {240, 240, 240, 120, 30, 15, 1, 16, 2},  // square: fewest ancestor slots
        {150, 400, 150, 75, 20, 10, 1, 16, 4},   // narrow: the threshold floor
        {320, 240, 240, 120, 30, 15, 1, 16, 2},  // landscape: the smaller side
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << e.width << "x" << e.height);
        SetScreenMetrics(e.width, e.height);
        EXPECT_EQ(ScreenWidth, e.screenWidth);
        EXPECT_EQ(ScreenHeight, e.height);
        EXPECT_EQ(IconSize, e.iconSize);
        EXPECT_EQ(DragThreshold, e.dragThreshold);
        EXPECT_EQ(DragSlack, e.dragSlack);
        EXPECT_EQ(UiScale, e.uiScale);
        EXPECT_EQ(NameDrop, e.nameDrop);
        EXPECT_EQ(BackSlotCount, e.backSlots);
    }
    SetScreenMetrics(240, 320);
}

// The logo as the splash must show it, and where (240 x 320 screen).
std::vector<uint16_t> expectedLogo;
constexpr int kLogoW = 235, kLogoH = 75, kLogoX = 120 - 117, kLogoY = 160 - 37;
std::atomic<int64_t> logoAt{-1}, mainAt{-1};

bool ShowsLogo(const uint16_t* p, int w, int h) {
    if (w != 240 || h != 320) return false;
    // The bottom 12 rows carry the version line over the logo.
    for (int y = 0; y < kLogoH - 12; y++)
        if (!std::equal(expectedLogo.begin() + y * kLogoW, expectedLogo.begin() + (y + 1) * kLogoW,
                        p + (kLogoY + y) * w + kLogoX))
            return false;
    return true;
}

void Watch(const uint16_t* p, int w, int h) {
    int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch()).count();
    if (logoAt < 0 && ShowsLogo(p, w, h)) logoAt = now;
    else if (logoAt >= 0 && mainAt < 0 && !ShowsLogo(p, w, h)) mainAt = now;  // the running program
}

// The whole program on a thread, every folder it touches in a temporary
// folder of its own: the splash shows the logo for at least half a second,
// then a window close (twice: the second finds the window gone, as does a
// paint queued behind it) runs the shut-down of Ctrl+Q, settings saved.
TEST(Shell, SplashShowsTheLogoThenWindowCloseSavesAndEndsWithZero) {
    TempFolder root;
    for (const char* d : {"/prog", "/pics", "/cache", "/cfg"}) mkdir((root.Path() + d).c_str(), 0700);
    headless::SetProgramFile(root.Wide("prog/lumatray"));
    headless::SetPicturesFolder(root.Wide("pics"));
    headless::SetTempFolder(root.Wide("cache"));
    headless::SetConfigFolder(root.Wide("cfg"));
    headless::SetNoStorageCard(true);
    PaintBuffer_t logo(kLogoW, kLogoH);
    logo.DrawBitmapResource(kLogoResource);
    for (int y = 0; y < kLogoH; y++) expectedLogo.insert(expectedLogo.end(), logo.Rows()[y], logo.Rows()[y] + kLogoW);
    headless::Reset(240, 320);
    headless::SetPresentHook(Watch);
    std::atomic<int> code{-1};
    std::thread program([&] { code = LumatrayMain(); });
    for (int i = 0; i < 60000 && mainAt < 0; i++) plat::Sleep(1);  // bounded: a slow machine only waits
    headless::InjectClose();
    headless::InjectClose();
    plat::PostMessage(plat::MSG_PAINT);
    program.join();
    headless::SetPresentHook(nullptr);
    for (auto set : {headless::SetProgramFile, headless::SetPicturesFolder, headless::SetTempFolder,
                     headless::SetConfigFolder})
        set(u"");
    headless::SetNoStorageCard(false);

    EXPECT_GE(logoAt, 0);
    EXPECT_GE(mainAt - logoAt, 500);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(headless::LoopRunning());
    struct stat st;
    EXPECT_EQ(stat((root.Path() + "/prog/Lumatray.ini").c_str(), &st), 0);
    EXPECT_EQ(stat((root.Path() + "/prog/Skin/Skin.txt").c_str(), &st), 0);
    EXPECT_EQ(headless::UnansweredBoxes(), 0);
}

}  // namespace
