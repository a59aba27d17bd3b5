// Picture_t: the thumbnail slot, and making a thumbnail from the picture.
#include <cstdlib>

#include "app/Globals.h"
#include "browser/Repaint.h"
#include "codec/Img.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "settings/Config.h"
#include "util/Diagnostics.h"
#include "util/StopRequest.h"

// The slot edge: the pool's, which was IconSize when it was made.
static int SlotEdge() { return IconPool ? IconPool->Edge() : IconSize; }

void Picture_t::AllocIcon() {
    if (iconRows_.load() || !IconPool) return;
    uint16_t** rows = IconPool->AllocIconMap();
    uint16_t** none = nullptr;
    // Two threads asking at once: one slot is kept, the other goes back.
    if (!iconRows_.compare_exchange_strong(none, rows)) IconPool->FreeIconMap(rows);
}

void Picture_t::FreeIconHeld() {
    uint16_t** rows = iconRows_.exchange(nullptr);
    if (rows && IconPool) IconPool->FreeIconMap(rows);
    ClearFlags(ICON_READY);
}

void Picture_t::FreeIcon() {
    if (!iconRows_.load()) return;
    for (;;) {
        bool idle = WaitFor([this] { return !HasFlags(ICON_FOR_LOADING); }, u".~Picture_t.ICON_FOR_LOADING");
        // Taking the lock (not only waiting for it) keeps a painter from
        // reading the slot while it goes back to the pool.
        WaitFor([this] { return !(flags_.fetch_or(ICON_LOADING) & ICON_LOADING); }, u".~Picture_t.ICON_LOADING");
        // A maker that started while we waited for the lock passes the lock
        // before it touches the slot (LoadForIcon): let it finish first.
        if (!idle || !HasFlags(ICON_FOR_LOADING)) break;
        ClearFlags(ICON_LOADING);
    }
    FreeIconHeld();
    ClearFlags(ICON_LOADING);
}

void Picture_t::MakeIconFromPicture() {
    if (HasFlags(ICON_FOR_LOADING)) return;
    AllocIcon();
    uint16_t** icon = IconRows();
    if (!icon) return;
    Pause(true);
    int w = Width(), h = Height(), e = SlotEdge();
    int half = (w > h ? w : h) / 2;
    int left = (w / 2 - half) * 64, right = (half + w / 2) * 64;
    int top = (h / 2 - half) * 64, bottom = (half + h / 2) * 64;
    QuadCorner tl{0, 0, left, top}, tr{e, 0, right, top};
    QuadCorner bl{0, e, left, bottom}, br{e, e, right, bottom};
    MapQuad(tl, bl, tr, br, Rows(), w, h, icon, e, e);
    Pause(false);
}

// Closes the margins that an enlarged small picture leaves inside its
// content area: from the left neighbour first, then from the pixel above.
static void FillHoles(uint16_t** slot, int x0, int y0, int w, int h) {
    for (int r = y0; r < y0 + h; r++) {
        uint16_t* row = slot[r];
        for (int c = x0 + 1; c < x0 + w; c++)
            if (row[c] & 0x20) row[c] = row[c - 1];
        if (r == 0) continue;
        const uint16_t* above = slot[r - 1];
        for (int c = x0; c < x0 + w; c++)
            if (row[c] & 0x20) row[c] = above[c];
    }
}

