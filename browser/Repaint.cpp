#include "browser/Repaint.h"

#include <atomic>

#include "platform/Platform.h"

static std::atomic<uint32_t> repaintDeadline{0};

void RequestRepaint(bool force) {
    uint32_t now = plat::TickCount();
    if (!force && !plat::TickAfter(now, repaintDeadline.load(std::memory_order_relaxed))) return;
    plat::PostMessage(plat::MSG_PAINT);
    repaintDeadline.store(now + 200, std::memory_order_relaxed);
}
