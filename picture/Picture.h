// Picture_t: one entry of the browser — a sub-folder, a picture file, or
// one of the three skin icons. It owns the entry's identity (path, name,
// file size and time), its thumbnail slot (lent by IconPool), its decoded
// picture (an arena of row blocks fitted to MaxPicPixel), the corners where
// it was last drawn, and the background loader thread of its picture.
//
// Threads: the interface thread, the browser's scanner and loader, and one
// loader thread per running Load. The flag word is the hand-shake; every
// change is one atomic read-modify-write. ICON_LOADING is the entry lock
// (Pause): held around thumbnail loading, around reading the decoded
// pixels, and by the loader while it writes one row, so that a stop or a
// release never frees what someone is reading. Every wait polls with 1 ms
// sleeps against a 200,000 ms bound, then reports and carries on.
//
// Files: Picture.cpp (identity, sizes, fit), PictureLoad.cpp (bitmap,
// loading, loader thread, locks), PictureIcon.cpp (slots, thumbnails),
// ThumbnailCache.cpp (LoadIcon, SaveIcon), CacheNames.cpp (cache file
// names), CacheScan.cpp (scan thread), render/EntryDrawing.cpp (drawing).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Platform.h"
#include "render/MapQuad.h"

class Img_t;
class Jpeg_t;
class PaintBuffer_t;
struct PictureHeap;
struct LoaderRun;

// Bits of an entry's flag word.
enum : int {
    PIC_LOADING = 0x1,        // LoadImg: rows are being decoded
    PIC_LOADED = 0x2,         // the decoded picture is complete (or a placeholder)
    PIC_STOP = 0x10,          // Unload asks the loader to stop
    ICON_READY = 0x40,        // the slot holds a finished thumbnail
    ICON_LOADING = 0x80,      // the entry lock (Pause)
    WANT_PICTURE = 0x100,     // the full picture is on view: repaint while it loads
    WANT_ICON = 0x200,        // on view in browse mode: repaint when it finishes
    NO_CACHE = 0x400,         // skin entry: never read or written to the cache
    PIC_HIPRIORITY = 0x1000,  // the loader does not yield every 16 rows
    ICON_FOR_LOADING = 0x2000,// a thumbnail is being made from the picture
    ICON_CACHED = 0x4000,     // a valid cached thumbnail exists
};

// Entry kinds.
enum : int { KIND_PICTURE = 0, KIND_FOLDER = 1 };

class Picture_t {
public:
    // ---- construction
    // Flags 0, key colour -1, no rows, slot, bitmap, label or thread, both
    // corner sets -1, bookmark index -1, size and time 0, SetSize(0, 0).
    explicit Picture_t(int kind);
    // Release (stops and joins the loader), FreeIcon, destroys the label.
    // Waits for a thumbnail being made (ICON_FOR_LOADING) to finish. A
    // loader that outlives the bound (stuck in a read of a hung file
    // system) is left running with the arena it reads into, never freed
    // under it: the thread frees it should the read return.
    virtual ~Picture_t();

    // ---- identity
    // Path = display name = path (at most 511 units); CheckBookmark; the
    // display name becomes the last '/' component cut at its last '.'.
    void SetFileName(const char16_t* path);
    // Only the path (the browser's trail slots set their names themselves).
    void SetPath(const char16_t* path);
    void SetDisplayName(const char16_t* name);
    const char16_t* Path() const { return path_; }
    const char16_t* Name() const { return name_; }
    // Bookmark index = the first bookmark slot (non-null, not empty) whose
    // folder equals the path ignoring case; -1 for pictures and otherwise.
    void CheckBookmark();
    int BookmarkIndex() const { return bookmarkIndex_; }
    // From the folder listing; identify the version for the cache.
    void SetFileInfo(uint32_t size, plat::FileTime time) { fileSize_ = size; fileTime_ = time; }
    uint32_t FileSize() const { return fileSize_; }
    plat::FileTime FileTime() const { return fileTime_; }
    int Kind() const { return kind_; }
    void SetKind(int kind) { kind_ = kind; }
    // -1 none, else a pixel value: decoded pixels equal to it get bit 5.
    void SetKeyColour(int32_t key) { keyColour_ = key; }
    int32_t KeyColour() const { return keyColour_; }

