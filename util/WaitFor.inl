// Implementation of WaitFor: bounded polling with 1 ms sleeps.
#pragma once
#include "platform/Platform.h"

constexpr uint32_t kWaitLimitMs = 200000;

template <typename Test>
bool WaitFor(Test test, const char16_t* what) {
    uint32_t deadline = plat::TickCount() + kWaitLimitMs;
    while (!test()) {
        if (plat::TickAfter(plat::TickCount(), deadline)) {
            ReportSyncError(what);
            return false;
        }
        plat::Sleep(1);
    }
    return true;
}
