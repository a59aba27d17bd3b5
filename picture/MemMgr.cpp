#include "picture/MemMgr.h"

#include <cstdlib>
#include <new>

#include "app/Globals.h"
#include "util/Diagnostics.h"

MemMgr_t* IconPool = nullptr;

// The pool is sized to about 3 MB of thumbnails.
constexpr int64_t kPoolBytes = 3145728;
constexpr int kMinSlots = 20;

MemMgr_t::MemMgr_t() {
    edge_ = IconSize > 0 ? IconSize : 1;
    int64_t slotBytes = (int64_t)edge_ * edge_ * 2;
    int64_t count = kPoolBytes / slotBytes;
    slotCount_ = count < kMinSlots ? kMinSlots : (int)count;
    freeFlags_ = new (std::nothrow) int32_t[slotCount_];
    if (!freeFlags_) ReportOutOfMemory(u".MemMgr_t.MemMgr_t:IconMap", (uint64_t)slotCount_ * 4);
    slots_ = new (std::nothrow) uint16_t**[slotCount_];
    if (!slots_) ReportOutOfMemory(u".MemMgr_t.MemMgr_t:IconMap", (uint64_t)slotCount_ * sizeof(void*));
    for (int i = 0; i < slotCount_; i++) {
        uint16_t** rows = new (std::nothrow) uint16_t*[edge_];
        if (!rows) ReportOutOfMemory(u".MemMgr_t.MemMgr_t:IconMap", (uint64_t)edge_ * sizeof(void*));
        uint16_t* pixels = (uint16_t*)std::malloc((size_t)slotBytes);
        if (!pixels) ReportOutOfMemory(u".MemMgr_t.MemMgr_t:IconMap full", (uint64_t)slotBytes);
        for (int j = 0; j < edge_; j++) rows[j] = pixels + (size_t)j * edge_;
        slots_[i] = rows;
        freeFlags_[i] = 1;
    }
    freeCount_ = slotCount_;
}

MemMgr_t::~MemMgr_t() {
    for (int i = 0; i < slotCount_; i++) {
        std::free(slots_[i][0]);
        delete[] slots_[i];
    }
    delete[] slots_;
    delete[] freeFlags_;
}

uint16_t** MemMgr_t::AllocIconMap() {
    uint16_t** rows = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (int i = 0; i < slotCount_; i++)
            if (freeFlags_[i]) {
                freeFlags_[i] = 0;
                freeCount_--;
                rows = slots_[i];
                break;
            }
    }
    if (!rows) ReportOutOfMemory(u".MemMgr_t.MemMgr_t:AllocIconMap", 0);
    // Filled outside the lock: the slot is ours alone now.
    uint16_t* p = rows[0];
    for (int64_t n = (int64_t)edge_ * edge_; n > 0; n--) *p++ = 0x0020;  // black, transparency mark
    return rows;
}

void MemMgr_t::FreeIconMap(uint16_t** rows) {
    if (!rows) return;
    std::lock_guard<std::mutex> hold(lock_);
    for (int i = 0; i < slotCount_; i++)
        if (slots_[i] == rows) {
            // A second return of the same slot must not count it twice.
            if (!freeFlags_[i]) {
                freeFlags_[i] = 1;
                freeCount_++;
            }
            return;
        }
}

int MemMgr_t::FreeCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return freeCount_;
}
