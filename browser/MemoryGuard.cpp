// The memory guards: decoded pictures and thumbnail slots are given back
// farthest from the focus first, never the one being kept.
#include "browser/PictureMgr.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "settings/Config.h"
#include "util/Diagnostics.h"

bool PictureMgr_t::EnsureFreeMemory(int keep, bool large) {
    // Large: a picture of the whole budget plus 1024 x 768 more, 2 bytes a
    // pixel. 64-bit, so a large budget cannot wrap the threshold.
    uint64_t budget = MaxPicPixel > 0 ? (uint64_t)MaxPicPixel : 0;
    uint64_t threshold = large ? 2 * (budget + 786432) : 1572864;
    if (FreeMemory() > threshold) return true;

    int count = Count, sel = Selected(), dir = StepDir;
    // Pass 0 spares pictures still decoding; pass 1 takes them too. The
    // side behind the last step goes first: the user is heading away.
    for (int pass = 0; pass < 2; pass++)
        for (int side = -1; side <= 1; side += 2)
            for (int d = count - 1; d >= 1; d--) {
                int i = sel + d * dir * side;
                if (i < 0 || i >= count || i == keep) continue;
                Picture_t* e = Pic[i];
                if (!e->HasBitmap() || (pass == 0 && e->HasFlags(PIC_LOADING))) continue;
                e->Release();
                if (FreeMemory() > threshold) return true;
            }
    return false;
}

bool PictureMgr_t::ReleaseFarIcons(int keep) {
    if (!IconPool || IconPool->FreeCount() > 1) return true;
    int count = Count, sel = Selected();
    for (int d = count - 1; d >= 1; d--)
        for (int i : {sel - d, sel + d}) {
            if (i < 0 || i >= count || i == keep || !Pic[i]->HasIcon()) continue;
            Pic[i]->FreeIcon();
            listGeneration_.fetch_add(1);
            if (IconPool->FreeCount() > 1) return true;
        }
    return false;
}