    // ---- flags (atomic read-modify-write of the whole word)
    int Flags() const { return flags_.load(); }
    bool HasFlags(int bits) const { return (flags_.load() & bits) != 0; }
    void SetFlags(int bits) { flags_.fetch_or(bits); }
    void ClearFlags(int bits) { flags_.fetch_and(~bits); }

    // ---- decoded picture sizes (readable from any thread)
    int Width() const { return width_.load(std::memory_order_relaxed); }
    int Height() const { return height_.load(std::memory_order_relaxed); }
    int RowBytes() const { return rowBytes_.load(std::memory_order_relaxed); }
    int Width64() const { return width64_.load(std::memory_order_relaxed); }
    int Height64() const { return height64_.load(std::memory_order_relaxed); }
    int DecodedWidth() const { return decodedWidth_.load(std::memory_order_relaxed); }
    int DecodedHeight() const { return decodedHeight_.load(std::memory_order_relaxed); }
    int SourceWidth() const { return sourceWidth_.load(std::memory_order_relaxed); }
    int SourceHeight() const { return sourceHeight_.load(std::memory_order_relaxed); }
    int Scale() const { return scale_.load(std::memory_order_relaxed); }  // 2.14
    uint32_t MemoryHeld() const { return memoryHeld_.load(std::memory_order_relaxed); }
    bool HasBitmap() const { return heap_.load() != nullptr; }
    // The decoded rows (Height() rows of Width() pixels); read them only
    // while holding the entry lock. Null when no bitmap exists.
    uint16_t** Rows() const { return rows_.load(); }
    // The rows with the sizes they were made for, read together (the
    // atomic sizes may already describe a bitmap that replaces them).
    // Caller holds the entry lock. False when no bitmap exists.
    bool Bitmap(uint16_t*** rows, int* width, int* height) const;

    // ---- sizes and fit
    // scale = FitScale(w, h, MaxPicPixel) x 16384 (truncated); decoded =
    // source = w x h; stored = (w, h) x scale >> 14; row bytes, width64,
    // height64; memory held 0. Caller holds the entry lock (or owns the
    // entry alone).
    void SetSize(int w, int h);
    // Zoom (1/64 source pixels per screen pixel) at which the picture turned
    // by the angle just fits the screen, the larger-to-smaller ratio of the
    // two fits, and whether the height decides. Angles in whole degrees,
    // reduced into 0..359. Computed from the stored size when asked (the
    // same single-precision formula a table would hold); 0 when width is 0.
    float FitZoom(int angle) const;
    float FitRatio(int angle) const;
    int FitByHeight(int angle) const;
    // ScreenWidth / width x 0.5.
    float MinZoom() const;

    // ---- decoded picture memory
    // Creates the arena when there is none (or when the one there was made
    // for other sizes): row buffer, row table, rows in ~16 KB blocks, every
    // pixel 0x2104. Block failure is fatal (".Picture_t.Alloc:BmpMap").
    // A replaced arena is retired, not freed: a painter may hold it.
    void Alloc();
    // Frees the whole arena at once, and any retired one; rows null,
    // memory held 0. Caller holds the entry lock (or owns the entry alone).
    void FreeBitmap();
    // The 10 x 10 dark grey placeholder of a file that does not open:
    // PIC_LOADED set, PIC_LOADING clear; posts a paint when on view.
    void SetBroken();