void Picture_t::LoadForIcon() {
    if (kind_ == KIND_FOLDER || HasFlags(NO_CACHE | ICON_READY)) return;
    // One maker at a time: a second caller leaves it to the first.
    if (flags_.fetch_or(ICON_FOR_LOADING) & ICON_FOR_LOADING) return;
    // Pass the entry lock once: a LoadIcon filling the slot right now ends
    // first (and its thumbnail stands), and a FreeIcon that holds the lock
    // has given the slot back before this maker takes one.
    Pause(true);
    bool ready = HasFlags(ICON_READY);
    Pause(false);
    if (ready) {
        ClearFlags(ICON_FOR_LOADING);
        return;
    }
    Img_t* decoder = AllocImg_t(path_);
    if (!decoder) {
        ClearFlags(ICON_FOR_LOADING);
        return;
    }
    const int e = SlotEdge();
    decoder->Budget = e * e;
    decoder->Rgb565 = 1;
    int r = decoder->Open(path_);
    int w = decoder->OutWidth, h = decoder->OutHeight;
    if (r <= 0 || w <= 0 || h <= 0) {
        delete decoder;
        // A decode given up for a stop request says nothing about the file.
        if (StopRequested()) {
            ClearFlags(ICON_FOR_LOADING);
            return;
        }
        // The placeholder replaces the bitmap: only when no loader writes it.
        Pause(true);
        if (!HasFlags(PIC_LOADING)) SetBroken();
        Pause(false);
        ClearFlags(ICON_FOR_LOADING);
        return;
    }
    if (DecodedWidth() == 0) {
        // The entry's header sizes from this same open: one open a thumbnail.
        int fw, fh;
        decoder->OutSizeFor(MaxPicPixel, &fw, &fh);
        Pause(true);
        if (DecodedWidth() == 0 && !HasFlags(PIC_LOADING | PIC_LOADED)) {
            SetSize(fw, fh);
            sourceWidth_.store(decoder->SrcWidth, std::memory_order_relaxed);
            sourceHeight_.store(decoder->SrcHeight, std::memory_order_relaxed);
        }
        Pause(false);
    }
    // Thumbnail geometry in 2.14 fixed point: the longer side spans the slot.
    int64_t d = ((int64_t)e * 16384) / (w > h ? w : h);
    iconWidth_ = (int)(((int64_t)w * d) >> 14);
    iconHeight_ = (int)(((int64_t)h * d) >> 14);
    // A panorama of 3000 x 20 still gets a line: a thumbnail of no pixels
    // could never be saved and would be made again at every pass.
    if (iconWidth_ < 1) iconWidth_ = 1;
    if (iconHeight_ < 1) iconHeight_ = 1;
    iconX_ = (e - iconWidth_) / 2;
    iconY_ = (e - iconHeight_) / 2;

    AllocIcon();
    uint16_t** slot = IconRows();
    if (!slot) {  // no pool: the start-up could not make one
        delete decoder;
        ClearFlags(ICON_FOR_LOADING);
        return;
    }
    // A slot kept from an earlier attempt starts transparent again, so that
    // the hole filling sees only this picture.
    for (int y = 0; y < e; y++)
        for (int x = 0; x < e; x++) slot[y][x] = 0x0020;
    uint64_t bufferBytes = (uint64_t)w * sizeof(uint16_t);
    uint16_t* buffer = (uint16_t*)std::malloc(bufferBytes);
    if (!buffer) ReportOutOfMemory(u".Picture_t.LoadForIcon:buf", bufferBytes);
    bool stopped = false;
    for (int i = 0; i < h && !(stopped = StopRequested()); i++) {
        WaitHiPriority(i);
        int k = decoder->ReadRow565(buffer);
        if (k < 0) break;
        int y = iconY_ + (int)(((int64_t)k * d) >> 14);
        if (y > e - 1) y = e - 1;
        uint16_t* row = slot[y];
        int64_t acc = 0;
        for (int j = 0; j < w; j++, acc += d) {
            int x = iconX_ + (int)(acc >> 14);
            if (x > e - 1) x = e - 1;
            row[x] = buffer[j];
        }
    }
    std::free(buffer);
    delete decoder;
    // Half a thumbnail is not kept: the next loader makes it again. (A stop
    // that came during a row ended that row as an error; stop bits stay set.)
    if (stopped || StopRequested()) {
        ClearFlags(ICON_FOR_LOADING);
        return;
    }
    if (d > 16384) FillHoles(slot, iconX_, iconY_, iconWidth_, iconHeight_);
    SaveIcon();
    ClearFlags(ICON_FOR_LOADING);
    RequestRepaint(false);
}
