// Browse mode: the paint step that eases the curve, the composition of a
// browse frame (ancestors, curve, bar, thumb, name, counter, buttons,
// bookmark panel), the pop-up drawn over the picture view, the info line,
// dragging the curve and the hit tests.
#include <cstdio>
#include <cstdlib>

#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "settings/SkinColours.h"
#include "util/Text.h"

namespace {
constexpr int kFrameMs = 40;  // 25 frames a second while something moves

// One number of the position counter, in the box of the counter's width.
void Counter(PaintBuffer_t* b, int bar, const char* format, int value, int flags, int top, int bottom) {
    char text[32];
    char16_t wide[32];
    std::snprintf(text, sizeof text, format, value);
    WidenText(text, wide, 32);
    int w = ScreenWidth;
    b->DrawTextFit(wide, flags, w / 2 - bar, top, w / 2 + bar, bottom, SkinInfoName, kNoBackground);
}
}  // namespace

void PictureMgr_t::BrowseFrame() {
    uint32_t t0 = plat::TickCount();
    Pause(true);
    PaintFull->Clear();
    DrawBrowse(-1);
    PaintFull->Paint();
    PaintFull->Validate();
    uint32_t t1 = plat::TickCount();

    bool motion = false;
    if (!(Flags & PM_DRAGGING)) {
        int sel = Selected(), shown = Shown;
        if (Turn == 0 && sel != shown) {
            // The curve looks the same one entry on at -180 (or +180), and
            // from there turns back to 0: one entry per 180 degrees.
            TargetTurn = 0;
            if (sel < shown) {
                Current = sel + 1;
                Turn = -180;
            } else {
                Current = sel - 1;
                Turn = 180;
            }
            motion = true;
        }
        bool a = TurnStep(&Turn, TargetTurn);
        bool b = TurnStep(&Turn, TargetTurn);
        motion = motion || a || b;
    }
    Pause(false);
    if (motion) {
        int spent = (int)(t1 - t0);
        if (spent < kFrameMs) plat::Sleep(kFrameMs - spent);
        RequestRepaint(true);
    }
}

bool PictureMgr_t::TurnStep(int* turn, int target) {
    if (*turn == target) return false;
    int d = target - *turn;
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    if (std::abs(d) < 16) *turn = target;
    else *turn += d > 0 ? 15 : -15;
    return true;
}

void PictureMgr_t::DrawBrowse(int highlight) {
    const int W = ScreenWidth, H = ScreenHeight, s = UiScale, bar = BarHeight;
    PaintBuffer_t* b = PaintFull;

    // 1. Ancestor slots, the farthest first.
    bool ascending = (Flags & PM_ASCENDING) != 0;
    for (int i = BackSlotCount - 1; i >= 0; i--) {
        Picture_t* slot = Back[i];
        // Not drawn, not hit: the corners say where it was last drawn.
        for (QuadCorner& c : slot->iconCorners) c = {-1, -1, -1, -1};
        if (!slot->Name()[0]) continue;
        float phase = -3.0f - i - (Grow + 1.0f) * 0.5f;
        if (ascending) phase = i > 0 ? -3.0f - (i + 1) - (1.0f - (Grow + 1.0f) * 0.5f) : Grow - 4.0f;
        b->DrawWheelItem(slot, 0, 0, phase);
    }

    // 2. The curve, far to near so that nearer items cover farther ones.
    int count = Count, cur = Selected();
    for (int d = count - 1; d >= 0; d--) {
        if (cur + d < count) b->DrawWheelItem(Pic[cur + d], d, Turn, cur + d == highlight ? -Grow : Grow);
        if (d > 0 && cur - d >= 0 && cur - d < count)
            b->DrawWheelItem(Pic[cur - d], -d, Turn, cur - d == highlight ? -Grow : Grow);
    }

    // 3. The bar.
    b->DarkenRect(0, H - bar, W, H);

    // 4. The scroll thumb, led by the turn while the curve moves.
    if (count > 0) {
        int g = (W / 2) / count;
        int m = g > 4 * s ? g : 4 * s;
        int x = count == 1 ? m : ((W - 2 * m - 1) * cur) / (count - 1) + m;
        x += g * Turn / 90;
        b->FillRect(x - m, H - 2 * s - 1, x + m, H - 1, SkinScroll);
    }

    // 5. The selected name; in a folder with nothing to show, a word that
    // it is empty rather than a blank bar.
    const char16_t* name = cur < count ? Pic[cur]->Name() : (Flags & PM_SCAN_LISTED) ? u"No pictures here" : u"";
    b->DrawTextFit(name, TEXT_CENTRE, 0, H - bar, W, H, SkinInfoName, kNoBackground);

    // 6. The counter, drawn like a fraction above the bar.
    b->DarkenRect(W / 2 - bar, H - 3 * bar, W / 2 + bar, H - bar - 1);
    Counter(b, bar, "%d ", count, TEXT_RIGHT, H - 2 * bar, H - bar);
    Counter(b, bar, " %d", count > 0 ? cur + 1 : 0, TEXT_LEFT, H - 3 * bar, H - 2 * bar);
    b->DrawLine(W / 2 - bar, H + bar / 2 - 2 * bar, W / 2 + bar, H - bar + bar / 2 - 2 * bar, SkinInfoText);

    // 7.
    DrawButtons(true);
    DrawBookmarkPanel();
}

