#include "platform/posix/InstanceLock.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <new>

#include "platform/Platform.h"

namespace plat {

struct InstanceLock {
    int lockFd = -1;
    int listenFd = -1;
    int wake[2] = {-1, -1};  // a byte on it ends the listener at once
    Thread* listener = nullptr;
    void (*onRequest)(const char* path) = nullptr;
    char socketPath[sizeof(sockaddr_un::sun_path)] = {};
};

bool DefaultInstanceFolder(char* out, int capacity) {
    const char* run = getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (run && run[0] == '/' && stat(run, &st) == 0 && S_ISDIR(st.st_mode)) {
        int n = snprintf(out, (size_t)capacity, "%s", run);
        return n > 0 && n < capacity;
    }
    int n = snprintf(out, (size_t)capacity, "/tmp/lumatray-%u", (unsigned)getuid());
    if (n <= 0 || n >= capacity) return false;
    mkdir(out, 0700);
    // Someone else's folder (or a planted link) in /tmp is not ours to use.
    return lstat(out, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

static bool SocketAddress(const char* folder, sockaddr_un* addr) {
    memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    int n = snprintf(addr->sun_path, sizeof addr->sun_path, "%s/lumatray.sock", folder);
    return n > 0 && n < (int)sizeof addr->sun_path;
}

// A client has this long for each part of its request: one that says
// nothing, or stops half-way, holds up the listener this long at most.
constexpr int kRequestWaitMs = 250;

// Waits until fd is readable or the wake pipe speaks: 1, 0 on time-out,
// -1 when woken (or the poll failed).
static int WaitReadable(InstanceLock* lock, int fd, int timeoutMs) {
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {lock->wake[0], POLLIN, 0}};
        int n = poll(p, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || p[1].revents) return -1;
        return n == 0 ? 0 : 1;
    }
}

// Reads one request into buf (zero-terminated): the kind byte, then the
// path up to the client's end of the connection. 1 when complete, 0 when
// the client fell silent or sent too much, -1 when woken.
static int ReadRequest(InstanceLock* lock, int c, char* buf, int capacity) {
    int n = 0;
    for (;;) {
        int ready = WaitReadable(lock, c, kRequestWaitMs);
        if (ready <= 0) return ready;
        ssize_t got = read(c, buf + n, (size_t)(capacity - 1 - n));
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return 0;
        if (got == 0) break;  // the client has said all
        n += (int)got;
        if (n >= capacity - 1) return 0;  // no path is this long
        if (buf[0] == 'r') break;  // a plain raise has nothing after it
    }
    buf[n] = 0;
    return n > 0 ? 1 : 0;
}

static int Listen(void* arg) {
    InstanceLock* lock = (InstanceLock*)arg;
    char buf[kHandedPathBytes + 2];
    for (;;) {
        if (WaitReadable(lock, lock->listenFd, -1) < 0) break;  // ReleaseInstanceLock
        int c = accept4(lock->listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (c < 0) {
            // The client left meanwhile; out of descriptors: pause, then retry.
            if (errno != EAGAIN && errno != ECONNABORTED && errno != EINTR) Sleep(10);
            continue;
        }
        int got = ReadRequest(lock, c, buf, (int)sizeof buf);
        close(c);
        if (got < 0) break;
        if (got == 0 || !lock->onRequest) continue;
        // A path that holds a zero byte was cut: no file has such a name.
        if (buf[0] == 'r') lock->onRequest("");
        else if (buf[0] == 'o' && buf[1] == '/') lock->onRequest(buf + 1);
    }
    return 0;
}

// Writes all of the request; false when the connection broke.
static bool WriteAll(int s, const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t n = write(s, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= (size_t)n;
    }
    return true;
}

static void SendRequest(const char* folder, const char* path) {
    sockaddr_un addr;
    if (!SocketAddress(folder, &addr)) return;
    char request[kHandedPathBytes + 1];
    size_t length = 1;
    request[0] = 'r';
    if (path && path[0]) {
        size_t n = strlen(path);
        if (n < kHandedPathBytes) {
            request[0] = 'o';
            memcpy(request + 1, path, n);
            length += n;
        }
    }
    // The running instance may still be starting: give it a moment.
    for (int attempt = 0; attempt < 20; attempt++) {
        int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) return;
        if (connect(s, (sockaddr*)&addr, sizeof addr) == 0) {
            // The path ends where the connection does.
            WriteAll(s, request, length);
            close(s);
            return;
        }
        close(s);
        Sleep(50);
    }
}

InstanceLock* AcquireInstanceLock(const char* folder, void (*onRequest)(const char* path), const char* path) {
    InstanceLock* lock = new (std::nothrow) InstanceLock;
    if (!lock) return nullptr;
    lock->onRequest = onRequest;
    char lockFile[4096];
    if (!folder || snprintf(lockFile, sizeof lockFile, "%s/lumatray.lock", folder) >= (int)sizeof lockFile)
        return lock;
    lock->lockFd = open(lockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock->lockFd < 0) return lock;
    if (flock(lock->lockFd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(lock->lockFd);
        lock->lockFd = -1;
        if (!held) return lock;
        delete lock;
        SendRequest(folder, path);
        return nullptr;
    }
    sockaddr_un addr;
    if (!SocketAddress(folder, &addr)) return lock;
    unlink(addr.sun_path);  // left by a process that ended without cleaning up
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return lock;
    if (bind(s, (sockaddr*)&addr, sizeof addr) != 0 || listen(s, 4) != 0) {
        close(s);
        return lock;
    }
    if (pipe2(lock->wake, O_CLOEXEC) != 0) {
        close(s);
        unlink(addr.sun_path);
        return lock;
    }
    // Non-blocking: a client that connects and leaves before accept must
    // not leave the listener blocked in it.
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
    lock->listenFd = s;
    memcpy(lock->socketPath, addr.sun_path, sizeof addr.sun_path);
    lock->listener = StartThread(Listen, lock, 7);
    return lock;
}

void ReleaseInstanceLock(InstanceLock* lock) {
    if (!lock) return;
    if (lock->listenFd >= 0) {
        // The listener waits only in poll, on the wake pipe too: it ends at
        // once, whatever a client does.
        char b = 'q';
        ssize_t ignored = write(lock->wake[1], &b, 1);
        (void)ignored;
        JoinThread(lock->listener);
        close(lock->listenFd);
        close(lock->wake[0]);
        close(lock->wake[1]);
        unlink(lock->socketPath);
    }
    if (lock->lockFd >= 0) close(lock->lockFd);
    delete lock;
}

}  // namespace plat
