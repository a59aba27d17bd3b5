// Picture_t: the on-disk thumbnail cache. For a picture /P the cache holds
// CachePath/P (a JPEG of the thumbnail without its margins) and
// CachePath/P.dat (20 bytes, little-endian: picture size u32, picture time
// u64, icon x i32, icon y i32).
#include <algorithm>
#include <cstdlib>

#include "app/Globals.h"
#include "browser/Repaint.h"
#include "codec/File.h"
#include "codec/Jpeg.h"
#include "picture/CacheNames.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "util/Diagnostics.h"
#include "util/StopRequest.h"
#include "util/Text.h"

constexpr int kSideBytes = 20;

static int SlotEdge() { return IconPool ? IconPool->Edge() : IconSize; }

static void PutLe(uint8_t* p, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; i++) p[i] = (uint8_t)(v >> (8 * i));
}
static uint64_t GetLe(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v |= (uint64_t)p[i] << (8 * i);
    return v;
}

void Picture_t::DeleteCacheFiles(const char16_t* iconName, const char16_t* sideName) {
    plat::DeleteFile(iconName);
    plat::DeleteFile(sideName);
    ClearFlags(ICON_CACHED);  // so that the worker makes it again
}

void Picture_t::SaveIcon() {
    if (kind_ == KIND_FOLDER || HasFlags(NO_CACHE)) return;
    uint16_t** slot = IconRows();
    if (!slot || iconWidth_ <= 0 || iconHeight_ <= 0) return;
    const int e = SlotEdge();
    // Without a cache the thumbnail still stands: it is shown, only not kept.
    bool cached = false;
    CacheNames names;
    if (names.Make(path_)) {
        CreateFolders(names.icon);
        uint8_t* buffer = (uint8_t*)std::malloc((size_t)e * 3);
        if (!buffer) ReportOutOfMemory(u".Picture_t.SaveIcon:buf", (uint64_t)e * 3);
        Jpeg_t writer;
        writer.OutWidth = (uint16_t)iconWidth_;
        writer.OutHeight = (uint16_t)iconHeight_;
        // The JPEG is written under a temporary name and renamed only when
        // complete: a full card never leaves a thumbnail that looks valid.
        if (writer.OpenWrite(names.temp) > 0) {
            for (int i = 0; i < iconHeight_; i++) {
                const uint16_t* row = slot[iconY_ + i] + iconX_;
                uint8_t* dst = buffer;
                for (int j = 0; j < iconWidth_; j++, dst += 3) {
                    uint16_t p = row[j];
                    dst[0] = (uint8_t)((p >> 8) & 0xF8);
                    dst[1] = (uint8_t)((p >> 3) & 0xFC);
                    dst[2] = (uint8_t)((p << 3) & 0xFF);
                }
                WaitHiPriority(i);
                writer.WriteRow(buffer);
            }
            bool complete = writer.Close() && plat::RenameFile(names.temp, names.icon);
            if (!complete) plat::DeleteFile(names.temp);
            if (complete) {
                uint8_t side[kSideBytes];
                PutLe(side, fileSize_, 4);
                PutLe(side + 4, fileTime_, 8);
                PutLe(side + 12, (uint32_t)iconX_, 4);
                PutLe(side + 16, (uint32_t)iconY_, 4);
                File_t file;
                file.SetDurable(false);
                cached = file.Open(names.side, File_t::MODE_BINARY_WRITE) && file.Write(side, kSideBytes) &&
                         file.Close();
                // A thumbnail without its side file is useless: drop both.
                if (!cached) DeleteCacheFiles(names.icon, names.side);
            }
        }
        std::free(buffer);
    }
    SetFlags(cached ? ICON_READY | ICON_CACHED : ICON_READY);
}

// Reads the opened thumbnail JPEG into the slot at icon x, icon y; its
// geometry has been checked against the slot. 1 done, 0 damaged.
int Picture_t::ReadIconFile(Jpeg_t* reader) {
    const int e = SlotEdge();
    int w = reader->OutWidth, h = reader->OutHeight;
    AllocIcon();
    uint16_t** slot = IconRows();
    // A slot kept from before starts transparent again around the picture;
    // the picture's own pixels are all written below.
    for (int y = 0; y < e; y++) {
        bool inside = y >= iconY_ && y < iconY_ + h;
        std::fill(slot[y], slot[y] + (inside ? iconX_ : e), (uint16_t)0x0020);
        if (inside) std::fill(slot[y] + iconX_ + w, slot[y] + e, (uint16_t)0x0020);
    }
    iconWidth_ = w;
    iconHeight_ = h;
    for (int i = 0; i < h; i++) {
        WaitHiPriority(i);
        // Rows come in order: each goes straight into its place in the slot
        // (a grey file is expanded by the decoder).
        if (reader->ReadRow565(slot[iconY_ + i] + iconX_) != i) return 0;
    }
    return 1;
}

int Picture_t::LoadIcon(bool far) {
    if (kind_ == KIND_FOLDER || HasFlags(NO_CACHE)) return 0;
    WaitFor([this] { return !(flags_.fetch_or(ICON_LOADING) & ICON_LOADING); }, u".LoadIcon");
    // A thumbnail being made right now is not read back at the same time.
    if (HasFlags(ICON_READY | ICON_FOR_LOADING)) {
        Pause(false);
        return 0;
    }
    CacheNames names;
    File_t side;
    if (!names.Make(path_) || !side.Open(names.side, File_t::MODE_BINARY_READ)) {
        ClearFlags(ICON_CACHED);
        Pause(false);
        return 0;
    }
    uint8_t bytes[kSideBytes];
    bool whole = side.Read(bytes, kSideBytes) == 1 && side.Delivered() == kSideBytes;
    side.Close();
    bool valid = whole && (uint32_t)GetLe(bytes, 4) == fileSize_ && GetLe(bytes + 4, 8) == fileTime_;
    int x = (int32_t)(uint32_t)GetLe(bytes + 12, 4), y = (int32_t)(uint32_t)GetLe(bytes + 16, 4);
    // Without a valid thumbnail the maker reads the header with the rows.
    if (valid && DecodedWidth() == 0) LoadNow(true);
    Jpeg_t reader;
    reader.Rgb565 = 1;
    if (valid) {
        // The side file does not record the slot size: a thumbnail made for
        // another icon size, or a damaged record, must not land outside it.
        const int e = SlotEdge();
        valid = reader.Open(names.icon) > 0 && x >= 0 && y >= 0 && reader.OutWidth > 0 && reader.OutHeight > 0 &&
                x + reader.OutWidth <= e && y + reader.OutHeight <= e;
    }
    if (!valid) {
        // A read given up for a stop request proves nothing against the file.
        if (!StopRequested()) DeleteCacheFiles(names.icon, names.side);
        Pause(false);
        return 0;
    }
    SetFlags(ICON_CACHED);
    // Without a pool there is no slot to fill; the valid cache stays.
    if (far || !IconPool) {
        Pause(false);
        return far ? 1 : 0;
    }
    iconX_ = x;
    iconY_ = y;
    if (!ReadIconFile(&reader)) {
        if (!StopRequested()) DeleteCacheFiles(names.icon, names.side);
        FreeIconHeld();
        Pause(false);
        return 0;
    }
    SetFlags(ICON_READY);
    Pause(false);
    RequestRepaint(false);
    return 1;
}
