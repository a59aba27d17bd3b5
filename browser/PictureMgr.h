// PictureMgr_t: the browser and viewer. One instance (TheBrowser) owns the
// ordered entries of the folder on view, the ancestor slots, the view state
// of both modes, the full-screen paint buffer, the button icons and the
// table of on-screen buttons.
//
// Files: Model.cpp (construction, entry order, view state), Workers.cpp
// (lock and worker threads), Navigation.cpp (SetPath, scanning, loader,
// trail, GoUp), MemoryGuard.cpp (EnsureFreeMemory, ReleaseFarIcons),
// Paint.cpp (browse frame and info line).
//
// Threads: the interface thread, the scanner (DoProcess, priority 5) and the
// loader (IconProcess, priority 6). The browser lock (Pause) guards Pic,
// Capacity and the view state; Count, Current, Shown, StepDir, Mode and
// Flags are atomic because the workers read them as single words.
//
// Entry lifetime: an entry leaves the browser only through DestroyEntry,
// called with the browser lock held after the entry has left Pic. The
// loader picks the entry it works on while holding the lock and publishes
// it (loaderEntry_); DestroyEntry waits until the loader has let go of it.
// So no worker touches an entry after the interface thread destroyed it.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Platform.h"

class Picture_t;
class PaintBuffer_t;

// Bits of PictureMgr_t::Flags. Each stop bit has one setter (the interface
// thread) and one clearer (its worker's entry point, together with the
// running bit, in one update).
enum : int {
    PM_LOCKED = 0x1,          // the browser lock is held
    PM_DRAGGING = 0x2,        // the pen drags the curve
    PM_SCAN_RUNNING = 0x4,    // scanner alive
    PM_SCAN_STOP = 0x8,       // scanner must stop
    PM_ASCENDING = 0x20,      // GoUp: ancestor slots drawn shifted
    PM_LOADER_STOP = 0x40,    // loader must stop
    PM_LOADER_RUNNING = 0x80, // loader alive
    // Set by SetPath before a worker is started and cleared by the worker's
    // entry point with its running and stop bits: a worker that was made
    // but has not yet run still gets its stop request.
    PM_SCAN_ALIVE = 0x100,
    PM_LOADER_ALIVE = 0x200,
    PM_SCAN_LISTED = 0x400,   // the scanner has finished the listing (or it failed)
};

// The rows of the menu table: {command, icon index, variant, fixed}.
constexpr int kMenuRows = 22;
extern int MenuTable[kMenuRows][4];
// Button icon names in skin order; icon k is Icon[2k], lit at Icon[2k + 1].
constexpr int kIconNames = 13;
extern const char16_t* const IconNames[kIconNames + 1];  // ends with null

class PictureMgr_t {
public:
    // ---- members, in the order of the design
    float PopupSlide;      // 0 closed; progress of the rotation pop-up
    // (no drawing context: frames reach the window through PaintBuffer_t::Paint)
    Picture_t** Pic;       // entries in display order (browser lock)
    std::atomic<int> Count;
    int Capacity;          // size of Pic: 32, grows by 32
    float OffsetX, OffsetY;
    float Zoom, TargetZoom;
    int Angle, TargetAngle;
    int Turn, TargetTurn;
    std::atomic<int> Current;  // selected entry, -1 when none was selected
    std::atomic<int> Shown;    // entry the curve turns to, never below 0
    std::atomic<int> Flags;    // PM_* bits
    float Grow;            // 1.0 at rest; spread during open, close, climb
    float MenuSlide;       // 0 menu in, 1 out
    float PanelSlide;      // 0 bookmark panel closed
    int Menu;              // first row of the open menu, -1 none
    char16_t Path[512];    // folder on view, no trailing '/'; root = ""
    // (no window handle: messages go to the main window through plat::PostMessage)
    PaintBuffer_t* PaintFull;  // ScreenWidth x ScreenHeight frame
    PaintBuffer_t* PaintInfo;  // ScreenWidth x 20 UiScale info line, key magenta
    Picture_t** Back;      // BackSlotCount folder entries: slot 0 = Path
    std::atomic<int> StepDir;  // +1 / -1, direction of the last step
    std::atomic<int> Mode;     // 0 browse, 1 picture view
    int PortraitAngle, LandscapeAngle;
    int ButtonCount;
    int ButtonRect[30][4];
    int ButtonRow[30][4];
    PaintBuffer_t* Icon[32];
    int BarHeight;

