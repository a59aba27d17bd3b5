// The cache scan: deletes what the cache holds for pictures and folders
// that no longer exist on the device.
#include "picture/CacheScan.h"

#include "app/Globals.h"
#include "picture/CacheNames.h"
#include "platform/Platform.h"
#include "util/Text.h"

constexpr uint32_t kFolderPauseMs = 200;  // at most five folders a second
constexpr uint32_t kPauseStepMs = 10;     // so that a quit is seen at once
// A temporary younger than this may be a thumbnail the loader writes now.
constexpr plat::FileTime kTempAge = 60ULL * 10000000ULL;

static bool Quitting() { return (AppFlags.load() & APP_QUIT) != 0; }

static bool EndsWithNoCase(const char16_t* s, int length, const char16_t* suffix) {
    int n = WideLength(suffix);
    return length >= n && CompareNoCase(s + length - n, suffix, n) == 0;
}

// A thumbnail's name: that of the picture it stands for.
static bool ThumbnailName(const char16_t* name, int length) {
    return EndsWithNoCase(name, length, u".jpg") || EndsWithNoCase(name, length, u".jpeg");
}

// "<thumbnail name><suffix>": a side file, an unfinished temporary or a map.
static bool MadeBeside(const char16_t* name, int length, const char16_t* suffix) {
    int n = WideLength(suffix);
    return EndsWithNoCase(name, length, suffix) && ThumbnailName(name, length - n);
}

static bool Join(char16_t* out, int capacity, const char16_t* a, const char16_t* sep, const char16_t* b) {
    int n = 0;
    for (const char16_t* part : {a, sep, b})
        for (const char16_t* p = part; *p; p++) {
            if (n >= capacity - 1) return false;
            out[n++] = *p;
        }
    out[n] = 0;
    return true;
}

static bool Exists(const char16_t* path) { return plat::GetAttributes(path, nullptr); }

// The side file the cache writes next to every thumbnail: 20 bytes.
static bool SideFile(const char16_t* path) {
    int handle = plat::FileOpen(path, plat::FILE_READ);
    uint64_t size = 0;
    bool side = handle >= 0 && plat::FileInfo(handle, &size, nullptr) && size == 20;
    if (handle >= 0) plat::FileClose(handle);
    return side;
}

// Deletes a cached file only when it is provably the cache's own: a
// thumbnail next to its 20-byte side file (both go, with a ".map" of the same
// stem), a 20-byte side file of a thumbnail name (with its thumbnail), or
// a temporary or map of a thumbnail name. A cache root pointed at a folder
// of the user's thus never costs a picture, however its tree looks.
static void DeleteCached(const char16_t* cached, const plat::DirEntry& entry) {
    char16_t other[CacheNames::kUnits];
    int n = WideLength(entry.name);
    if (ThumbnailName(entry.name, n)) {
        if (!Join(other, CacheNames::kUnits, cached, u"", u".dat") || !SideFile(other)) return;
        plat::DeleteFile(cached);
        plat::DeleteFile(other);
        if (Join(other, CacheNames::kUnits, cached, u"", u".map")) plat::DeleteFile(other);
    } else if (MadeBeside(entry.name, n, u".dat")) {
        if (entry.size != 20) return;
        CopyWide(cached, other, CacheNames::kUnits);
        other[WideLength(other) - 4] = 0;
        plat::DeleteFile(other);
        plat::DeleteFile(cached);
    } else if (MadeBeside(entry.name, n, u".tmp")) {
        plat::FileTime now = plat::FileTimeNow();
        if (entry.time < now && now - entry.time >= kTempAge) plat::DeleteFile(cached);
    } else if (MadeBeside(entry.name, n, u".map")) {
        plat::DeleteFile(cached);
    }
}

// A cached folder: emptied of cache files, then removed when that left it
// empty (a link is removed as a link, never followed).
static void PurgeFolder(const char16_t* source, const char16_t* cached, uint32_t attributes) {
    if (!(attributes & plat::ATTR_LINK)) Scan(source, 1);
    plat::RemoveFolder(cached);
}

void Scan(const char16_t* rel, int mode) {
    for (uint32_t slept = 0; slept < kFolderPauseMs && !Quitting(); slept += kPauseStepMs)
        plat::Sleep(kPauseStepMs);
    if (Quitting()) return;
    char16_t folder[CacheNames::kUnits];
    if (!Join(folder, CacheNames::kUnits, CachePath, u"", rel)) return;
    plat::Dir* dir = plat::OpenDir(folder);
    if (!dir) return;
    plat::DirEntry entry;
    char16_t source[kPathUnits];
    char16_t cached[CacheNames::kUnits];
    char16_t extra[CacheNames::kUnits];
    while (!Quitting() && plat::NextDirEntry(dir, &entry)) {
        // Paths longer than the program's buffers mirror no listed picture.
        if (!Join(source, kPathUnits, rel, u"/", entry.name) ||
            !Join(cached, CacheNames::kUnits, CachePath, u"", source))
            continue;
        bool isFolder = (entry.attributes & plat::ATTR_DIRECTORY) != 0;
        if (mode == 1) {
            if (isFolder)
                PurgeFolder(source, cached, entry.attributes);
            else
                DeleteCached(cached, entry);
            continue;
        }
        int length = WideLength(source);
        if (!isFolder && EndsWithNoCase(source, length, u".dat")) {
            // A side file stays while its thumbnail does; alone it is waste.
            CopyWide(cached, extra, CacheNames::kUnits);
            extra[WideLength(extra) - 4] = 0;
            if (!Exists(extra)) DeleteCached(cached, entry);
            continue;
        }
        if (plat::GetAttributes(source, nullptr)) {
            if (isFolder && !(entry.attributes & plat::ATTR_LINK)) Scan(source, 0);
            continue;
        }
        // Gone, or only not plugged in: the thumbnails of a drive that is
        // away are still good when it comes back.
        if (plat::OnAbsentMedium(source)) continue;
        if (isFolder) {
            PurgeFolder(source, cached, entry.attributes);
        } else {
            DeleteCached(cached, entry);
        }
    }
    plat::CloseDir(dir);
}

int CacheScanThread(void*) {
    AppFlags.fetch_or(APP_SCAN_RUNNING);
    // Without a cache root the "mirror" would be the device itself.
    if (CacheRootUsable()) Scan(u"", 0);
    AppFlags.fetch_or(APP_SCAN_DONE);
    return 0;
}
