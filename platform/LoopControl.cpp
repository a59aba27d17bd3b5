#include "platform/LoopControl.h"

#include <atomic>

namespace plat {

namespace {
constexpr int kMaxDepth = 32;
std::atomic<int> depth{0};
bool endRequested[kMaxDepth + 1];
int endCode[kMaxDepth + 1];
bool quitRequested;
int quitCode;
std::atomic<bool> paintPending{false};
}  // namespace

int LoopEnter() {
    int d = depth.load() + 1;
    if (d > kMaxDepth) d = kMaxDepth;  // deeper nesting shares the last slot
    depth.store(d);
    endRequested[d] = false;
    return d;
}

void LoopLeave() {
    int d = depth.load() - 1;
    if (d <= 0) {
        d = 0;
        quitRequested = false;
    }
    depth.store(d);
}

void LoopRequestEnd(int code) {
    int d = depth.load();
    if (d == 0) return;
    endRequested[d] = true;
    endCode[d] = code;
}

void LoopRequestQuit(int code) {
    quitRequested = true;
    quitCode = code;
}

bool LoopMustReturn(int d, int* code) {
    if (quitRequested) {
        *code = quitCode;
        return true;
    }
    if (endRequested[d]) {
        endRequested[d] = false;
        *code = endCode[d];
        return true;
    }
    return false;
}

int LoopDepth() { return depth.load(); }

bool ClaimPaintPost() { return !paintPending.exchange(true); }
void PaintTaken() { paintPending.store(false); }
void ResetPaintFlag() { paintPending.store(false); }

}  // namespace plat
