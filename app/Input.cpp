// Keys, pen strokes, the wheel and button commands turned into operations
// of the browser. Interface thread only.
#include "app/Input.h"

#include <cstdlib>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "platform/Platform.h"

namespace {

// Gesture states of a pen stroke.
enum : int { GESTURE_NONE = 0, GESTURE_DOWN = 1, GESTURE_ZOOM = 2, GESTURE_PAN = 3, GESTURE_DRAG = 12 };

struct Pen {
    int anchorX = 0, anchorY = 0;
    int x = 0, y = 0;
    int state = GESTURE_NONE;
} pen;

constexpr int kBrowseMenuRow = 0;
constexpr int kPictureMenuRow = 5;
// One wheel notch or one + / - press zooms by this fraction.
constexpr float kZoomNotch = 0.25f;

void CloseView(PictureMgr_t* pm) {
    pm->OpenView(false, -1);
    pm->Mode = 0;
}

void Down(PictureMgr_t* pm) {
    if (pm->Mode == 1) CloseView(pm);
    else pm->GoUp(1);
}

void Up(PictureMgr_t* pm) {
    if (pm->PanelUp()) pm->ShowMenu(-1);
    else pm->ShowMenu(pm->Mode == 1 ? kPictureMenuRow : kBrowseMenuRow);
}

void Zoom(PictureMgr_t* pm, int notches) {
    // Magnifying makes Zoom smaller; one notch is one step either way.
    for (int i = 0; i < std::abs(notches); i++) pm->ZoomBy(notches > 0 ? -kZoomNotch : kZoomNotch);
}

// Browse mode: only strokes from the bottom strip count.
void ClassifyBrowse(PictureMgr_t* pm, int dx, int dy, int bottom) {
    const int T = DragThreshold, S = DragSlack;
    if (pen.anchorY <= bottom - T) return;
    if (std::abs(dy) < S && std::abs(dx) > S) {
        pen.anchorX = pen.x;  // the drag starts from here
        pen.state = GESTURE_DRAG;
    } else if (std::abs(dx) < S && dy < -T) {
        pm->ShowMenu(kBrowseMenuRow);
        pen.state = GESTURE_NONE;
    }
}

void ClassifyView(PictureMgr_t* pm, int dx, int dy, int right, int bottom) {
    const int T = DragThreshold, S = DragSlack;
    const int ax = pen.anchorX, ay = pen.anchorY;
    const int adx = std::abs(dx), ady = std::abs(dy);
    bool leftStrip = ax < T, rightStrip = ax > right - T, bottomStrip = ay > bottom - T;
    if (leftStrip && adx < S && ady > S) {
        pen.state = GESTURE_ZOOM;
    } else if (rightStrip && adx < S && (dy > T || dy < -T)) {
        pen.state = GESTURE_NONE;
        pm->RotateView(dy < -T);
    } else if (bottomStrip && ady < S && (dx > T || dx < -T)) {
        // The picture follows the pen: a swipe to the left brings the next.
        pen.state = GESTURE_NONE;
        pm->StepPicture(dx < -T);
    } else if (bottomStrip && adx < S && dy < -T) {
        pen.state = GESTURE_NONE;
        pm->ShowMenu(kPictureMenuRow);
    } else if (ady > T || adx > T || (ay < bottom - T && adx > S) ||
               (T < ax && ax < right - T && ay < bottom - T && (ady > S || adx > S))) {
        pen.state = GESTURE_PAN;
    }
}

}  // namespace

int GestureState() { return pen.state; }

void HandleKey(int key) {
    PictureMgr_t* pm = TheBrowser;
    if (!pm) return;
    switch (key) {
    case plat::KEY_ACTION:
        if (pm->Mode == 0 && pm->Count > 0) pm->OpenView(true, pm->Selected());
        break;
    case plat::KEY_LEFT:
    case plat::KEY_BACKSPACE:
    case plat::KEY_PAGEUP: pm->StepPicture(false); break;
    case plat::KEY_RIGHT:
    case plat::KEY_SPACE:
    case plat::KEY_PAGEDOWN: pm->StepPicture(true); break;
    case plat::KEY_UP: Up(pm); break;
    case plat::KEY_DOWN:
    case plat::KEY_ESCAPE: Down(pm); break;
    case plat::KEY_PLUS:
        if (pm->Mode == 1) Zoom(pm, 1);
        break;
    case plat::KEY_MINUS:
        if (pm->Mode == 1) Zoom(pm, -1);
        break;
    default: break;
    }
}

void HandleWheel(int notches) {
    PictureMgr_t* pm = TheBrowser;
    if (!pm || notches == 0 || pm->PanelUp()) return;
    if (pm->Mode == 1) Zoom(pm, notches);
    else pm->TurnBy(-notches);  // turning the wheel toward the user moves on
}

int HandlePenDown(int x, int y) {
    pen.anchorX = pen.x = x;
    pen.anchorY = pen.y = y;
    pen.state = GESTURE_NONE;
    PictureMgr_t* pm = TheBrowser;
    if (!pm) return 0;
    if (pm->HitButtons(x, y) || pm->PanelUp()) return 1;
    if (pm->Mode == 0) {
        int e = pm->HitEntry(x, y), h = pm->HitBack(x, y);
        if (e != -1) {
            pm->Mode = 1;
            pm->OpenView(true, e);
        } else if (h != -1) {
            pm->GoUp(h);
        } else {
            pen.state = GESTURE_DOWN;
        }
    } else {
        pen.state = GESTURE_DOWN;
    }
    return 0;
}

int HandlePenMove(int x, int y) {
    pen.x = x;
    pen.y = y;
    PictureMgr_t* pm = TheBrowser;
    if (!pm) return 0;
    int dx = x - pen.anchorX, dy = y - pen.anchorY;
    if (pm->PanelUp()) return 1;
    const float W = (float)ScreenWidth;
    int right, bottom;
    plat::GetClientSize(&right, &bottom);
    switch (pen.state) {
    case GESTURE_NONE: break;
    case GESTURE_ZOOM:
        pm->ZoomBy(-dy / W);
        pen.anchorY = y;
        break;
    case GESTURE_PAN:
        pm->PanBy(dx / W, dy / W);
        pen.anchorX = x;
        pen.anchorY = y;
        break;
    case GESTURE_DRAG:
        pm->DragTrack(dx / W);
        pen.anchorX = x;
        break;
    default:
        if (pm->Mode == 0) ClassifyBrowse(pm, dx, dy, bottom);
        else ClassifyView(pm, dx, dy, right, bottom);
        break;
    }
    return 0;
}

void HandlePenUp(int x, int y) {
    pen.x = x;
    pen.y = y;
    if (TheBrowser && TheBrowser->Mode == 0) TheBrowser->EndDrag();
    pen.state = GESTURE_NONE;
}

bool HandleCommand(int command, intptr_t parameter) {
    return TheBrowser && TheBrowser->RunCommand(command, (int)parameter);
}
