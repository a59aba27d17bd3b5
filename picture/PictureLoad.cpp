// Picture_t: the decoded picture's memory, loading (synchronous and on the
// entry's own loader thread), the entry lock and the priority hand-shake.
#include <cstdlib>
#include <new>

#include "app/Globals.h"
#include "codec/Img.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"
#include "settings/Config.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

// The arena of one decoded picture: blocks of rows freed together, and the
// sizes it was made for (a later load of a changed file must not reuse it).
struct PictureHeap {
    struct Block {
        Block* next;
    };
    Block* blocks = nullptr;
    int width = 0, height = 0, decodedWidth = 0;
    uint16_t** rows = nullptr;
    PictureHeap* nextRetired = nullptr;

    void* Take(uint64_t bytes) {
        // The block header keeps the rows 8-byte aligned behind it.
        if (bytes > SIZE_MAX - sizeof(Block)) return nullptr;
        Block* b = (Block*)std::malloc(sizeof(Block) + (size_t)bytes);
        if (!b) return nullptr;
        b->next = blocks;
        blocks = b;
        return b + 1;
    }
    ~PictureHeap() {
        while (blocks) {
            Block* next = blocks->next;
            std::free(blocks);
            blocks = next;
        }
    }
};

static std::atomic<Picture_t*> hiPriorityEntry{nullptr};

constexpr uint32_t kProgressMs = 330;
constexpr int kRowBlockBytes = 16384;
// A decoded picture never needs more: memory held is a 32-bit count.
constexpr uint64_t kMaxBitmapBytes = uint64_t(1) << 31;
constexpr uint16_t kFillPixel = 0x2104;  // dark grey: red 4, green 8, blue 4

std::atomic<uint32_t> LoaderWaitLimitMs{kWaitLimitMs};
std::atomic<Img_t* (*)(const char16_t*)> LoadDecoderHook{nullptr};

// One run of an entry's loader thread, shared by the two. Inside a decoder
// call (a read that may hang) the thread touches nothing of the entry but
// the arena it reads into; an entry destroyed meanwhile leaves it that
// arena and goes. The thread frees the arena and the run when the read
// returns; otherwise the entry frees the run after the join.
struct LoaderRun {
    enum : int { BUSY, IN_READ, LEAVING, LEFT };
    Picture_t* entry;
    std::atomic<int> state{BUSY};
    PictureHeap* arenas = nullptr;  // handed over with LEFT
};

static void FreeArenas(PictureHeap* heap) {
    while (heap) {
        PictureHeap* next = heap->nextRetired;
        delete heap;
        heap = next;
    }
}

static void EnterRead(LoaderRun* run) {
    if (run) run->state.store(LoaderRun::IN_READ);
}

// False when the entry has left while the thread was in the read: then the
// arenas are the thread's to free, and the entry is gone.
static bool LeaveRead(LoaderRun* run) {
    int expected = LoaderRun::IN_READ;
    if (!run || run->state.compare_exchange_strong(expected, LoaderRun::BUSY)) return true;
    while (run->state.load() != LoaderRun::LEFT) plat::Sleep(1);  // the hand-over is under way
    return false;
}

// WaitFor with the loader's bound. A loader found stuck once is only looked
// at afterwards: every later wait would freeze the interface again.
template <typename Test>
static bool WaitForLoader(bool* stuck, Test test, const char16_t* what) {
    if (*stuck) return test();
    uint32_t deadline = plat::TickCount() + LoaderWaitLimitMs.load();
    while (!test()) {
        if (plat::TickAfter(plat::TickCount(), deadline)) {
            *stuck = true;
            ReportSyncError(what);
            return false;
        }
        plat::Sleep(1);
    }
    return true;
}

