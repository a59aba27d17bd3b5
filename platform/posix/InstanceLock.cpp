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
    void (*onRaise)() = nullptr;
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

// A request is one byte sent right after connecting: a client that says
// nothing gets this long, never the listener for good.
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

static int Listen(void* arg) {
    InstanceLock* lock = (InstanceLock*)arg;
    for (;;) {
        if (WaitReadable(lock, lock->listenFd, -1) < 0) return 0;  // ReleaseInstanceLock
        int c = accept4(lock->listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (c < 0) {
            // The client left meanwhile; out of descriptors: pause, then retry.
            if (errno != EAGAIN && errno != ECONNABORTED && errno != EINTR) Sleep(10);
            continue;
        }
        char b;
        int ready = WaitReadable(lock, c, kRequestWaitMs);
        if (ready > 0 && read(c, &b, 1) == 1 && b == 'r' && lock->onRaise) lock->onRaise();
        close(c);
        if (ready < 0) return 0;
    }
}

static void AskToRaise(const char* folder) {
    sockaddr_un addr;
    if (!SocketAddress(folder, &addr)) return;
    // The running instance may still be starting: give it a moment.
    for (int attempt = 0; attempt < 20; attempt++) {
        int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) return;
        if (connect(s, (sockaddr*)&addr, sizeof addr) == 0) {
            char b = 'r';
            ssize_t ignored = write(s, &b, 1);
            (void)ignored;
            close(s);
            return;
        }
        close(s);
        Sleep(50);
    }
}

InstanceLock* AcquireInstanceLock(const char* folder, void (*onRaise)()) {
    InstanceLock* lock = new (std::nothrow) InstanceLock;
    if (!lock) return nullptr;
    lock->onRaise = onRaise;
    char path[4096];
    if (!folder || snprintf(path, sizeof path, "%s/lumatray.lock", folder) >= (int)sizeof path) return lock;
    lock->lockFd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock->lockFd < 0) return lock;
    if (flock(lock->lockFd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(lock->lockFd);
        lock->lockFd = -1;
        if (!held) return lock;
        delete lock;
        AskToRaise(folder);
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