// The "bm_add" row is offered only while the folder on view is not
// bookmarked and a slot is free.
static bool CanAddBookmark(const Picture_t* here) {
    if (here->BookmarkIndex() != -1) return false;
    for (Bookmark_t* slot : Bookmarks)
        if (slot && slot->Empty()) return true;
    return false;
}

void PictureMgr_t::DrawButtons(bool withArrows) {
    const int W = ScreenWidth, H = ScreenHeight;
    ButtonCount = 0;
    if (withArrows) {
        const PaintBuffer_t* prev = Icon[MenuTable[20][1]];
        const PaintBuffer_t* next = Icon[MenuTable[21][1]];
        AddButton(0, 0, prev->Width(), prev->Height(), 20);
        AddButton(W - next->Width(), 0, W, next->Height(), 21);
    }
    if (Menu < 0) return;

    int rows[kMenuRows];
    int n = 0;
    bool empty = Selected() >= Count;
    for (int r = Menu; r < kMenuRows && MenuTable[r][0] != 41000; r++) {
        int command = MenuTable[r][0];
        if (command >= 42000 && empty) continue;
        if (command == 41004 && !CanAddBookmark(Back[0])) continue;
        if (command == 42002 && !plat::MailAvailable()) continue;
        rows[n++] = r;
    }
    if (n > 0) {
        const int a = 60 * UiScale;
        int lines = (n + 3) / 4, per = (n + lines - 1) / lines;
        int h = (int)((1.0f - MenuSlide) * lines * a + 0.5f);
        PaintFull->DarkenRect(0, H - h, W, H);
        for (int k = 0; k < n; k++) {
            int line = k / per, column = k % per;
            int inLine = n - line * per < per ? n - line * per : per;
            int top = H - (line + 1) * a;
            int left = (W - inLine * a) / 2 + column * a;
            AddButton(left, top, left + a, top + a, rows[k]);
        }
    }
    if (Mode == 1) {
        // The info line slides down from the top with the menu.
        int t = (int)((1.0f - MenuSlide) * PaintInfo->Height() + 0.5f);
        PaintFull->DarkenRect(0, 0, PaintInfo->Width(), t);
        PaintFull->CopyKeyed(0, t - PaintInfo->Height(), PaintInfo);
    }
}

void PictureMgr_t::AddButton(int left, int top, int right, int bottom, int row) {
    if (ButtonCount >= 30) return;
    int* rect = ButtonRect[ButtonCount];
    rect[0] = left, rect[1] = top, rect[2] = right, rect[3] = bottom;
    for (int f = 0; f < 4; f++) ButtonRow[ButtonCount][f] = MenuTable[row][f];
    ButtonCount++;
    int icon = MenuTable[row][1];
    if (icon == -1) return;
    float slide = MenuTable[row][3] ? 0.0f : MenuSlide;
    int y = (int)(top + (ScreenHeight - top) * slide + 0.5f);
    PaintFull->CopyKeyed(left, y, Icon[icon + MenuTable[row][2]]);
}

