// Raw files, C streams, attributes and folder listing over POSIX.
#include <dirent.h>
#include <new>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PathUtf8.h"

namespace plat {

static FileTime FileTimeFromTimespec(const struct timespec& ts) {
    // 369 years lie between 1601-01-01 and 1970-01-01.
    constexpr int64_t kEpochDelta = 11644473600LL;
    int64_t sec = (int64_t)ts.tv_sec + kEpochDelta;
    if (sec < 0) return 0;
    return (uint64_t)sec * 10000000ULL + (uint64_t)ts.tv_nsec / 100;
}

static uint32_t AttributesOf(const struct stat& st, bool link) {
    uint32_t a = S_ISDIR(st.st_mode) ? ATTR_DIRECTORY : ATTR_NORMAL;
    if (link) a |= ATTR_LINK;
    return a;
}

// Opens without blocking and keeps the descriptor only for a regular file:
// a named pipe or a device would block the reader (for good, a pipe
// nobody writes), and neither is a picture, a cache file or a setting.
static int OpenRegular(const char* path, int flags, bool truncate) {
    int fd;
    do fd = open(path, flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (truncate && ftruncate(fd, 0) != 0)) {
        close(fd);
        return -1;
    }
    // Back to ordinary reads and writes (non-blocking means nothing for a
    // regular file, but a descriptor handed to stdio should not surprise).
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int FileOpen(const char16_t* path, FileAccess access) {
    PathUtf8 p(path);
    if (!p.ok) return -1;
    // No truncation before the type check: O_TRUNC on a device is no way
    // to find out it is one.
    int flags = access == FILE_READ ? O_RDONLY : (O_WRONLY | O_CREAT);
    return OpenRegular(p.text, flags, access != FILE_READ);
}

long FileRead(int handle, void* buf, unsigned long count) {
    if (handle < 0) return -1;
    ssize_t n;
    do n = read(handle, buf, count);
    while (n < 0 && errno == EINTR);
    return (long)n;
}

long FileWrite(int handle, const void* buf, unsigned long count) {
    if (handle < 0) return -1;
    const char* p = (const char*)buf;
    unsigned long done = 0;
    while (done < count) {
        ssize_t n = write(handle, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        // Bytes already written stay written: report them, so that a caller
        // retrying the rest does not write them twice.
        if (n <= 0) return done > 0 ? (long)done : (n < 0 ? -1 : 0);
        done += (unsigned long)n;
    }
    return (long)done;
}

bool FileSync(int handle) { return handle >= 0 && fsync(handle) == 0; }

bool FileInfo(int handle, uint64_t* size, FileTime* time) {
    struct stat st;
    if (handle < 0 || fstat(handle, &st) != 0) return false;
    if (size) *size = (uint64_t)st.st_size;
    if (time) *time = FileTimeFromTimespec(st.st_mtim);
    return true;
}

FileTime FileTimeNow() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeFromTimespec(ts);
}

void FileClose(int handle) {
    if (handle >= 0) close(handle);
}

FILE* OpenStream(const char16_t* path, const char* mode) {
    PathUtf8 p(path);
    return p.ok ? OpenStreamUtf8(p.text, mode) : nullptr;
}

// ---- injected write faults (tests)
namespace {
std::mutex faultLock;
std::string faultFolder;  // guarded by faultLock; empty: no fault
long faultBytes = 0;
std::atomic<void (*)(const char16_t*, const char16_t*)> replaceHook{nullptr};

// The byte budget of a stream about to be written at path, when a fault is
// armed for its folder.
bool FaultFor(const char* path, long* budget) {
    std::lock_guard<std::mutex> hold(faultLock);
    size_t n = faultFolder.size();
    if (n == 0 || strncmp(path, faultFolder.c_str(), n) != 0 || (path[n] != '/' && path[n] != 0)) return false;
    *budget = faultBytes;
    return true;
}

struct FaultyStream {
    int fd;
    long left;  // bytes the "disk" still takes
};

ssize_t FaultyWrite(void* cookie, const char* buf, size_t size) {
    FaultyStream* s = static_cast<FaultyStream*>(cookie);
    size_t take = (long)size <= s->left ? size : (size_t)s->left;
    size_t done = 0;
    while (done < take) {
        ssize_t n = write(s->fd, buf + done, take - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += (size_t)n;
    }
    s->left -= (long)take;
    if (take < size) {
        errno = ENOSPC;  // the disk filled part-way through this write
        return -1;
    }
    return (ssize_t)size;
}

int FaultyClose(void* cookie) {
    FaultyStream* s = static_cast<FaultyStream*>(cookie);
    int r = close(s->fd);
    delete s;
    return r;
}
}  // namespace

void FailWritesUnder(const char* folder, long bytesBeforeFailure) {
    std::lock_guard<std::mutex> hold(faultLock);
    faultFolder = folder ? folder : "";
    while (faultFolder.size() > 1 && faultFolder.back() == '/') faultFolder.pop_back();
    faultBytes = bytesBeforeFailure;
}

void SetReplaceHook(void (*hook)(const char16_t* from, const char16_t* to)) { replaceHook = hook; }

FILE* OpenStreamUtf8(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    // Only "r", "w" and "wx" streams are used; fopen would open a folder or
    // block on a pipe, so the descriptor is opened and checked first.
    bool write = mode[0] == 'w';
    bool exclusive = write && mode[1] == 'x';
    if (!write && mode[0] != 'r') return nullptr;
    long budget = 0;
    bool faulty = write && FaultFor(path, &budget);
    if (faulty && budget < 0) {
        errno = EACCES;
        return nullptr;
    }
    int flags = write ? (O_WRONLY | O_CREAT | (exclusive ? O_EXCL : 0)) : O_RDONLY;
    int fd = OpenRegular(path, flags, write && !exclusive);
    if (fd < 0) return nullptr;
    if (faulty) {
        FaultyStream* s = new (std::nothrow) FaultyStream{fd, budget};
        cookie_io_functions_t io{nullptr, FaultyWrite, nullptr, FaultyClose};
        FILE* f = s ? fopencookie(s, "w", io) : nullptr;
        if (!f) {
            delete s;
            close(fd);
        }
        return f;
    }
    FILE* f = fdopen(fd, write ? "wb" : "rb");
    if (!f) close(fd);
    return f;
}

bool SyncStream(FILE* stream) {
    if (!stream || fflush(stream) != 0 || ferror(stream)) return false;
    int fd = fileno(stream);  // -1 for an injected-fault stream: nothing to force
    return fd < 0 || fsync(fd) == 0;
}

bool GetAttributes(const char16_t* path, uint32_t* attributes) {
    PathUtf8 p(path);
    struct stat st, lst;
    if (!p.ok || lstat(p.text, &lst) != 0) return false;
    bool link = S_ISLNK(lst.st_mode);
    if (link && stat(p.text, &st) != 0) st = lst;  // dangling: the link itself
    else if (!link) st = lst;
    if (attributes) *attributes = AttributesOf(st, link);
    return true;
}

bool DeleteFile(const char16_t* path) {
    PathUtf8 p(path);
    return p.ok && unlink(p.text) == 0;
}

bool CreateFolder(const char16_t* path) {
    PathUtf8 p(path);
    return p.ok && mkdir(p.text, 0777) == 0;
}

bool RemoveFolder(const char16_t* path) {
    PathUtf8 p(path);
    if (!p.ok) return false;
    struct stat lst;
    // A link to a folder is removed as a link: its target is not ours.
    if (lstat(p.text, &lst) == 0 && S_ISLNK(lst.st_mode)) return unlink(p.text) == 0;
    return rmdir(p.text) == 0;
}

bool RenameFile(const char16_t* from, const char16_t* to) {
    PathUtf8 a(from), b(to);
    return a.ok && b.ok && rename(a.text, b.text) == 0;
}

bool ReplaceFile(const char16_t* from, const char16_t* to) {
    if (void (*hook)(const char16_t*, const char16_t*) = replaceHook.load()) hook(from, to);
    PathUtf8 a(from), b(to);
    if (!a.ok || !b.ok) return false;
    struct stat st;
    // A link is not replaced by a file: what it points to is someone else's.
    if (lstat(b.text, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (chmod(a.text, st.st_mode & 07777) != 0) return false;
    return rename(a.text, b.text) == 0;
}

struct Dir {
    DIR* dir;
    bool hideDotNames;
};

Dir* OpenDir(const char16_t* path, int options) {
    PathUtf8 p(path);
    if (!p.ok) return nullptr;
    DIR* d = opendir(p.text);
    if (!d) return nullptr;
    Dir* h = new (std::nothrow) Dir{d, (options & DIR_HIDE_DOT_NAMES) != 0};
    if (!h) closedir(d);
    return h;
}

bool NextDirEntry(Dir* dir, DirEntry* entry) {
    if (!dir) return false;
    for (;;) {
        errno = 0;
        struct dirent* e = readdir(dir->dir);
        if (!e) return false;
        const char* n = e->d_name;
        if (n[0] == '.' && (dir->hideDotNames || n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        // A name too long for the program's buffers could not be opened again.
        if (!StorePath(n, entry->name, (int)(sizeof entry->name / sizeof entry->name[0]))) continue;
        struct stat st, lst;
        int fd = dirfd(dir->dir);
        if (fstatat(fd, n, &lst, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished meanwhile
        bool link = S_ISLNK(lst.st_mode);
        if (!link) st = lst;
        else if (fstatat(fd, n, &st, 0) != 0) st = lst;
        // A pipe, socket or device is neither a picture nor a folder, and
        // opening one could block. (A dangling link stays: it opens as
        // nothing, and a folder tree holding one must still be deletable.)
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) continue;
        entry->attributes = AttributesOf(st, link);
        entry->size = S_ISDIR(st.st_mode) ? 0 : (uint32_t)((uint64_t)st.st_size & 0xFFFFFFFFu);
        entry->time = FileTimeFromTimespec(st.st_mtim);
        return true;
    }
}

void CloseDir(Dir* dir) {
    if (!dir) return;
    closedir(dir->dir);
    delete dir;
}

}  // namespace plat
