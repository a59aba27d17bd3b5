// The browser lock and the two worker threads: their entry points, start,
// stop and join.
#include "browser/PictureMgr.h"
#include "util/Diagnostics.h"

static const char16_t kStartWait[] = u".Start of PicMgr Process";
static const char16_t kEndWait[] = u".End of PicMgr Process";

std::atomic<void (*)()> NestedLockHook{nullptr};

// The lock belongs to a thread, not to the browser: true while this thread
// holds it.
static thread_local bool holdsLock;

int PictureMgr_t::Pause(bool on) {
    if (!on) {
        if (!holdsLock)
            if (void (*hook)() = NestedLockHook.load()) hook();
        holdsLock = false;
        return Flags.fetch_and(~PM_LOCKED);
    }
    if (holdsLock) {
        // Waiting would only run out the bound: the holder is us.
        if (void (*hook)() = NestedLockHook.load()) hook();
        return Flags.load();
    }
    holdsLock = true;
    uint32_t deadline = plat::TickCount() + kWaitLimitMs;
    bool counted = false;  // in lockWaiters_: the scanner lets us in
    for (;;) {
        // Test and set in one step: of two threads asking at once, exactly
        // one sees the bit clear.
        int before = Flags.fetch_or(PM_LOCKED);
        bool timedOut = (before & PM_LOCKED) && plat::TickAfter(plat::TickCount(), deadline);
        if (!(before & PM_LOCKED) || timedOut) {
            if (counted) lockWaiters_.fetch_sub(1);
            if (timedOut) ReportSyncError(u".PictureMgr_t.Pause");
            return before;  // after a time-out: carry on as the holder
        }
        if (!counted) lockWaiters_.fetch_add(1);
        counted = true;
        plat::Sleep(1);
    }
}

bool PictureMgr_t::PauseUnlessStopped(int stopBit) {
    uint32_t deadline = plat::TickCount() + kWaitLimitMs;
    for (;;) {
        // The thread that holds the lock may be the one waiting for this
        // worker to stop (GoUp, OpenView): give up rather than deadlock.
        if (Flags & stopBit) return false;
        int before = Flags.fetch_or(PM_LOCKED);
        if (!(before & PM_LOCKED)) {
            holdsLock = true;
            return true;
        }
        if (plat::TickAfter(plat::TickCount(), deadline)) {
            ReportSyncError(u".PictureMgr_t.Pause");
            return true;
        }
        plat::Sleep(1);
    }
}

int PictureMgr_t::ScanThread(void* browser) {
    PictureMgr_t* pm = static_cast<PictureMgr_t*>(browser);
    if (!pm) return 0;
    pm->Flags.fetch_or(PM_SCAN_RUNNING);
    pm->DoProcess();
    // One update: a cleared stop bit tells the stopping thread we are gone,
    // and nothing of the browser is touched after it.
    pm->Flags.fetch_and(~(PM_SCAN_RUNNING | PM_SCAN_STOP | PM_SCAN_ALIVE));
    return 0;
}

int PictureMgr_t::LoaderThread(void* browser) {
    PictureMgr_t* pm = static_cast<PictureMgr_t*>(browser);
    if (!pm) return 0;
    pm->Flags.fetch_or(PM_LOADER_RUNNING);
    pm->IconProcess();
    pm->Flags.fetch_and(~(PM_LOADER_RUNNING | PM_LOADER_STOP | PM_LOADER_ALIVE));
    return 0;
}

void PictureMgr_t::StartWorkers() {
    Flags.fetch_or(PM_SCAN_ALIVE);
    scanThread_ = plat::StartThread(ScanThread, this, 5);
    if (!scanThread_) Flags.fetch_and(~PM_SCAN_ALIVE);
    Flags.fetch_or(PM_LOADER_ALIVE);
    loaderThread_ = plat::StartThread(LoaderThread, this, 6);
    if (!loaderThread_) Flags.fetch_and(~PM_LOADER_ALIVE);

    // A thread that could not be made will never set its running bit:
    // report at once instead of waiting out the bound.
    if (!scanThread_ || !loaderThread_) ReportSyncError(kStartWait);
    if (scanThread_)
        WaitFor([&] { return (Flags & (PM_SCAN_RUNNING | PM_SCAN_ALIVE)) != PM_SCAN_ALIVE; }, kStartWait);
    if (loaderThread_)
        WaitFor([&] { return (Flags & (PM_LOADER_RUNNING | PM_LOADER_ALIVE)) != PM_LOADER_ALIVE; },
                kStartWait);
}

void PictureMgr_t::RequestStop(int aliveBit, int stopBit) {
    // Only a worker that has not yet left gets a stop bit: a bit set after
    // the worker's last update would have no clearer.
    int f = Flags.load();
    while ((f & aliveBit) && !(f & stopBit) && !Flags.compare_exchange_weak(f, f | stopBit)) {
    }
}

void PictureMgr_t::FinishStop(int aliveBit, plat::Thread** thread) {
    // The worker clears its alive bit together with its stop bit.
    bool ended = WaitFor([&] { return !(Flags & aliveBit); }, kEndWait);
    // A worker still inside a hung open or listing after the bound is left
    // to it: joining would freeze the interface for good. What it holds is
    // leaked, never freed under it (DestroyEntry, WorkersStuck).
    if (!ended) {
        stuck_ = true;
        plat::DetachThread(*thread);
    } else if (*thread) {
        plat::JoinThread(*thread);
    }
    *thread = nullptr;
}

void PictureMgr_t::StopScanner() {
    RequestStop(PM_SCAN_ALIVE, PM_SCAN_STOP);
    FinishStop(PM_SCAN_ALIVE, &scanThread_);
}

void PictureMgr_t::StopWorkers() {
    RequestStop(PM_SCAN_ALIVE, PM_SCAN_STOP);
    RequestStop(PM_LOADER_ALIVE, PM_LOADER_STOP);
    FinishStop(PM_SCAN_ALIVE, &scanThread_);
    FinishStop(PM_LOADER_ALIVE, &loaderThread_);
}
