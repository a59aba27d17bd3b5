// The browse frame, kept to what navigation needs: the ancestor stack, the
// entries on the curve and the bottom bar; and the info line.
#include <cstdio>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"
#include "settings/SkinColours.h"
#include "util/Text.h"

void PictureMgr_t::Refresh() {
    Pause(true);
    // A window nobody sees only gets the last frame again.
    if (plat::MainWindowVisible()) {
        PaintFull->Clear();
        DrawBrowse(-1);
    }
    PaintFull->Paint();
    Pause(false);
}

void PictureMgr_t::DrawBrowse(int highlight) {
    bool ascending = (Flags & PM_ASCENDING) != 0;
    for (int i = BackSlotCount - 1; i >= 0; i--) {
        Picture_t* slot = Back[i];
        // Not drawn, not hit: the corners say where it was last drawn.
        for (QuadCorner& c : slot->iconCorners) c = {-1, -1, -1, -1};
        if (!slot->Name()[0]) continue;
        float phase = -3.0f - i - (Grow + 1.0f) * 0.5f;
        if (ascending) phase = i > 0 ? -3.0f - (i + 1) - (1.0f - (Grow + 1.0f) * 0.5f) : Grow - 4.0f;
        PaintFull->DrawWheelItem(slot, 0, 0, phase);
    }
    // Far to near, so that nearer items cover farther ones.
    int count = Count, cur = Selected();
    for (int d = count - 1; d >= 0; d--)
        for (int i : {cur + d, cur - d}) {
            if (i < 0 || i >= count || (d == 0 && i != cur + d)) continue;
            PaintFull->DrawWheelItem(Pic[i], i - cur, Turn, i == highlight ? -Grow : Grow);
        }
    PaintFull->DarkenRect(0, ScreenHeight - BarHeight, ScreenWidth, ScreenHeight);
}

void PictureMgr_t::PaintInfoLine() {
    PaintInfo->Clear();
    int sel = Selected(), count = Count;
    if (sel >= count) return;
    int h = PaintInfo->Height(), w = PaintInfo->Width();
    char position[32];
    char16_t text[32];
    std::snprintf(position, sizeof position, " %d / %d", sel + 1, count);
    WidenText(position, text, 32);
    PaintInfo->DrawTextFit(text, TEXT_LEFT, 0, 0, 4 * h, h, SkinPicName, kNoBackground);
    PaintInfo->DrawTextFit(Pic[sel]->Name(), TEXT_RIGHT, 4 * h, 0, w, h, SkinPicName, kNoBackground);
}