Picture_t::~Picture_t() {
    Release();
    // The loader has left its row loop; wait for the rest of its routine.
    Pause(true);
    if (!JoinLoader(u".~Picture_t")) LeaveLoader();
    FreeBitmap();  // whatever the loader made after Release, retired arenas too
    Pause(false);
    // A thumbnail being made (even before it took a slot) uses the entry.
    WaitFor([this] { return !HasFlags(ICON_FOR_LOADING); }, u".~Picture_t.ICON_FOR_LOADING");
    FreeIcon();
    Picture_t* self = this;
    hiPriorityEntry.compare_exchange_strong(self, nullptr);
    delete label_;
    FreeTexts();
}

bool Picture_t::JoinLoader(const char16_t* what) {
    if (!loader_) return true;
    if (!WaitForLoader(&loaderStuck_, [this] { return loaderEnded_.load(); }, what)) return false;
    plat::JoinThread(loader_);
    loader_ = nullptr;
    delete run_;
    run_ = nullptr;
    loaderStuck_ = false;
    return true;
}

void Picture_t::LeaveLoader() {
    // Joining a loader stuck in a read of a hung file system would freeze
    // the interface for good. Outside its reads it only waits within
    // bounds and stops at PIC_STOP: it is soon back in a read, or gone.
    SetFlags(PIC_STOP);
    int expected = LoaderRun::IN_READ;
    WaitFor([&] {
        expected = LoaderRun::IN_READ;
        return loaderEnded_.load() || run_->state.compare_exchange_strong(expected, LoaderRun::LEAVING);
    }, u".~Picture_t");
    if (run_->state.load() != LoaderRun::LEAVING) {
        plat::JoinThread(loader_);
        delete run_;
    } else {
        // The arena it reads into goes with it; the run is its to free.
        PictureHeap* arenas = heap_.exchange(nullptr);
        PictureHeap* retired = retired_.exchange(nullptr);
        if (arenas) arenas->nextRetired = retired;
        else arenas = retired;
        run_->arenas = arenas;
        run_->state.store(LoaderRun::LEFT);
        plat::DetachThread(loader_);
    }
    loader_ = nullptr;
    run_ = nullptr;
}

void Picture_t::ChangeFlags(int clear, int set) {
    int old = flags_.load();
    while (!flags_.compare_exchange_weak(old, (old & ~clear) | set)) {
    }
}

void Picture_t::PostPaintIfWanted(int bits) {
    if (HasFlags(bits)) plat::PostMessage(plat::MSG_PAINT);
}

// ------------------------------------------------------------------ memory

void Picture_t::Alloc() {
    int width = Width(), height = Height(), decodedWidth = DecodedWidth();
    PictureHeap* old = heap_.load();
    // Made for these sizes: reuse it (a stopped load goes on in it).
    if (old && old->width == width && old->height == height && old->decodedWidth == decodedWidth) return;
    int rowBytes = RowBytes();
    uint64_t bitmapBytes = (uint64_t)height * (uint64_t)rowBytes;
    uint64_t bufferBytes = ((uint64_t)decodedWidth + 4) * 4;
    uint64_t tableBytes = (uint64_t)height * sizeof(uint16_t*);
    if (bitmapBytes + bufferBytes + tableBytes > kMaxBitmapBytes)
        ReportOutOfMemory(u".Picture_t.Alloc:BmpMap", bitmapBytes + bufferBytes + tableBytes);

    PictureHeap* heap = new (std::nothrow) PictureHeap;
    if (!heap) ReportOutOfMemory(u".Picture_t.Alloc:BmpMap", sizeof(PictureHeap));
    heap->width = width;
    heap->height = height;
    heap->decodedWidth = decodedWidth;
    uint8_t* buffer = (uint8_t*)heap->Take(bufferBytes);
    if (!buffer) ReportOutOfMemory(u".Picture_t.Alloc:BmpMap", bufferBytes);
    uint16_t** rows = (uint16_t**)heap->Take(tableBytes);
    if (!rows) ReportOutOfMemory(u".Picture_t.Alloc:BmpMap", tableBytes);

    int perBlock = rowBytes > 0 ? kRowBlockBytes / rowBytes : 1;
    if (perBlock < 1) perBlock = 1;
    for (int y = 0; y < height;) {
        int n = height - y < perBlock ? height - y : perBlock;
        uint64_t blockBytes = (uint64_t)n * rowBytes;
        uint8_t* block = (uint8_t*)heap->Take(blockBytes);
        if (!block) ReportOutOfMemoryAt(u".Picture_t.Alloc:BmpMap", blockBytes, height - y);
        for (int i = 0; i < n; i++, y++) {
            uint16_t* row = (uint16_t*)(block + (size_t)i * rowBytes);
            rows[y] = row;
            for (int x = 0; x < width; x++) row[x] = kFillPixel;
        }
    }
    heap->rows = rows;
    rowBuffer_ = buffer;
    rows_.store(rows);
    // The file changed since the old arena was made; the interface thread
    // may be drawing from it under the entry lock, which this thread need
    // not hold, so it waits for FreeBitmap (always under the lock).
    old = heap_.exchange(heap);
    if (old) {
        old->nextRetired = retired_.load();
        while (!retired_.compare_exchange_weak(old->nextRetired, old)) {
        }
    }
    memoryHeld_.store((uint32_t)((uint64_t)height * (rowBytes + 4) + (uint64_t)decodedWidth * 4 + 16),
                      std::memory_order_relaxed);
}

