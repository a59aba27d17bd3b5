#include "platform/HandOver.h"

#include <deque>
#include <mutex>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PathUtf8.h"

namespace plat {

namespace {
std::mutex queueLock;                // guards handed
std::deque<std::u16string> handed;  // oldest first
// Starts in quick succession show only their last path: a few suffice.
constexpr size_t kMostHanded = 8;

void Queue(std::u16string path) {
    {
        std::lock_guard<std::mutex> hold(queueLock);
        if (handed.size() == kMostHanded) handed.pop_front();
        handed.push_back(std::move(path));
    }
    PostMessage(MSG_SHOWPATH);
}
}  // namespace

void HandOverPath(const char* utf8) {
    char16_t path[kUtf8PathBytes];
    // A path too long for the program's buffers is dropped whole: a cut
    // one would name another file.
    if (!StorePath(utf8, path, kUtf8PathBytes)) return;
    Queue(path);
}

void HandOverPath16(const char16_t* path) { Queue(path ? path : u""); }

void ClearHandedPaths() {
    std::lock_guard<std::mutex> hold(queueLock);
    handed.clear();
}

bool TakeHandedPath(char16_t* out, int capacity) {
    std::lock_guard<std::mutex> hold(queueLock);
    while (!handed.empty()) {
        std::u16string p = std::move(handed.front());
        handed.pop_front();
        if ((int)p.size() >= capacity) continue;  // cannot be shown whole
        p.copy(out, p.size());
        out[p.size()] = 0;
        return true;
    }
    return false;
}

}  // namespace plat