    // ---- loading
    // Synchronous load in the calling thread. Folder: size 100 x 100 and
    // PIC_LOADED. Picture: LoadImg through AllocImg_t (a name the factory
    // refuses leaves the entry unloaded). headerOnly: sizes only (or the
    // placeholder when the file does not open).
    void LoadNow(bool headerOnly);
    // 1 when the file did not open (after SetBroken), else 0. Stops early,
    // keeping the rows so far, when PIC_STOP is set; a row error ends the
    // picture as loaded. Posts a paint every 330 ms while WANT_PICTURE.
    // run: the loader thread's (else null); -1 when the entry left while
    // the decoder read.
    int LoadImg(Img_t* decoder, bool headerOnly, LoaderRun* run = nullptr);
    // Background load on a thread of its own (priority 4). Nothing when
    // loading or loaded; folders only get PIC_LOADED. Joins the previous
    // loader first; nothing when that one is stuck (it loads on, should
    // its read return). hiPriority: every other loader waits for this one.
    void Load(bool hiPriority);
    // Stops a running loader (raised to priority 3) and waits until it has
    // left its row loop. freeBitmap: also PIC_LOADED clear and the bitmap
    // freed; otherwise the partial rows stay for a later Load. A loader
    // stuck past the bound keeps its rows and the flags (PIC_STOP set).
    void Unload(bool freeBitmap);
    void Release() { Unload(true); }
    // The entry lock. on: waits (bounded, ".Picture_t.Pause") until
    // ICON_LOADING is clear and sets it in one atomic step. off: clears it.
    void Pause(bool on);
    // Called before every row of every row loop: waits while another entry
    // has priority (until PIC_STOP or the bound); a background loader
    // yields the processor once every 16 rows.
    void WaitHiPriority(int row);
    // on: PIC_HIPRIORITY set and this the high-priority entry; off:
    // PIC_HIPRIORITY clear and, if it was this entry, no entry has priority.
    void SetHiPriority(bool on);
    static Picture_t* HiPriorityEntry();

    // ---- thumbnail slot
    // Takes a slot from IconPool when the entry holds none (race-free: two
    // threads never both keep one).
    void AllocIcon();
    // Gives the slot back and clears ICON_READY; waits for ICON_FOR_LOADING
    // to clear, then takes the entry lock around the return (and waits
    // again for a maker that started while it waited for the lock).
    void FreeIcon();
    uint16_t** IconRows() const { return iconRows_.load(); }
    bool HasIcon() const { return iconRows_.load() != nullptr; }
    // Thumbnail from the decoded picture, proportions kept, centred; the
    // margins keep the slot's transparency mark. Does not set ICON_READY.
    // Nothing while ICON_FOR_LOADING is set.
    void MakeIconFromPicture();
    // Thumbnail picture size and place inside the slot.
    int IconWidth() const { return iconWidth_; }
    int IconHeight() const { return iconHeight_; }
    int IconX() const { return iconX_; }
    int IconY() const { return iconY_; }

    // ---- thumbnail cache (ThumbnailCache.cpp, PictureIcon.cpp)
    // 1 when a valid cached thumbnail exists now (loaded into a slot, or
    // with far only confirmed, without a slot); 0 otherwise. An invalid or
    // damaged cache entry (other version, unreadable JPEG, geometry that
    // does not fit the slot) is deleted and ICON_CACHED cleared, so that
    // the thumbnail is made again. Without a pool (IconPool null) a valid
    // cache is only confirmed, as when far, but the result is 0. Reads the
    // picture's header (when no sizes are known) only for a valid cache.
    int LoadIcon(bool far);
    // Makes the thumbnail from the picture file (budget IconSize^2) and
    // saves it; a file that does not open becomes the placeholder. The same
    // open gives the entry its header sizes when none are known. Nothing
    // once a thumbnail is ready, including one a LoadIcon running at the
    // same time finishes, and nothing without a pool.
    void LoadForIcon();
    // Writes the thumbnail and its 20-byte side file into the cache; the
    // JPEG goes to a temporary name renamed only when complete. Sets
    // ICON_READY always, ICON_CACHED only when both files were written.
    void SaveIcon();

    // ---- screen
    // Inside the icon corners' rectangle (TL.x <= x <= BR.x, TL.y <= y <= BR.y).
    bool HitIcon(int x, int y) const;
    // Hands the file to the mail composer; its result.
    int SendByMail() const;

    // The entry's name label: owned; SetLabel destroys the old one. Made,
    // read and replaced on the interface thread only: DrawWheelItem renders
    // it the first time the entry is drawn without a thumbnail, and drops
    // a picture's label once its thumbnail is ready. The worker threads
    // never touch it, so a label is never freed while drawn.
    PaintBuffer_t* Label() const { return label_; }
    void SetLabel(PaintBuffer_t* label);

