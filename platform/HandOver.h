// Internal to platform/: the paths that later starts handed over to this
// instance, queued for the interface thread. Shared by both backends.
#pragma once

namespace plat {

// Queues the path (UTF-8 bytes, any name) and posts MSG_SHOWPATH. Any thread.
void HandOverPath(const char* utf8);
// The same for a UTF-16 path (the headless backend's injection).
void HandOverPath16(const char16_t* path);
// Forgets every queued path (a new headless run).
void ClearHandedPaths();

}  // namespace plat
