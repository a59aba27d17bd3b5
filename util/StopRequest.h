// A worker's stop request, seen by the long loops it calls (decoding a
// picture, making a thumbnail), so that a quit or a folder change never
// waits for a whole decode. Per thread: a loop knows nothing of the browser
// or the shell; the worker names the flag words that ask it to stop.
#pragma once

#include <atomic>

struct StopRequest {
    const std::atomic<int>* word[2] = {nullptr, nullptr};
    int mask[2] = {0, 0};
};

inline thread_local StopRequest ThreadStopRequest;

// Names the flag bits that stop the calling thread's work, for as long as
// the scope lives (the loader: its stop bit and the program's quit bit).
class StopRequestScope {
public:
    StopRequestScope(const std::atomic<int>* a, int maskA, const std::atomic<int>* b = nullptr, int maskB = 0)
        : saved_(ThreadStopRequest) {
        ThreadStopRequest.word[0] = a;
        ThreadStopRequest.mask[0] = maskA;
        ThreadStopRequest.word[1] = b;
        ThreadStopRequest.mask[1] = maskB;
    }
    ~StopRequestScope() { ThreadStopRequest = saved_; }
    StopRequestScope(const StopRequestScope&) = delete;
    StopRequestScope& operator=(const StopRequestScope&) = delete;

private:
    StopRequest saved_;
};

// True when one of the calling thread's named stop bits is set.
inline bool StopRequested() {
    const StopRequest& r = ThreadStopRequest;
    for (int i = 0; i < 2; i++)
        if (r.word[i] && (r.word[i]->load(std::memory_order_relaxed) & r.mask[i])) return true;
    return false;
}
