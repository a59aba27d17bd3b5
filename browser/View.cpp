// The picture view: its paint step with the zoom easing, the pan limits,
// pen zoom and pan, and the animation that opens an entry from the curve
// or closes the view again.
#include <cmath>

#include "app/Globals.h"
#include "browser/Animate.h"
#include "browser/PathJoin.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Text.h"

namespace {
constexpr int kFrameMs = 40;
constexpr float kZoomStep = 1.15f;
}  // namespace

void PictureMgr_t::ViewFrame() {
    Pause(true);
    uint32_t t0 = plat::TickCount();
    // An empty list (the last picture deleted) still shows the menus.
    PaintFull->Clear();
    DrawView();
    PaintFull->Paint();
    PaintFull->Validate();
    bool motion = Selected() < Count && ZoomStep(&Zoom, TargetZoom);
    Pause(false);
    if (motion) {
        int spent = (int)(plat::TickCount() - t0);
        if (spent < kFrameMs) plat::Sleep(kFrameMs - spent);
        RequestRepaint(true);
    }
}

void PictureMgr_t::DrawView() {
    int sel = Selected();
    if (sel < Count) {
        Picture_t* e = Pic[sel];
        int w = e->Width(), h = e->Height();
        if (Zoom <= 1.0f && w > 0) {
            // Offsets are fractions of the width; at the fitted size both
            // limits are 0 and the picture stays centred.
            float r = e->FitRatio(Angle), aspect = (float)h / (float)w, gx, gy;
            if (e->FitByHeight(Angle)) {
                gx = 0.5f - Zoom * r * 0.5f;
                gy = (0.5f - Zoom * 0.5f) * aspect;
            } else {
                gx = 0.5f - Zoom * 0.5f;
                gy = (0.5f - Zoom * r * 0.5f) * aspect;
            }
            float cx = gx > 0.0f ? gx : 0.0f, cy = gy > 0.0f ? gy : 0.0f;
            OffsetX = OffsetX < -cx ? -cx : (OffsetX > cx ? cx : OffsetX);
            OffsetY = OffsetY < -cy ? -cy : (OffsetY > cy ? cy : OffsetY);
        }
        PaintFull->DrawPicture(e, OffsetX, OffsetY, Zoom, Angle, Turn);
    }
    DrawButtons(false);
    DrawPopup();
}

bool PictureMgr_t::ZoomStep(float* zoom, float target) {
    if (*zoom == target) return false;
    bool grow = target > *zoom;
    float q = grow ? target / *zoom : *zoom / target;
    if (q < kZoomStep) *zoom = target;
    else *zoom *= grow ? kZoomStep : 0.8695652f;
    return true;
}

void PictureMgr_t::ZoomBy(float delta) {
    Pause(true);
    int sel = Selected();
    if (sel < Count) {
        float z = delta > 0.0f ? Zoom * (1.0f + delta) : Zoom / (1.0f - delta);
        float least = Pic[sel]->MinZoom();
        if (z < least) z = least;
        if (z > 1.0f) z = 1.0f;
        Zoom = TargetZoom = z;
    }
    Pause(false);
    RequestRepaint(true);
}

void PictureMgr_t::PanBy(float dx, float dy) {
    Pause(true);
    int sel = Selected();
    float fit0 = sel < Count ? Pic[sel]->FitZoom(0) : 0.0f;
    // Nothing decoded yet: no size to pan against.
    if (fit0 > 0.0f) {
        double a = Angle * 3.14159265358979323846 / 180.0;
        float e = Pic[sel]->FitZoom(Angle) / fit0;
        // Back into the picture's axes, so the picture follows the pen.
        OffsetX -= (float)(dx * std::cos(a) - dy * std::sin(a)) * Zoom * e;
        OffsetY -= (float)(dy * std::cos(a) + dx * std::sin(a)) * Zoom * e;
    }
    Pause(false);
    RequestRepaint(true);
}

void PictureMgr_t::OpenView(bool open, int index) {
    Pause(true);
    if (!open) SaveAngle();
    int a = RememberedAngle(index);
    // Every entry's icon corners as drawn now: the animation starts there.
    PaintFull->Clear();
    DrawBrowse(-1);
    int count = Count;
    if (index < 0 || index >= count) index = Selected();
    if (index >= count) {
        // Nothing to open: an empty list (or its last entry deleted).
        if (!open) Mode = 0;
        Menu = -1;
        Pause(false);
        Refresh();
        return;
    }
    Picture_t* e = Pic[index];
    bool folder = e->Kind() == KIND_FOLDER;
    if (folder && open && (Flags & PM_SCAN_ALIVE)) {
        // The scanner waits for the lock to add entries: let go while it ends.
        Pause(false);
        StopScanner();
        Pause(true);
        index = IndexOf(e);  // entries added meanwhile may have moved it
    }

    const QuadCorner* c = e->iconCorners;
    float sx = (float)(c[0].x + c[1].x + c[2].x + c[3].x), sy = (float)(c[0].y + c[1].y + c[2].y + c[3].y);
    int drawn = c[1].x - c[0].x;
    float d = drawn > 0 ? (float)IconSize / drawn : 1.0f;
    float ex = ScreenWidth / 2 - sx / 4, ey = ScreenHeight / 2 - sy / 4;
    float g = (float)e->Width64();
    int t0 = Turn, c0 = Current;

    if (open) {
        TargetAngle = a;
        FocusPicture(index);
    } else {
        TargetAngle = Angle;
    }
    while (TargetAngle > 359) TargetAngle -= 360;
    while (TargetAngle < 0) TargetAngle += 360;
    if (TargetAngle > 180) TargetAngle -= 360;

    Animate([&](int elapsed) {
        float m = AnimationProgress(elapsed);
        if (Menu != -1) MenuSlide = m;
        if (!open) m = 1.0f - m;
        Grow = m + 1.0f;
        PaintFull->Clear();
        Turn = t0;
        if (folder) {
            // The folder travels from the curve into the ancestor stack.
            Grow = 2.0f * m + 1.0f;
            DrawBrowse(index);
            return;
        }
        Current = c0;
        DrawBrowse(index);
        Angle = (int)(TargetAngle * m);
        float o = 1.0f;
        if (e->Height() >= e->Width()) {
            float fit = e->FitZoom(Angle);
            if (fit > 0.0f) o = e->FitZoom(90 - a) / fit;
        }
        float t = 1.0f - m;
        Zoom = t * o * d * 2.0f + m;
        float u = Zoom * e->FitZoom(0);
        OffsetX = g > 0.0f ? (u * ex / g) * t : 0.0f;
        OffsetY = g > 0.0f ? (u * ey / g) * t : 0.0f;
        Turn = 0;
        Current = index;
        DrawView();
    });

    Mode = open ? 1 : 0;
    Menu = -1;
    ResetView(index);
    char16_t folderPath[kPathUnits];
    if (folder && open) CopyWide(e->Path(), folderPath, kPathUnits);
    Pause(false);
    if (folder && open) {
        Mode = 0;
        SetPath(folderPath, nullptr);
    }
    Refresh();
}
