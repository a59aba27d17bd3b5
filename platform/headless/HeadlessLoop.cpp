// Headless message loop: a thread-safe queue that RunLoop waits on, fed by
// PostMessage and the injection calls of Headless.h.
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
