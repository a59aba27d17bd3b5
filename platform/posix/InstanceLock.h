// Internal to platform/: the single-instance lock. The first process takes
// a lock file and listens on a local socket beside it; a later one finds
// the lock taken, sends a raise request over the socket and gives up.
#pragma once

namespace plat {

struct InstanceLock;
// Null when another process holds the lock in folder (it has been asked to
// raise its window). When the lock cannot be set up at all (no writable
// folder) a lock without a listener is returned: starting beats refusing.
// onRaise runs on a listener thread for each request.
InstanceLock* AcquireInstanceLock(const char* folder, void (*onRaise)());
void ReleaseInstanceLock(InstanceLock* lock);
// $XDG_RUNTIME_DIR, else /tmp/lumatray-<uid> (created, private to the user).
bool DefaultInstanceFolder(char* out, int capacity);

}  // namespace plat