void Picture_t::FreeBitmap() {
    PictureHeap* heap = heap_.exchange(nullptr);
    rows_.store(nullptr);
    rowBuffer_ = nullptr;
    memoryHeld_.store(0, std::memory_order_relaxed);
    delete heap;
    FreeArenas(retired_.exchange(nullptr));
}

bool Picture_t::Bitmap(uint16_t*** rows, int* width, int* height) const {
    PictureHeap* heap = heap_.load();
    if (!heap || !heap->rows) return false;
    *rows = heap->rows;
    *width = heap->width;
    *height = heap->height;
    return true;
}

void Picture_t::SetBroken() {
    SetSize(10, 10);
    Alloc();
    PostPaintIfWanted(WANT_PICTURE | WANT_ICON);
    ChangeFlags(PIC_LOADING, PIC_LOADED);
}

// ------------------------------------------------------------------ loading

void Picture_t::LoadNow(bool headerOnly) { LoadOn(nullptr, headerOnly); }

bool Picture_t::LoadOn(LoaderRun* run, bool headerOnly) {
    if (kind_ == KIND_FOLDER) {
        SetSize(100, 100);
        SetFlags(PIC_LOADED);
        return true;
    }
    Img_t* (*hook)(const char16_t*) = LoadDecoderHook.load();
    Img_t* decoder = hook ? hook(path_) : AllocImg_t(path_);
    if (!decoder) return true;
    bool stayed = LoadImg(decoder, headerOnly, run) >= 0;
    delete decoder;
    return stayed;
}

// Maps the thumbnail over the whole bitmap as a preview until rows arrive.
static void DrawPreview(uint16_t** icon, uint16_t** rows, int width, int height) {
    int d = width > height ? width : height;
    int e64 = IconSize * 64;
    int left = (width - d) / 2, right = (width + d) / 2;
    int top = (height - d) / 2, bottom = (height + d) / 2;
    QuadCorner tl{left, top, 0, 0}, tr{right, top, e64, 0};
    QuadCorner bl{left, bottom, 0, e64}, br{right, bottom, e64, e64};
    MapQuad(tl, bl, tr, br, icon, IconSize, IconSize, rows, width, height);
}

bool Picture_t::LockForRow() {
    uint32_t deadline = plat::TickCount() + kWaitLimitMs;
    for (int tries = 0;; tries++) {
        if (!(flags_.fetch_or(ICON_LOADING) & ICON_LOADING)) return true;
        if (HasFlags(PIC_STOP)) return false;
        if (plat::TickAfter(plat::TickCount(), deadline)) {
            ReportSyncError(u".Picture_t.Pause");
            return true;
        }
        // A painter holds the lock for one frame at most: yield first.
        if (tries < 32)
            plat::YieldProcessor();
        else
            plat::Sleep(1);
    }
}

