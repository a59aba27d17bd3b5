// The animated operations of both modes: stepping with a flip, quarter
// turns, the menus, the rotation pop-up and the bookmark panel sliding in
// and out, taps on the on-screen buttons, and the paint handler.
#include "app/Globals.h"
#include "browser/Animate.h"
#include "browser/Bookmark.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"

namespace {
constexpr uint32_t kRefusalMs = 500;
constexpr uint32_t kButtonLitMs = 100;
constexpr int kPopupMenuRow = 14;  // the single "back" button
constexpr int kPanelMenuRow = 16;  // the bookmark menu
}  // namespace

void PictureMgr_t::DrawMode() {
    PaintFull->Clear();
    if (Mode == 1) DrawView();
    else DrawBrowse(-1);
}

int PictureMgr_t::IndexOf(const Picture_t* entry) const {
    int count = Count;
    for (int i = 0; i < count; i++)
        if (Pic[i] == entry) return i;
    return -1;
}

void PictureMgr_t::StepPicture(bool forward) {
    Pause(true);
    // The rotation given to this picture carries over to the next of the
    // same orientation.
    SaveAngle();
    StepDir = forward ? 1 : -1;
    int count = Count, sel = Selected(), target = sel + StepDir;
    bool refused = target < 0 || target >= count || (Mode == 1 && Pic[target]->Kind() == KIND_FOLDER);
    if (refused) {
        Pause(false);
        PaintFull->DrawNoImage();
        PaintFull->Paint();
        plat::Sleep(kRefusalMs);
        Refresh();
        return;
    }
    // The decode of the picture left keeps what it has so far.
    if (sel < count) Pic[sel]->Unload(false);
    if (Mode == 1) FocusPicture(target);
    Animate([&](int e) {
        int f = (int)(180 * AnimationProgress(e));
        Turn = f;
        if (f > 90) {
            // Past the edge the new entry shows, turning back to rest.
            Turn = f - 180;
            Current = target;
            Angle = RememberedAngle(target);
            Zoom = 1.0f;
        }
        if (!forward) Turn = -Turn;
        DrawMode();
    });
    ResetView(target);
    Pause(false);
}

void PictureMgr_t::FocusPicture(int index) {
    EnsureFreeMemory(index, true);
    int count = Count;
    for (int i = 0; i < count; i++) {
        if (i == index) continue;
        Pic[i]->SetHiPriority(false);
        Pic[i]->Unload(false);
    }
    ReleaseFarIcons(index);
    if (index < 0 || index >= count) return;
    Pic[index]->LoadIcon(false);
    Pic[index]->Load(true);
}

void PictureMgr_t::RotateView(bool positive) {
    Pause(true);
    int base = Angle, d = positive ? 90 : -90;
    Animate([&](int e) {
        Angle = base + (int)(d * AnimationProgress(e));
        PaintFull->Clear();
        DrawView();
        // The zoom eases on with the turn: the fitted size changes with it.
        ZoomStep(&Zoom, TargetZoom);
    });
    TargetAngle = Angle;
    Pause(false);
}

void PictureMgr_t::ShowMenu(int row) {
    Pause(true);
    bool opening = row != -1;
    if (opening) Menu = row;
    Animate([&](int e) {
        float t = AnimationProgress(e);
        MenuSlide = opening ? 1.0f - t : t;
        // Closing the menu also closes the pop-up or panel that came with it.
        if (PopupSlide != 0.0f) PopupSlide = 1.0f - t;
        if (PanelSlide != 0.0f) PanelSlide = 1.0f - t;
        DrawMode();
    });
    if (!opening) {
        // Toggles (the bookmark remove mode) end with their menu.
        for (int r = Menu; r >= 0 && r < kMenuRows && MenuTable[r][0] != 41000; r++) MenuTable[r][2] = 0;
        Menu = -1;
    }
    PopupSlide = 0.0f;
    Pause(false);
}

// The pop-up (picture view) and the bookmark panel (browse mode) slide the
// same way: the menu bar goes out in the first half and, when showing,
// comes back as the overlay's own short menu.
static void SlideOverlay(PictureMgr_t* pm, float* slide, int menuRow, bool show, int e) {
    float t = AnimationProgress(e);
    *slide = show ? t : 1.0f - t;
    if (e < kAnimationMs / 2) {
        if (pm->Menu != -1) pm->MenuSlide = e * 0.008f;
    } else if (!show) {
        pm->MenuSlide = 1.0f;
    } else if (pm->Menu != menuRow) {
        pm->Menu = menuRow;
        pm->MenuSlide = 1.0f;
    } else {
        pm->MenuSlide = 1.0f - (e - kAnimationMs / 2) * 0.008f;
    }
}

void PictureMgr_t::SlideIn(float* slide, int menuRow, bool show) {
    Pause(true);
    Animate([&](int e) {
        SlideOverlay(this, slide, menuRow, show, e);
        DrawMode();
    });
    if (!show) Menu = -1;
    Pause(false);
}

void PictureMgr_t::ShowPopup(bool show) { SlideIn(&PopupSlide, kPopupMenuRow, show); }

void PictureMgr_t::ShowPanel(bool show) { SlideIn(&PanelSlide, kPanelMenuRow, show); }

int PictureMgr_t::PopupChoice(int x, int y) {
    // Three regions, whatever the arrows drawn in them.
    if (y < (ScreenHeight - 60 * UiScale) / 2) return 1;
    return x < ScreenWidth / 2 ? 3 : 2;
}

bool PictureMgr_t::PanelUp() const { return Menu != -1 || PanelSlide != 0.0f || PopupSlide != 0.0f; }

bool PictureMgr_t::HitButtons(int x, int y) {
    for (int k = 0; k < ButtonCount; k++) {
        const int* r = ButtonRect[k];
        const int* row = ButtonRow[k];
        // The arrows work only without a menu, menu buttons only with one.
        bool fixed = row[3] != 0;
        if (fixed == (Menu != -1)) continue;
        if (x < r[0] || x > r[2] || y < r[1] || y > r[3]) continue;
        if (row[1] == -1) return true;
        float slide = fixed ? 0.0f : MenuSlide;
        int top = (int)(r[1] + (ScreenHeight - r[1]) * slide + 0.5f);
        PaintFull->CopyKeyed(r[0], top, Icon[row[1] + 1]);
        PaintFull->Paint();
        if (row[0] != 41000) {
            plat::Sleep(kButtonLitMs);
            plat::PostMessage((uint32_t)row[0], 0, 0);
        }
        return true;
    }
    if (PopupSlide != 0.0f) {
        ProcessRotation(PopupChoice(x, y));
        return true;
    }
    if (PanelSlide != 0.0f) {
        for (int slot = 0; slot < kBookmarkSlots; slot++)
            if (Bookmarks[slot] && Bookmarks[slot]->Hit(x, y)) plat::PostMessage(42006, 0, slot);
    }
    return false;
}

void PictureMgr_t::Refresh() {
    if (!plat::MainWindowVisible()) {
        PaintFull->Paint();
        return;
    }
    if (Mode == 1) ViewFrame();
    else BrowseFrame();
}

void PictureMgr_t::TurnBy(int entries) {
    Pause(true);
    int count = Count;
    if (count > 0) {
        int shown = Shown + entries;
        Shown = shown < 0 ? 0 : (shown >= count ? count - 1 : shown);
    }
    Pause(false);
    RequestRepaint(true);
}
