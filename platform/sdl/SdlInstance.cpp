// Single instance for the SDL program: the lock of platform/posix, whose
// requests raise the window and hand their path to the loop.
#include "platform/HandOver.h"
#include "platform/Platform.h"
#include "platform/posix/InstanceLock.h"
#include "platform/posix/PathUtf8.h"
#include "platform/sdl/SdlState.h"

namespace plat {

static InstanceLock* instance;

static void Requested(const char* path) {
    PostMessage(kRaiseRequest);
    if (path[0]) HandOverPath(path);
}

bool AcquireSingleInstance(const char16_t* path) {
    char folder[4096];
    PathUtf8 utf8(path);  // the root, the empty path, goes as "/"
    // Without a path (or one too long to send) the request is a plain raise.
    instance = AcquireInstanceLock(DefaultInstanceFolder(folder, sizeof folder) ? folder : nullptr, Requested,
                                   utf8.ok ? utf8.text : nullptr);
    return instance != nullptr;
}

void ReleaseSingleInstance() {
    ReleaseInstanceLock(instance);
    instance = nullptr;
}

}  // namespace plat