int Picture_t::LoadImg(Img_t* decoder, bool headerOnly, LoaderRun* run) {
    decoder->Budget = MaxPicPixel;
    decoder->Rgb565 = 1;
    char16_t path[kPathUnits];
    CopyWide(path_, path, kPathUnits);
    EnterRead(run);
    int r = decoder->Open(path);
    if (!LeaveRead(run)) return -1;
    if (r <= 0) {
        SetBroken();
        return 1;
    }
    SetSize(decoder->OutWidth, decoder->OutHeight);
    sourceWidth_.store(decoder->SrcWidth, std::memory_order_relaxed);
    sourceHeight_.store(decoder->SrcHeight, std::memory_order_relaxed);
    if (headerOnly) return 0;

    Alloc();
    const int width = Width(), height = Height(), scale = Scale();
    const int decodedWidth = DecodedWidth(), decodedHeight = DecodedHeight();
    uint16_t** rows = Rows();
    uint8_t* buffer = rowBuffer_;
    uint16_t** icon = IconRows();
    if (HasFlags(ICON_READY) && icon && rows) DrawPreview(icon, rows, width, height);

    SetFlags(PIC_LOADING);
    plat::Sleep(2);

    int* map = new (std::nothrow) int[decodedWidth > 0 ? decodedWidth : 1];
    if (!map) ReportOutOfMemory(u".Picture_t.LoadImg:BufScl", (uint64_t)decodedWidth * sizeof(int));
    for (int i = 0; i < decodedWidth; i++) {
        int x = (int)(((int64_t)i * scale) >> 14);
        // A rounded-down width can fall one short of the last mapped column.
        map[i] = x < width ? x : width - 1;
    }

    const int32_t key = keyColour_;
    uint32_t deadline = plat::TickCount() + kProgressMs;
    for (int i = 0; i < decodedHeight; i++) {
        uint32_t now = plat::TickCount();
        if (plat::TickAfter(now, deadline)) {
            deadline = now + kProgressMs;
            PostPaintIfWanted(WANT_PICTURE);
        }
        WaitHiPriority(i);
        if (HasFlags(PIC_STOP)) {
            ClearFlags(PIC_LOADING);
            delete[] map;
            return 0;
        }
        EnterRead(run);
        int k = decoder->ReadRow565((uint16_t*)buffer);
        if (!LeaveRead(run)) {
            delete[] map;
            return -1;
        }
        if (k < 0) break;
        int y = (int)(((int64_t)k * scale) >> 14);
        if (y > height - 1) y = height - 1;
        if (y < 0 || width <= 0) continue;
        if (!LockForRow()) {
            ClearFlags(PIC_LOADING);
            delete[] map;
            return 0;
        }
        uint16_t* row = rows[y];
        // Without a key colour, a marked first pixel keeps a row of the
        // thumbnail preview's transparent margin as it is.
        if (!(key == -1 && (row[0] & 0x20))) {
            const uint16_t* src = (const uint16_t*)buffer;
            for (int j = 0; j < decodedWidth; j++) {
                uint16_t p = src[j];
                if ((int32_t)p == key) p |= 0x20;  // the key colour becomes transparent
                row[map[j]] = p;
            }
        }
        ClearFlags(ICON_LOADING);
    }
    delete[] map;
    PostPaintIfWanted(WANT_PICTURE | WANT_ICON);
    ChangeFlags(PIC_LOADING, PIC_LOADED);
    return 0;
}

int PictureLoaderThread(void* arg) {
    LoaderRun* run = (LoaderRun*)arg;
    Picture_t* p = run->entry;
    if (!p->LoadOn(run, false)) {  // the entry is gone
        FreeArenas(run->arenas);
        delete run;
        return 0;
    }
    Picture_t* self = p;
    hiPriorityEntry.compare_exchange_strong(self, nullptr);
    p->ClearFlags(PIC_STOP);
    p->loaderEnded_.store(true);
    return 0;
}

