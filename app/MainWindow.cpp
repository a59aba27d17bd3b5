#include "app/MainWindow.h"

#include "app/CommandLine.h"
#include "app/Input.h"
#include "app/Logo.h"

#include "app/Splash.h"
#include "app/Startup.h"
#include "platform/Platform.h"

namespace {
// Interface thread only.
bool windowAlive;
}  // namespace

bool CreateMainWindow() {
    int width, height;
    if (!plat::CreateMainWindow(u"Lumatray", &width, &height)) return false;
    plat::SetMainWindowIcon(kAppIconBitmap, kAppIconSize);
    windowAlive = true;
    MainWndProc(plat::MSG_CREATE, 0, 0);
    // Shown and updated: the first frame of the running program.
    plat::PostMessage(plat::MSG_PAINT);
    // Then the picture named on the command line opens. Paths handed over
    // during the splash met its loop, which left them queued.
    plat::PostMessage(plat::MSG_SHOWPATH);
    return windowAlive;
}

void FitWindowToScreen() {}

intptr_t MainWndProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    // Messages still queued behind the destroy (paints posted by workers,
    // a second close) find nothing left to draw on.
    if (!windowAlive) return 0;
    switch (msg) {
    case plat::MSG_CREATE:
        RunSplash();
        return 0;
    case plat::MSG_ACTIVATE:
        return 0;  // the window is already as full screen as it will be
    case plat::MSG_PAINT:
        FitWindowToScreen();
        PaintMainWindow();
        return 0;
    case plat::MSG_COMMAND:
        if (wparam == 1) MainWndProc(plat::MSG_CLOSE, 0, 0);
        return 0;
    case plat::MSG_SHOWPATH:
        ShowHandedPaths();
        return 0;
    case plat::MSG_KEYDOWN:
        HandleKey((int)wparam);
        return 0;
    case plat::MSG_MOUSEWHEEL:
        HandleWheel((int)(intptr_t)wparam);
        return 0;
    case plat::MSG_LBUTTONDOWN:
        return HandlePenDown(plat::PenX(lparam), plat::PenY(lparam));
    case plat::MSG_MOUSEMOVE:
        return HandlePenMove(plat::PenX(lparam), plat::PenY(lparam));
    case plat::MSG_LBUTTONUP:
        HandlePenUp(plat::PenX(lparam), plat::PenY(lparam));
        return 0;
    case plat::MSG_CLOSE:
        MainWndProc(plat::MSG_DESTROY, 0, 0);
        return 0;
    case plat::MSG_DESTROY:
        ShutdownWork();
        windowAlive = false;
        plat::DestroyMainWindow();
        plat::PostQuit(0);
        return 0;
    default:
        // The buttons post their command as the message number.
        HandleCommand((int)msg, lparam);
        return 0;
    }
}
