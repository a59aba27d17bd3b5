// PictureMgr_t: the browser and viewer. One instance (TheBrowser) owns the
// ordered entries of the folder on view, the ancestor slots, the view state
// of both modes, the full-screen paint buffer, the button icons and the
// table of on-screen buttons.
//
// Files: Model.cpp (construction, entry order, view state), Workers.cpp
// (lock and worker threads), Navigation.cpp (SetPath, scanning, loader,
// trail, GoUp), MemoryGuard.cpp (EnsureFreeMemory, ReleaseFarIcons),
// Paint.cpp (browse frame, buttons, panel, pop-up, curve drag, hit tests),
// Steps.cpp (steps, quarter turns, menus and overlays, button taps,
// Refresh), View.cpp (picture view frame, zoom, pan, open and close),
// Commands.cpp (the menu commands and bookmarks), Operations.cpp (delete,
// rotate, crop).
//
// The lock is not re-entrant. Every operation below that "takes the lock"
// must be called without it; those that say "caller holds the lock" must
// be called with it.
//
// Threads: the interface thread, the scanner (DoProcess, priority 5) and the
// loader (IconProcess, priority 6). The browser lock (Pause) guards Pic,
// Capacity and the view state; Count, Current, Shown, StepDir, Mode and
// Flags are atomic because the workers read them as single words.
//
// Entry lifetime: an entry leaves the browser only through DestroyEntry,
// called with the browser lock held after the entry has left Pic. The
// loader picks the entry it works on while holding the lock and publishes
// it (loaderEntry_); DestroyEntry leaves an entry the loader holds to the
// loader, which frees it when it lets go. So no entry is freed while a
// worker uses it, and nobody waits for a worker to let go.
#pragma once

#include <atomic>
#include <cstdint>

#include "picture/Picture.h"
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
    // Destroys an entry that has left Pic (removed, or replaced by a new
    // one) and counts a change of the list. Caller holds the browser lock.
    // Never waits: an entry the loader works on is freed by the loader.
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
    // Process") and joins them. A worker that outlives the bound (stuck in
    // a hung file system) is left running, never waited for again.
    void StopWorkers();
    // True once a worker outlived its stop: the browser, its entries and
    // the pool must then outlive it too (the shut-down leaks them).
    bool WorkersStuck() const { return stuck_; }

    // ---- navigation and scanning (Navigation.cpp)
    // Switches to folder (interface thread): stops the workers, rebuilds
    // the trail, empties the list, puts keep (a full path, if not empty) in
    // focus as an entry of keepKind, starts a new scanner and loader. A
    // trailing '/' is dropped. A folder of 512 units or more is refused:
    // false, nothing changes.
    bool SetPath(const char16_t* folder, const char16_t* keep, int keepKind = KIND_FOLDER);
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
    // free slot; keep is spared. Each slot given back counts a change of
    // the list.
    bool ReleaseFarIcons(int keep);

    // ---- browse painting (Paint.cpp)
    // One paint step of browse mode: composes and shows a frame, eases the
    // curve toward Shown and asks for the next frame while it moves (takes
    // the lock).
    void BrowseFrame();
    // Composes a browse frame into PaintFull: ancestors, curve, bar, thumb,
    // name, counter, buttons and the bookmark panel. highlight is the entry
    // being opened, or -1. Caller holds the lock.
    void DrawBrowse(int highlight);
    // Lays out and draws the arrows (withArrows) and the open menu,
    // recording every button on screen. Caller holds the lock.
    void DrawButtons(bool withArrows);
    // Records one button (at most 30) and draws its icon.
    void AddButton(int left, int top, int right, int bottom, int row);
    // The bookmark labels while the panel is out.
    void DrawBookmarkPanel();
    // The three-choice rotation pop-up while it is out. Caller holds the lock.
    void DrawPopup();
    // Redraws PaintInfo (position and name); caller holds the lock.
    void PaintInfoLine();
    // One easing step of the curve: 15 degrees toward target, or onto it
    // within 16. False when already there.
    static bool TurnStep(int* turn, int target);
    // Turns the curve by a horizontal pen movement (a fraction of the
    // screen width); takes the lock.
    void DragTrack(float fraction);
    // The pen let go of the curve: it settles on the nearest entry.
    void EndDrag();
    // The entry whose icon was last drawn under (x, y), nearest first; -1
    // when none or while an overlay is up. Takes the lock.
    int HitEntry(int x, int y);
    // The ancestor slot under (x, y), or -1. No lock (interface thread).
    int HitBack(int x, int y);

    // ---- steps and overlays (Steps.cpp); each takes the lock
    // Flips to the next (forward) or previous entry; a refused step shows
    // the refusal image for 500 ms and changes nothing.
    void StepPicture(bool forward);
    // Makes index the picture being decoded (caller holds the lock).
    void FocusPicture(int index);
    // Turns the shown picture a quarter turn (+90 when positive).
    void RotateView(bool positive);
    // Opens the menu at that row of MenuTable; -1 closes whatever is up.
    void ShowMenu(int row);
    // Slides the rotation pop-up (picture view) in or out.
    void ShowPopup(bool show);
    // Slides the bookmark panel (browse mode) in or out.
    void ShowPanel(bool show);
    // A menu, the pop-up or the bookmark panel is on screen.
    bool PanelUp() const;
    // A tap on the on-screen buttons, the pop-up or a bookmark label; true
    // when the tap was used (not to be taken as a gesture).
    bool HitButtons(int x, int y);
    // The pop-up's choice at (x, y): 1 (upper half), 3 (lower left) or 2
    // (lower right) quarter turns.
    static int PopupChoice(int x, int y);
    // The paint handler: one paint step of the current mode, or the last
    // frame again while the window is not shown.
    void Refresh();

    // ---- picture view (View.cpp)
    // One paint step of the picture view, easing the zoom (takes the lock).
    void ViewFrame();
    // Composes the picture view into PaintFull, clamping the pan first.
    // Caller holds the lock; Selected() < Count.
    void DrawView();
    // One easing step of the zoom toward target; false when already there.
    static bool ZoomStep(float* zoom, float target);
    // Pen zoom: delta > 0 shrinks toward the fitted size, < 0 magnifies.
    void ZoomBy(float delta);
    // Pen pan by fractions of the screen width.
    void PanBy(float dx, float dy);
    // Opens the entry at index (a picture full screen, a folder as the new
    // folder on view) or closes the picture view (open false), animated.
    void OpenView(bool open, int index);
    // Turns the curve by whole entries (the mouse wheel in browse mode).
    void TurnBy(int entries);

    // ---- menu commands and bookmarks (Commands.cpp); each takes the lock
    // Runs the command a button posted (41001..42006); false when unknown.
    bool RunCommand(int command, int parameter);
    // Puts the folder on view into the first free bookmark slot (nothing
    // when all four are used) and marks it; the panel slides out and in.
    void AddBookmark();
    // The remove mode (the "bm_rem" toggle) on or off; redraws.
    void ToggleRemoveMode();
    // A tap on a bookmark label: in remove mode the slot is emptied, every
    // folder entry re-marked and the mode switched off; otherwise the
    // browser goes to the slot's folder and the panel closes.
    void SelectBookmark(int slot);

    // ---- operations on files (Operations.cpp), interface thread; each
    // takes the lock itself and never holds it while a box is up.
    // Deletes the selected entry (a file, or a folder with everything in
    // it) after "Want to remove<path>?" is answered Yes. The picture view
    // first steps forward, else back onto a picture; with nowhere to go it
    // closes once the entry is gone. The entry leaves through DestroyEntry.
    void DeleteEntry();
    // The rotation pop-up's choice: 1 a quarter turn clockwise, 2 a half
    // turn, 3 counter-clockwise (0 only hides the pop-up). Rewrites the
    // picture's file in place (never losing it on a failure, which is
    // reported), replaces its entry and leaves the picture view.
    void ProcessRotation(int quarters);
    // Crops the shown picture to what the screen shows into a new file
    // beside it, after confirmation; upright 1 asks for a portrait (or
    // square) result, 0 for a landscape one. A view showing area outside
    // the picture is refused with a box and zoomed in to fill the screen.
    // Leaves the picture view with the new picture in focus.
    void ProcessCrop(int upright);

    PictureMgr_t(const PictureMgr_t&) = delete;
    PictureMgr_t& operator=(const PictureMgr_t&) = delete;

