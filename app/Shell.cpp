// The process: tables, single instance, display, main window, loop.
#include <cstdio>

#include "app/Globals.h"
#include "app/Main.h"
#include "app/MainWindow.h"
#include "platform/Platform.h"

int LumatrayMain() {
    BuildTrigTables();
    CachePath[0] = 0;
    // Before the display: a second start only has to wake the first.
    if (!plat::AcquireSingleInstance()) return 0;
    if (!plat::InitDisplay()) {
        fputs("lumatray: no display\n", stderr);
        plat::ReleaseSingleInstance();
        return 1;
    }
    int code = 0;
    if (CreateMainWindow()) code = plat::RunLoop(MainWndProc);
    plat::ReleaseSingleInstance();
    return code;
}
