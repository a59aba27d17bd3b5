// The process: tables, the argument, single instance, display, main
// window, loop.
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "app/MainWindow.h"
#include "platform/Platform.h"

int LumatrayMain(int argc, const char* const* argv) {
    BuildTrigTables();
    CachePath[0] = 0;
    // A bad argument is told before anything opens.
    int refused = ReadCommandLine(argc, argv);
    if (refused >= 0) return refused;
    // Before the display: a second start only has to wake the first and
    // hand it the argument.
    if (!plat::AcquireSingleInstance(StartKind != PATH_NONE ? StartPath : nullptr)) return 0;
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
