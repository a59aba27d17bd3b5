// Single instance for the SDL program: the lock of platform/posix, whose
// raise requests become an internal message of the loop.
#include "platform/Platform.h"
#include "platform/posix/InstanceLock.h"
#include "platform/sdl/SdlState.h"

namespace plat {

static InstanceLock* instance;

static void RaiseRequested() { PostMessage(kRaiseRequest); }

bool AcquireSingleInstance() {
    char folder[4096];
    instance = AcquireInstanceLock(DefaultInstanceFolder(folder, sizeof folder) ? folder : nullptr, RaiseRequested);
    return instance != nullptr;
}

void ReleaseSingleInstance() {
    ReleaseInstanceLock(instance);
    instance = nullptr;
}

}  // namespace plat
