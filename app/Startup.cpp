// The shell's start-up and shut-down until the browser is wired in: the
// splash timing and a plain frame.
#include "app/Startup.h"

#include <new>

#include "app/Globals.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Diagnostics.h"

namespace {
PaintBuffer_t* Frame;  // interface thread only
constexpr uint16_t kFrameColour = 0x1082;  // a dark grey, bit 5 clear
constexpr uint32_t kSplashMinimumMs = 500;
}  // namespace

void FirstStartupStep() {}

void StartupWork() {
    uint32_t t0 = plat::TickCount();
    // The splash stays up for half a second however quick the work was.
    while (!plat::TickAfter(plat::TickCount(), t0 + kSplashMinimumMs - 1)) plat::Sleep(1);
    plat::PostMessage(plat::MSG_COMMAND, 1);
}

void ShutdownWork() {
    delete Frame;
    Frame = nullptr;
}

void PaintMainWindow() {
    if (!plat::MainWindowVisible()) return;
    if (!Frame) {
        Frame = new (std::nothrow) PaintBuffer_t(ScreenWidth, ScreenHeight);
        if (!Frame) ReportOutOfMemory(u".Lumatray:Frame", sizeof(PaintBuffer_t));
        Frame->keyColour = kFrameColour;
    }
    Frame->Clear();
    Frame->Paint();
}
