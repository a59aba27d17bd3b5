#include <gtest/gtest.h>
#include <sys/stat.h>

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

using Clock = std::chrono::steady_clock;

// The logo as the splash must show it, and where (240 x 320 screen).
std::vector<uint16_t> expectedLogo;
constexpr int kLogoW = 235, kLogoH = 75, kLogoX = 120 - 117 - 2 + 2, kLogoY = 160 - 37 - 2 + 2;

std::atomic<bool> logoSeen, mainSeen;
std::atomic<int64_t> logoAt, mainAt;

bool ShowsLogo(const uint16_t* p, int w, int h) {
    if (w != 240 || h != 320) return false;
    // The bottom 12 rows carry the version line over the logo.
    for (int y = 0; y < kLogoH - 12; y++)
        for (int x = 0; x < kLogoW; x++)
            if (p[(kLogoY + y) * w + kLogoX + x] != expectedLogo[y * kLogoW + x]) return false;
    return true;
}

void Watch(const uint16_t* p, int w, int h) {
    int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    if (!logoSeen && ShowsLogo(p, w, h)) {
        logoAt = now;
        logoSeen = true;
    } else if (logoSeen && !mainSeen && !ShowsLogo(p, w, h)) {
        mainAt = now;  // the first frame of the running program
        mainSeen = true;
    }
}

// Runs the whole program on a thread, with every folder it touches in a
// temporary folder of its own.
struct ShellRun {
    std::atomic<int> code{-1};
    std::thread thread;
    TempFolder root;
    ShellRun() {
        for (const char* d : {"/prog", "/pics", "/cache", "/cfg"}) mkdir((root.Path() + d).c_str(), 0700);
        headless::SetProgramFile(root.Wide("prog/lumatray"));
        headless::SetPicturesFolder(root.Wide("pics"));
        headless::SetTempFolder(root.Wide("cache"));
        headless::SetConfigFolder(root.Wide("cfg"));
        headless::SetNoStorageCard(true);
        if (expectedLogo.empty()) {
            PaintBuffer_t logo(kLogoW, kLogoH);
            logo.DrawBitmapResource(kLogoResource);
            for (int y = 0; y < kLogoH; y++) expectedLogo.insert(expectedLogo.end(), logo.Rows()[y], logo.Rows()[y] + kLogoW);
        }
        headless::Reset(240, 320);
        logoSeen = mainSeen = false;
        headless::SetPresentHook(Watch);
        thread = std::thread([this] { code = LumatrayMain(); });
    }
    // Bounded polls: generous limits, no timing assumptions.
    static bool Await(const std::atomic<bool>& flag) {
        for (int i = 0; i < 60000 && !flag; i++) plat::Sleep(1);
        return flag;
    }
    // A failed assertion leaves the program running: close it.
    ~ShellRun() {
        if (!thread.joinable()) return;
        headless::InjectClose();
        Finish();
    }
    int Finish() {
        thread.join();
        headless::SetPresentHook(nullptr);
        for (auto set : {headless::SetProgramFile, headless::SetPicturesFolder, headless::SetTempFolder,
                         headless::SetConfigFolder})
            set(u"");
        headless::SetNoStorageCard(false);
        return code;
    }
};

TEST(Shell, SplashShowsTheLogoThenCtrlQEndsWithZero) {
    ShellRun run;
    ASSERT_TRUE(ShellRun::Await(logoSeen));
    ASSERT_TRUE(ShellRun::Await(mainSeen));
    // The splash stays up for at least half a second.
    EXPECT_GE(mainAt - logoAt, 500);
    EXPECT_EQ(ScreenWidth, 240);
    EXPECT_EQ(UiScale, 1);
    headless::InjectCtrlQ();
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_FALSE(headless::LoopRunning());
    EXPECT_EQ(headless::UnansweredBoxes(), 0);
}

TEST(Shell, CloseDuringTheSplashStillEndsCleanly) {
    ShellRun run;
    ASSERT_TRUE(ShellRun::Await(logoSeen));
    headless::InjectCtrlQ();  // lands in the splash's loop
    headless::InjectClose();  // a second close finds the window gone
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_FALSE(headless::LoopRunning());
}

TEST(Shell, WindowCloseRunsTheSameShutDown) {
    ShellRun run;
    ASSERT_TRUE(ShellRun::Await(mainSeen));
    headless::InjectClose();
    // Queued behind the close: finds the window gone and draws nothing.
    plat::PostMessage(plat::MSG_PAINT);
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_FALSE(headless::LoopRunning());
    // The shut-down saved the settings, as Ctrl+Q does.
    struct stat st;
    EXPECT_EQ(stat((run.root.Path() + "/prog/Lumatray.ini").c_str(), &st), 0);
    EXPECT_EQ(stat((run.root.Path() + "/prog/Skin/Skin.txt").c_str(), &st), 0);
    EXPECT_EQ(headless::UnansweredBoxes(), 0);
}

}  // namespace