private:
    plat::Thread* scanThread_ = nullptr;
    plat::Thread* loaderThread_ = nullptr;
    // The entry the loader is making a thumbnail for, outside the lock;
    // the low bit set once DestroyEntry has left it to the loader.
    std::atomic<Picture_t*> loaderEntry_{nullptr};
    // Threads waiting in Pause(true) (the interface thread): the scanner
    // pauses while there are any.
    std::atomic<int> lockWaiters_{0};
    // Changes of the list that may undo the loader's work behind its front:
    // an entry removed or replaced, a thumbnail given back. Bumped under the
    // lock; the loader walks again from the focus when it moved. Entries
    // added only push the front out (the loader re-anchors on the count
    // once the first neighbours are done).
    std::atomic<uint32_t> listGeneration_{0};
    uint32_t infoDrawn_ = 0;  // when AddEntry last drew the info line (lock)
    // A worker that did not stop within the bound: it may still use the
    // browser, so the browser is never freed (WorkersStuck).
    bool stuck_ = false;
    // The loader's end of work on loaderEntry_: frees it when orphaned.
    void LetGoOfEntry();

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
    // Runs one 250 ms animation: frame(elapsed) sets the state for the
    // elapsed milliseconds (the last call gets exactly 250), then the frame
    // of the current mode is composed and shown. Caller holds the lock.
    template <class Frame>
    void Animate(Frame frame);
    // Composes the current mode's whole screen into PaintFull.
    void DrawMode();
    // Slides the pop-up or the panel (slide) in or out with its short menu
    // (menuRow); takes the lock.
    void SlideIn(float* slide, int menuRow, bool show);
    // The index of entry in Pic, or -1 (caller holds the lock).
    int IndexOf(const Picture_t* entry) const;
    // The index of the entry with exactly that path, or -1 (lock held).
    int IndexOfPath(const char16_t* path) const;

public:
    // The index of the entry for path, or -1 (takes the lock).
    int FindEntry(const char16_t* path);
};

// A JPEG by name, as the scanner lists it: longer than ".jpg" / ".jpeg"
// and ending in it, in any case.
bool IsJpegName(const char16_t* name);

// A thread that asks for the browser lock while it already holds it, or
// releases it without holding it, has a bug (the lock is not re-entrant).
// The hook, when set, is told; a nested request then carries on as the
// holder instead of waiting out the bound.
extern std::atomic<void (*)()> NestedLockHook;

// The browser; made by start-up, null before and after.
extern PictureMgr_t* TheBrowser;