void PictureMgr_t::DrawBookmarkPanel() {
    for (Bookmark_t* slot : Bookmarks)
        if (slot) slot->ClearRect();
    if (PanelSlide == 0.0f) return;
    const int W = ScreenWidth, H = ScreenHeight, s = UiScale;
    int count = 0;
    for (Bookmark_t* slot : Bookmarks)
        if (slot && !slot->Empty()) count++;
    int dx = (int)((W / 2) * PanelSlide + 0.5f);
    int dy = (int)(50 * s * PanelSlide * 0.5f + 0.5f);
    int q = (H - 260 * s) / 4;
    int l = 1 - count;
    for (Bookmark_t* slot : Bookmarks) {
        if (!slot || slot->Empty()) continue;
        int y = (H - s * (l * (q + 50) + 60)) / 2;
        slot->SetRect(W / 2 - dx, y - dy, W / 2 + dx, y + dy);
        PaintFull->DarkenRect(W / 2 - dx, y - dy, W / 2 + dx, y + dy);
        PaintFull->StretchFrom(W / 2 - dx, y - dy, W / 2 + dx, y + dy, slot->Label());
        l += 2;
    }
}

void PictureMgr_t::DrawPopup() {
    if (PopupSlide == 0.0f) return;
    int sel = Selected();
    const int W = ScreenWidth;
    int c = (int)((W / 2) * PopupSlide + 0.5f);
    int e = (ScreenHeight - 60 * UiScale) / 2;
    PaintFull->DarkenRect(W / 2 - c, e - c, W / 2 + c, e + c);
    if (sel >= Count) return;
    Picture_t* entry = Pic[sel];
    int h = c / 2;
    float scale = PopupSlide * 0.5f;
    PaintFull->DrawIcon(entry, W / 2, e - h, scale, 1);
    PaintFull->DrawIcon(entry, W / 2 + h, e + h, scale, 2);
    PaintFull->DrawIcon(entry, W / 2 - h, e + h, scale, 3);
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

void PictureMgr_t::DragTrack(float fraction) {
    if (fraction == 0.0f) return;
    Pause(true);
    Flags.fetch_or(PM_DRAGGING);
    int count = Count;
    int i = Selected();
    // Long lists turn faster under the same movement.
    float k = 0.02f * count;
    if (k < 1.0f) k = 1.0f;
    Turn -= (int)(k * fraction * 1500.0f);
    while (Turn >= 90) {
        if (++i >= count) {
            Turn = 90;
            i = count - 1;
            break;
        }
        Turn -= 180;
    }
    while (Turn <= -90) {
        if (--i < 0) {
            Turn = -90;
            i = 0;
            break;
        }
        Turn += 180;
    }
    if (i < 0) i = 0;  // an empty list: nothing to land on
    Current = i;
    Shown = i;
    PaintInfoLine();
    Pause(false);
    RequestRepaint(true);
}

void PictureMgr_t::EndDrag() {
    Flags.fetch_and(~PM_DRAGGING);
    TargetTurn = 0;
    RequestRepaint(true);
}

int PictureMgr_t::HitEntry(int x, int y) {
    if (PanelUp()) return -1;
    Pause(true);
    int count = Count, sel = Selected(), hit = -1;
    for (int d = 0; d < count && hit < 0; d++) {
        if (sel + d < count && Pic[sel + d]->HitIcon(x, y)) hit = sel + d;
        else if (d > 0 && sel - d >= 0 && sel - d < count && Pic[sel - d]->HitIcon(x, y)) hit = sel - d;
    }
    Pause(false);
    return hit;
}

int PictureMgr_t::HitBack(int x, int y) {
    if (PanelUp()) return -1;
    for (int i = BackSlotCount - 1; i >= 0; i--)
        if (Back[i]->Name()[0] && Back[i]->HitIcon(x, y)) return i;
    return -1;
}
