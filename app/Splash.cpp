#include "app/Splash.h"

#include <new>

#include "app/Globals.h"
#include "app/Startup.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Diagnostics.h"

namespace {

// Both live only while the splash is up (interface thread).
PaintBuffer_t* LogoBuffer;
PaintBuffer_t* FrameBuffer;  // the 2-pixel frame around the logo
int logoX, logoY;

constexpr uint16_t kFramePixel = 0x8410;  // mid grey: visible on any logo edge
constexpr uint32_t kVersionColour = 0x000018;  // red 24, green 0, blue 0

PaintBuffer_t* NewBuffer(int width, int height) {
    PaintBuffer_t* b = new (std::nothrow) PaintBuffer_t(width, height);
    if (!b) ReportOutOfMemory(u".Lumatray:Logo", sizeof(PaintBuffer_t));
    return b;
}

void InitSplash() {
    int width, height;
    plat::GetClientSize(&width, &height);
    SetScreenMetrics(width, height);
    LogoBuffer = NewBuffer(235 * UiScale, 75 * UiScale);
    LogoBuffer->DrawBitmapResource(kLogoResource);
    int w = LogoBuffer->Width(), h = LogoBuffer->Height();
    LogoBuffer->DrawTextFit(u" V1.1.0-EN ", TEXT_RIGHT, w / 2, h - 12 * UiScale, w - 2, h, kVersionColour,
                            kNoBackground);
    logoX = ScreenWidth / 2 - w / 2 - 2;
    logoY = ScreenHeight / 2 - h / 2 - 2;
    FrameBuffer = NewBuffer(w + 4, h + 4);
    FrameBuffer->FillRect(0, 0, w + 3, h + 3, kFramePixel);
}

void PaintSplash() {
    if (!LogoBuffer) return;
    plat::PresentRegion(logoX, logoY, FrameBuffer->Rows(), FrameBuffer->Width(), FrameBuffer->Height());
    plat::PresentRegion(logoX + 2, logoY + 2, LogoBuffer->Rows(), LogoBuffer->Width(), LogoBuffer->Height());
}

void EndSplash() {
    delete LogoBuffer;
    delete FrameBuffer;
    LogoBuffer = FrameBuffer = nullptr;
}

}  // namespace

int RunSplash() {
    SplashDlgProc(plat::MSG_INITDIALOG, 0, 0);
    return plat::RunLoop(SplashDlgProc);
}

intptr_t SplashDlgProc(uint32_t msg, uintptr_t wparam, intptr_t) {
    switch (msg) {
    case plat::MSG_INITDIALOG:
        InitSplash();
        PaintSplash();
        plat::PostMessage(WM_STARTUP);
        FirstStartupStep();
        return 1;
    case plat::MSG_PAINT:
        PaintSplash();
        return 0;
    case WM_STARTUP:
        StartupWork();
        return 0;
    case plat::MSG_COMMAND:
        if (wparam == 1) {
            EndSplash();
            plat::EndLoop(1);
        }
        return 0;
    default:
        return 0;
    }
}