void Picture_t::Load(bool hiPriority) {
    if (kind_ == KIND_FOLDER) {
        SetFlags(PIC_LOADED);
        return;
    }
    if (HasFlags(PIC_LOADING | PIC_LOADED)) return;
    Pause(true);
    if (HasFlags(PIC_LOADING | PIC_LOADED)) {  // another thread was quicker
        Pause(false);
        return;
    }
    // A stopped loader's last steps. One stuck in a hung read still owns
    // the entry: it loads on, should the read return.
    if (!JoinLoader(u".Loading")) {
        Pause(false);
        return;
    }
    // Priority is given before the thread starts: set afterwards, it could
    // outlive a loader that has already finished and stall every other one.
    SetHiPriority(hiPriority);
    loaderEnded_.store(false);
    run_ = new (std::nothrow) LoaderRun{this};
    if (!run_) ReportOutOfMemory(u".Picture_t.Load:Run", sizeof(LoaderRun));
    loader_ = plat::StartThread(PictureLoaderThread, run_, 4);
    if (loader_) {
        // A name the factory refuses ends the thread without either flag.
        WaitForLoader(&loaderStuck_, [this] { return HasFlags(PIC_LOADING | PIC_LOADED) || loaderEnded_.load(); },
                      u".Loading");
        plat::SetThreadPriority(loader_, 4);
    } else {
        delete run_;
        run_ = nullptr;
        loaderEnded_.store(true);
        SetHiPriority(false);
    }
    Pause(false);
}

void Picture_t::Unload(bool freeBitmap) {
    Pause(true);
    if (HasFlags(PIC_LOADING | PIC_LOADED)) {
        SetFlags(PIC_STOP | PIC_HIPRIORITY);
        if (loader_) plat::SetThreadPriority(loader_, 3);
        // A loader stuck in a hung read keeps PIC_STOP: it leaves at its
        // next row, should the read return.
        bool left = WaitForLoader(&loaderStuck_, [this] { return !HasFlags(PIC_LOADING); }, u".Unload Kill");
        ClearFlags(left ? PIC_LOADING | PIC_STOP : PIC_LOADING);
        if (freeBitmap) ClearFlags(PIC_LOADED);
    }
    // Never under a stuck loader: it writes into the rows and the buffer.
    if (freeBitmap && !(loaderStuck_ && !loaderEnded_.load())) FreeBitmap();
    Pause(false);
}

// ------------------------------------------------------------------ locks

void Picture_t::Pause(bool on) {
    if (!on) {
        ClearFlags(ICON_LOADING);
        return;
    }
    WaitFor([this] { return !(flags_.fetch_or(ICON_LOADING) & ICON_LOADING); }, u".Picture_t.Pause");
}

void Picture_t::WaitHiPriority(int row) {
    uint32_t deadline = plat::TickCount() + kWaitLimitMs;
    for (;;) {
        Picture_t* hi = hiPriorityEntry.load();
        if (!hi || hi == this || HasFlags(PIC_STOP)) break;
        if (plat::TickAfter(plat::TickCount(), deadline)) {
            ReportSyncError(u".WaitHiPriority");
            break;
        }
        plat::Sleep(1);
    }
    if (HasFlags(PIC_STOP)) return;
    // The nice levels already keep the interface first; a sleep here would
    // double the time a thumbnail takes.
    if (!HasFlags(PIC_HIPRIORITY) && row % 16 == 0) plat::YieldProcessor();
}

void Picture_t::SetHiPriority(bool on) {
    if (on) {
        SetFlags(PIC_HIPRIORITY);
        hiPriorityEntry.store(this);
    } else {
        ClearFlags(PIC_HIPRIORITY);
        Picture_t* self = this;
        hiPriorityEntry.compare_exchange_strong(self, nullptr);
    }
}

Picture_t* Picture_t::HiPriorityEntry() { return hiPriorityEntry.load(); }
