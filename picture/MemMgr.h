// MemMgr_t: the fixed pool of thumbnail slots, allocated once at start-up.
// A slot is an IconSize x IconSize bitmap of 16-bit pixels addressed only
// through its row-pointer array. One instance exists: IconPool.
#pragma once

#include <cstdint>
#include <mutex>

class MemMgr_t {
public:
    // Slot count = 3,145,728 / (IconSize^2 x 2), at least 20; the edge is
    // IconSize at construction. Memory shortage is fatal
    // (".MemMgr_t.MemMgr_t:IconMap", ".MemMgr_t.MemMgr_t:IconMap full").
    MemMgr_t();
    // Frees every slot (lent ones included: the pool outlives every entry).
    virtual ~MemMgr_t();

    // The first free slot in slot order, every pixel 0x0020 (black with the
    // transparency mark). None free: fatal ".MemMgr_t.MemMgr_t:AllocIconMap".
    uint16_t** AllocIconMap();
    // Gives a lent slot back; a pointer the pool never lent, or one already
    // free, changes nothing.
    void FreeIconMap(uint16_t** rows);

    // Read without the lock by the browser's guards: a snapshot.
    int FreeCount() const;
    int SlotCount() const { return slotCount_; }
    int Edge() const { return edge_; }

    MemMgr_t(const MemMgr_t&) = delete;
    MemMgr_t& operator=(const MemMgr_t&) = delete;

private:
    uint16_t*** slots_ = nullptr;  // per slot: its row-pointer array
    int32_t* freeFlags_ = nullptr; // 1 free, 0 lent
    int freeCount_ = 0;
    int slotCount_ = 0;
    int edge_ = 0;
    // Taking and giving back are atomic with respect to each other.
    mutable std::mutex lock_;
};

// Created by start-up before any entry, destroyed after the browser.
extern MemMgr_t* IconPool;
