// The SDL event loop: posted messages ride on one registered user event;
// keys, mouse and window events become the program's messages.
#include "platform/LoopControl.h"
#include "platform/Platform.h"
#include "platform/sdl/SdlState.h"

namespace plat {

void PostMessage(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Uint32 type = sdl.userEvent.load();
    if (type == (Uint32)-1) return;
    if (msg == MSG_PAINT && !ClaimPaintPost()) return;
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.user.code = (Sint32)msg;
    e.user.data1 = (void*)wparam;
    e.user.data2 = (void*)lparam;
    // A full queue (65,535 events) drains only while the interface thread
    // runs its loop: workers wait for room, the interface thread cannot.
    int tries = OnInterfaceThread() ? 1 : 5000;
    for (int i = 0; i < tries; i++) {
        if (SDL_PushEvent(&e) == 1) return;
        SDL_Delay(1);
    }
    if (msg == MSG_PAINT) PaintTaken();  // lost: let the next request post
}

void PostQuit(int code) { PostMessage(MSG_QUIT, (uintptr_t)(intptr_t)code, 0); }

void EndLoop(int code) { LoopRequestEnd(code); }

// The virtual key of an SDL key, or 0 for keys the program does not use.
static int VirtualKey(SDL_Keycode k) {
    switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return KEY_ACTION;
    case SDLK_LEFT: return KEY_LEFT;
    case SDLK_UP: return KEY_UP;
    case SDLK_RIGHT: return KEY_RIGHT;
    case SDLK_DOWN: return KEY_DOWN;
    case SDLK_ESCAPE: return KEY_ESCAPE;
    case SDLK_SPACE: return KEY_SPACE;
    case SDLK_BACKSPACE: return KEY_BACKSPACE;
    case SDLK_PAGEUP: return KEY_PAGEUP;
    case SDLK_PAGEDOWN: return KEY_PAGEDOWN;
    case SDLK_PLUS:
    case SDLK_EQUALS:  // '+' without Shift on most layouts
    case SDLK_KP_PLUS: return KEY_PLUS;
    case SDLK_MINUS:
    case SDLK_KP_MINUS: return KEY_MINUS;
    default: return 0;
    }
}

// Pen positions outside the client (a drag that left the window) are
// pinned to its edge: the packing has no sign.
static intptr_t Pen(int x, int y) {
    int w = sdl.clientWidth.load(), h = sdl.clientHeight.load();
    x = x < 0 ? 0 : (x >= w && w > 0 ? w - 1 : x);
    y = y < 0 ? 0 : (y >= h && h > 0 ? h - 1 : y);
    return PackPen(x, y);
}

static void Translate(const SDL_Event& e, WndProc proc) {
    if (e.type == sdl.userEvent.load()) {
        uint32_t msg = (uint32_t)e.user.code;
        if (msg == MSG_QUIT) {
            LoopRequestQuit((int)(intptr_t)e.user.data1);
        } else if (msg == kRaiseRequest) {
            RaiseMainWindow();
        } else {
            if (msg == MSG_PAINT) PaintTaken();
            proc(msg, (uintptr_t)e.user.data1, (intptr_t)e.user.data2);
        }
        return;
    }
    switch (e.type) {
    case SDL_QUIT:  // the window's close button, or SIGINT/SIGTERM
        proc(MSG_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(e.window);
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            proc(MSG_ACTIVATE, 1, 0);
            PostMessage(MSG_PAINT);
        }
        break;
    case SDL_KEYDOWN: {
        SDL_Keycode k = e.key.keysym.sym;
        if (k == SDLK_q && (e.key.keysym.mod & KMOD_CTRL)) {
            if (!e.key.repeat) proc(MSG_COMMAND, 1, 0);
        } else if (int vk = VirtualKey(k)) {
            proc(MSG_KEYDOWN, (uintptr_t)vk, 0);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT) proc(MSG_LBUTTONDOWN, 1, Pen(e.button.x, e.button.y));
        break;
    case SDL_MOUSEMOTION:
        // A pen only moves while it touches: no hover messages.
        if (e.motion.state & SDL_BUTTON_LMASK) proc(MSG_MOUSEMOVE, 1, Pen(e.motion.x, e.motion.y));
        break;
    case SDL_MOUSEWHEEL: {
        int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches) proc(MSG_MOUSEWHEEL, (uintptr_t)(intptr_t)notches, 0);
        break;
    }
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) proc(MSG_LBUTTONUP, 0, Pen(e.button.x, e.button.y));
        break;
    default:
        break;
    }
}

int RunLoop(WndProc proc) {
    int depth = LoopEnter();
    int code = 0;
    for (;;) {
        SDL_Event e;
        if (!SDL_WaitEvent(&e)) {
            SDL_Delay(1);
            continue;
        }
        Translate(e, proc);
        if (LoopMustReturn(depth, &code)) break;
    }
    LoopLeave();
    return code;
}

}  // namespace plat