    // Corner 0 bottom-left, 1 bottom-right, 2 top-left, 3 top-right; all -1
    // when not on screen. Written by the drawing, read by hit tests, crop.
    QuadCorner iconCorners[4];
    QuadCorner viewCorners[4];

    Picture_t(const Picture_t&) = delete;
    Picture_t& operator=(const Picture_t&) = delete;

private:
    friend int PictureLoaderThread(void* arg);
    // Joins the loader once it has ended (bounded wait, entry lock held);
    // false, leaving it running, when it is stuck.
    bool JoinLoader(const char16_t* what);
    // The destructor's end for a stuck loader: detached once inside its
    // read, with the arenas; joined should it end first.
    void LeaveLoader();
    // LoadNow on the loader thread: false when the entry left meanwhile.
    bool LoadOn(LoaderRun* run, bool headerOnly);
    // FreeIcon for a caller that already holds the entry lock.
    void FreeIconHeld();
    // Row lock of the loader: false when PIC_STOP arrived while waiting.
    bool LockForRow();
    // Fills the slot from the opened thumbnail file; 1 done, 0 damaged.
    int ReadIconFile(Jpeg_t* reader);
    void DeleteCacheFiles(const char16_t* iconName, const char16_t* sideName);
    void PostPaintIfWanted(int bits);
    // One atomic step: clear some bits and set others.
    void ChangeFlags(int clear, int set);
    // Gives back the path and name blocks (the destructor).
    void FreeTexts();

    uint32_t fileSize_ = 0;
    plat::FileTime fileTime_ = 0;
    int32_t keyColour_ = -1;
    std::atomic<int> flags_{0};
    std::atomic<int> height_{0}, width_{0}, rowBytes_{0}, width64_{0}, height64_{0};
    std::atomic<int> decodedWidth_{0}, decodedHeight_{0};
    std::atomic<int> sourceWidth_{0}, sourceHeight_{0};
    std::atomic<uint16_t**> rows_{nullptr};
    std::atomic<uint16_t**> iconRows_{nullptr};
    uint8_t* rowBuffer_ = nullptr;  // (decoded width + 4) x 4 bytes, in the arena
    std::atomic<PictureHeap*> heap_{nullptr};
    std::atomic<PictureHeap*> retired_{nullptr};  // replaced arenas, freed by FreeBitmap
    std::atomic<int> scale_{16384};
    int kind_ = KIND_PICTURE;
    std::atomic<uint32_t> memoryHeld_{0};
    int bookmarkIndex_ = -1;
    int iconWidth_ = 0, iconHeight_ = 0, iconX_ = 0, iconY_ = 0;
    // icon corners, view corners: public above
    plat::Thread* loader_ = nullptr;  // guarded by the entry lock
    std::atomic<bool> loaderEnded_{true};  // the loader routine has returned
    bool loaderStuck_ = false;  // outlived a bounded wait; guarded by the entry lock
    LoaderRun* run_ = nullptr;  // the loader's, until joined; guarded by the entry lock
    // Path and display name, each in a block of its own length (at most
    // 511 units): a folder of 50,000 entries would otherwise hold 100 MB of
    // empty name buffers. A block is replaced only when a longer text comes.
    char16_t* path_;
    char16_t* name_;
    int pathCapacity_ = 0, nameCapacity_ = 0;  // 0: the shared empty text
    PaintBuffer_t* label_ = nullptr;
};

// The loader thread's entry: LoadNow(false) of the entry, then gives up
// priority and clears PIC_STOP.
int PictureLoaderThread(void* arg);

// How long the interface thread waits for an entry's loader (to start, to
// leave its row loop, to end) before taking it for stuck: kWaitLimitMs.
// Tests shorten it.
extern std::atomic<uint32_t> LoaderWaitLimitMs;
// When set, LoadNow reads through the decoder it makes for the path instead
// of AllocImg_t's: tests stand in a read that never returns.
extern std::atomic<Img_t* (*)(const char16_t* path)> LoadDecoderHook;

// The skin's picture, folder and bookmarked-folder icons (kind 0, 1, 1,
// NO_CACHE, key magenta); made by start-up, null before.
extern Picture_t* SkinImage;
extern Picture_t* SkinFolder;
extern Picture_t* SkinFolderBm;
