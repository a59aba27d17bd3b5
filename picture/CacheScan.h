// The cache scan thread: walks the thumbnail cache once per program start
// and deletes the thumbnails (and side files) whose pictures are gone and
// the mirrors of folders that no longer exist. Touches only files and
// AppFlags, never entries.
#pragma once

// Thread entry (start at priority 7): sets APP_SCAN_RUNNING, scans the
// whole cache, sets APP_SCAN_DONE. Stops early once APP_QUIT is set.
int CacheScanThread(void* unused);

// Scans the cache folder mirroring rel ("" for the root; rel is also the
// absolute path of the device folder). Mode 0 checks against the device,
// mode 1 purges everything below. Sleeps 200 ms first (interrupted by
// APP_QUIT).
void Scan(const char16_t* rel, int mode);
