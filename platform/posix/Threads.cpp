// Threads with priorities, the tick count, sleeping and yielding.
#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <new>

#include "platform/Platform.h"

namespace plat {

struct Thread {
    pthread_t handle;
    ThreadFn fn;
    void* arg;
    std::atomic<int> priority;
    std::atomic<pid_t> tid{0};
    std::atomic<bool> ended{false};
    // The thread and the handle's owner each hold one; the last frees it.
    std::atomic<int> refs{2};
};

static void Drop(Thread* t) {
    if (t->refs.fetch_sub(1) == 1) delete t;
}

// The nice value of a priority: 0..3 share the interface thread's level;
// lower ones yield ever more.
static int NiceOf(int priority) {
    static const int kNice[8] = {0, 0, 0, 0, 2, 5, 10, 19};
    if (priority < 0) priority = 0;
    if (priority > 7) priority = 7;
    return kNice[priority];
}

// Linux sets the nice value of a single thread through its tid. An
// unprivileged raise fails with EACCES; the design tolerates that.
static void ApplyNice(pid_t tid, int priority) { setpriority(PRIO_PROCESS, (id_t)tid, NiceOf(priority)); }

static void* Trampoline(void* p) {
    Thread* t = (Thread*)p;
    pid_t tid = (pid_t)syscall(SYS_gettid);
    t->tid.store(tid);
    ApplyNice(tid, t->priority.load());
    t->fn(t->arg);
    t->ended.store(true);
    Drop(t);
    return nullptr;
}

Thread* StartThread(ThreadFn fn, void* arg, int priority) {
    if (!fn) return nullptr;
    Thread* t = new (std::nothrow) Thread;
    if (!t) return nullptr;
    t->fn = fn;
    t->arg = arg;
    t->priority.store(priority);
    if (pthread_create(&t->handle, nullptr, Trampoline, t) != 0) {
        delete t;
        return nullptr;
    }
    return t;
}

void SetThreadPriority(Thread* thread, int priority) {
    if (!thread) return;
    // Whichever of this store and the thread's own start comes second
    // applies the value; a tid of an ended thread may already be reused.
    thread->priority.store(priority);
    pid_t tid = thread->tid.load();
    if (tid != 0 && !thread->ended.load()) ApplyNice(tid, priority);
}

void JoinThread(Thread* thread) {
    if (!thread) return;
    pthread_join(thread->handle, nullptr);
    Drop(thread);
}

void DetachThread(Thread* thread) {
    if (!thread) return;
    pthread_detach(thread->handle);
    Drop(thread);
}

uint32_t TickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return (uint32_t)(uint64_t)ms.count();
}

void Sleep(uint32_t ms) {
    struct timespec ts = {(time_t)(ms / 1000), (long)(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void YieldProcessor() { sched_yield(); }

int Random() { return rand(); }

}  // namespace plat