    // ---- model (Model.cpp)
    // Reads the skin (background, 13 icons with lit twins), makes the Back
    // slots; empty list, no workers. Allocation failures are fatal.
    PictureMgr_t();
    // Stops both workers, then destroys every entry, slot and buffer.
    virtual ~PictureMgr_t();
    // Current raised to 0. May equal Count: test before touching Pic.
    int Selected() const;
    // Inserts an entry made by the scan: folders first, each group in
    // case-folded file-name order, an equal name going before. An entry
    // whose path equals one already listed is destroyed. lock: take the
    // browser lock around the change (the scanner); else the caller holds
    // it. Returns the insertion index (also for a dropped duplicate).
    int AddEntry(Picture_t* entry, bool lock);
    // View state back to rest on index (-1 none); WANT_ICON / WANT_PICTURE
    // by mode. Caller holds the lock.
    void ResetView(int index);
    // Degrees to show entry index with (reads its header when needed).
    int RememberedAngle(int index);
    // Stores Angle, rounded to a quarter turn, for the selected picture's
    // orientation.
    void SaveAngle();
    // Destroys an entry that has left Pic. Caller holds the browser lock;
    // waits (bounded) until the loader no longer works on it.
    void DestroyEntry(Picture_t* entry);

    // ---- workers (Workers.cpp)
    // The browser lock: on waits (1 ms polls, bounded, ".PictureMgr_t.Pause")
    // and takes it in one atomic step; off releases. Not re-entrant.
    // Returns Flags as it was before.
    int Pause(bool on);
    // Thread entries (argument: the browser; null ends at once) -> 0.
    static int ScanThread(void* browser);
    static int LoaderThread(void* browser);
    // Stops the scanner alone (opening a folder entry, GoUp) and joins it.
    void StopScanner();
    // Asks both workers to stop, waits for them (bounded, ".End of PicMgr
    // Process") and joins them. No worker runs afterwards.
    void StopWorkers();

    // ---- navigation and scanning (Navigation.cpp)
    // Switches to folder (interface thread): stops the workers, rebuilds
    // the trail, empties the list, puts keep (a full path, if not empty) in
    // focus as a folder entry, starts a new scanner and loader. A trailing
    // '/' is dropped. A folder of 512 units or more is refused: false,
    // nothing changes.
    bool SetPath(const char16_t* folder, const char16_t* keep);
    // Scanner body: lists Path, adds folders and .jpg / .jpeg files (a
    // yield after each, a 1 ms pause every 64 and while another thread
    // waits for the lock), then idles until PM_SCAN_STOP.
    void DoProcess();
    // Loader body: thumbnails outward from the selection, preload in the
    // picture view, until PM_LOADER_STOP.
    void IconProcess();
    // Refills the Back slots from Path (root shown as "/").
    void BuildTrail();
    // Climbs levels folders (0: one, refused at the root) with the zoom-out
    // animation; the folder left stays in focus.
    void GoUp(int levels);
    // The loader's walk from the anchor: 0, 1, -1, 2, -2, ...
    static int NextLoaderOffset(int offset);

    // ---- memory guard (MemoryGuard.cpp); caller holds the browser lock
    // Releases decoded pictures farthest first (behind StepDir first) until
    // FreeMemory exceeds the threshold; keep is spared. False when it could
    // not free enough.
    bool EnsureFreeMemory(int keep, bool large);
    // Frees thumbnail slots farthest first until the pool has more than one
    // free slot; keep is spared.
    bool ReleaseFarIcons(int keep);

    // ---- painting (Paint.cpp)
    // Composes a browse frame and shows it (takes the lock).
    void Refresh();
    // Composes the ancestor stack and the curve into PaintFull; caller
    // holds the lock.
    void DrawBrowse(int highlight);
    // Redraws PaintInfo (position and name); caller holds the lock.
    void PaintInfoLine();

    PictureMgr_t(const PictureMgr_t&) = delete;
    PictureMgr_t& operator=(const PictureMgr_t&) = delete;

private:
    plat::Thread* scanThread_ = nullptr;
    plat::Thread* loaderThread_ = nullptr;
    // The entry the loader is making a thumbnail for, outside the lock.
    std::atomic<Picture_t*> loaderEntry_{nullptr};
    // Threads waiting in Pause(true) (the interface thread): the scanner
    // pauses while there are any.
    std::atomic<int> lockWaiters_{0};
    uint32_t infoDrawn_ = 0;  // when AddEntry last drew the info line (lock)

    // Destroys every entry of Pic; Count 0. Workers stopped, lock held.
    void ClearEntries();
    // Starts the scanner and the loader and waits until both run.
    void StartWorkers();
    void RequestStop(int aliveBit, int stopBit);
    void FinishStop(int aliveBit, plat::Thread** thread);
    bool AnyPictureLoading() const;
    // The scanner hands a new entry to AddEntry under the lock; false (the
    // entry destroyed) when the scanner is being stopped.
    bool Hand(Picture_t* entry);
    // The lock for a worker: false, without it, once its stop bit is set.
    bool PauseUnlessStopped(int stopBit);
    // Renders the entry's name label (the trail slots; listed entries get
    // theirs when first drawn).
    void RenderLabel(Picture_t* entry);
};

// The browser; made by start-up, null before and after.
extern PictureMgr_t* TheBrowser;
