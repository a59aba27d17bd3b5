// Headless message loop: a thread-safe queue that RunLoop waits on, fed by
// PostMessage and the injection calls of Headless.h.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/Headless.h"
#include "platform/LoopControl.h"
#include "platform/Platform.h"

namespace {

struct Message {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
};

std::mutex queueLock;
std::condition_variable queueReady;
std::deque<Message> queue;

// A call for the interface thread (RunOnLoop). The loop claims it before
// running it; a waiter that gave up claims it first, and the loop then
// only frees it.
constexpr uint32_t kCallMessage = 0xC0DE0001u;
enum : int { CALL_PENDING, CALL_RUNNING, CALL_DONE, CALL_ABANDONED };
struct Call {
    void (*fn)(void*);
    void* arg;
    std::atomic<int> state{CALL_PENDING};
};

void RunCall(Call* call) {
    int expected = CALL_PENDING;
    if (!call->state.compare_exchange_strong(expected, CALL_RUNNING)) {
        delete call;
        return;
    }
    call->fn(call->arg);
    call->state.store(CALL_DONE);
}

void Push(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    {
        std::lock_guard<std::mutex> hold(queueLock);
        queue.push_back({msg, wparam, lparam});
    }
    queueReady.notify_one();
}

}  // namespace

namespace headless {

void ClearQueue() {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.clear();
    plat::ResetPaintFlag();
}

void InjectKey(int virtualKey) { Push(plat::MSG_KEYDOWN, (uintptr_t)virtualKey, 0); }
void InjectCtrlQ() { Push(plat::MSG_COMMAND, 1, 0); }
void InjectPenDown(int x, int y) { Push(plat::MSG_LBUTTONDOWN, 1, plat::PackPen(x, y)); }
void InjectPenMove(int x, int y) { Push(plat::MSG_MOUSEMOVE, 1, plat::PackPen(x, y)); }
void InjectPenUp(int x, int y) { Push(plat::MSG_LBUTTONUP, 0, plat::PackPen(x, y)); }
void InjectClose() { Push(plat::MSG_CLOSE, 0, 0); }
void InjectWheel(int notches) { Push(plat::MSG_MOUSEWHEEL, (uintptr_t)(intptr_t)notches, 0); }

int PendingMessages(uint32_t msg) {
    std::lock_guard<std::mutex> hold(queueLock);
    int n = 0;
    for (const Message& m : queue) n += m.msg == msg;
    return n;
}

bool RunOnLoop(void (*fn)(void*), void* arg, uint32_t timeoutMs) {
    Call* call = new Call{fn, arg};
    Push(kCallMessage, 0, (intptr_t)call);
    uint32_t start = plat::TickCount();
    for (;;) {
        int state = call->state.load();
        if (state == CALL_DONE) {
            delete call;
            return true;
        }
        if (state == CALL_PENDING && plat::TickCount() - start > timeoutMs) {
            int expected = CALL_PENDING;
            if (call->state.compare_exchange_strong(expected, CALL_ABANDONED)) return false;
        }
        plat::Sleep(1);
    }
}

bool LoopRunning() { return plat::LoopDepth() > 0; }

}  // namespace headless

namespace plat {

void PostMessage(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_PAINT && !ClaimPaintPost()) return;
    Push(msg, wparam, lparam);
}

void PostQuit(int code) { Push(MSG_QUIT, (uintptr_t)(intptr_t)code, 0); }

void EndLoop(int code) { LoopRequestEnd(code); }

int RunLoop(WndProc proc) {
    int depth = LoopEnter();
    int code = 0;
    for (;;) {
        Message m;
        {
            std::unique_lock<std::mutex> hold(queueLock);
            queueReady.wait(hold, [] { return !queue.empty(); });
            m = queue.front();
            queue.pop_front();
        }
        if (m.msg == MSG_QUIT) {
            LoopRequestQuit((int)(intptr_t)m.wparam);
        } else if (m.msg == kCallMessage) {
            RunCall(reinterpret_cast<Call*>(m.lparam));
        } else {
            if (m.msg == MSG_PAINT) PaintTaken();
            proc(m.msg, m.wparam, m.lparam);
        }
        if (LoopMustReturn(depth, &code)) break;
    }
    LoopLeave();
    return code;
}

}  // namespace plat
