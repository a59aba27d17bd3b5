// Internal to platform/: the single-instance lock. The first process takes
// a lock file and listens on a local socket beside it; a later one finds
// the lock taken, sends its request over the socket and gives up. A request
// is 'r' (raise the window) or 'o' followed by the UTF-8 bytes of a path to
// show; the client closes the connection after it.
#pragma once

namespace plat {

struct InstanceLock;
// Null when another process holds the lock in folder (it has been asked to
// raise its window and, when path is not empty, to show path). When the
// lock cannot be set up at all (no writable folder) a lock without a
// listener is returned: starting beats refusing. onRequest runs on a
// listener thread for each request, with the path handed over ("" for a
// plain raise).
InstanceLock* AcquireInstanceLock(const char* folder, void (*onRequest)(const char* path),
                                  const char* path = nullptr);
// The longest path a request carries, in bytes (Linux's PATH_MAX).
constexpr int kHandedPathBytes = 4096;
void ReleaseInstanceLock(InstanceLock* lock);
// $XDG_RUNTIME_DIR, else /tmp/lumatray-<uid> (created, private to the user).
bool DefaultInstanceFolder(char* out, int capacity);

}  // namespace plat
