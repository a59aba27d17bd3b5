#include "platform/posix/InstanceLock.h"

#include <errno.h>
#include <fcntl.h>
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

static int Listen(void* arg) {
    InstanceLock* lock = (InstanceLock*)arg;
    for (;;) {
        int c = accept4(lock->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return 0;  // shut down by ReleaseInstanceLock
        }
        char b;
        if (read(c, &b, 1) == 1 && b == 'r' && lock->onRaise) lock->onRaise();
        close(c);
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
    lock->listenFd = s;
    memcpy(lock->socketPath, addr.sun_path, sizeof addr.sun_path);
    lock->listener = StartThread(Listen, lock, 7);
    return lock;
}

void ReleaseInstanceLock(InstanceLock* lock) {
    if (!lock) return;
    if (lock->listenFd >= 0) {
        shutdown(lock->listenFd, SHUT_RDWR);  // wakes the blocked accept
        JoinThread(lock->listener);
        close(lock->listenFd);
        unlink(lock->socketPath);
    }
    if (lock->lockFd >= 0) close(lock->lockFd);
    delete lock;
}

}  // namespace plat
