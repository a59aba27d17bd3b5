// The SDL main window: display checks, placement, frame presentation and
// cursors.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/FrameCopy.h"
#include "platform/LoopControl.h"
#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "platform/sdl/SdlState.h"

namespace plat {

SdlState sdl;

static std::vector<uint16_t> lastFrame;  // interface thread only
static int lastWidth, lastHeight;

bool OnInterfaceThread() { return sdl.interfaceThread != 0 && SDL_ThreadID() == sdl.interfaceThread; }

bool InitDisplay() {
    // Without a Wayland session libwayland's probe prints its own complaint;
    // leave it out so that "no display" stays the one line.
    if (!getenv("SDL_VIDEODRIVER") && !getenv("WAYLAND_DISPLAY")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    // Without a display SDL would fall back to drawing where nobody sees.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || strcmp(driver, "dummy") == 0 || strcmp(driver, "offscreen") == 0) {
        SDL_Quit();
        return false;
    }
    Uint32 type = SDL_RegisterEvents(1);
    if (type == (Uint32)-1) {
        SDL_Quit();
        return false;
    }
    sdl.userEvent.store(type);
    sdl.interfaceThread = SDL_ThreadID();
    return true;
}

// LUMATRAY_SCREEN=WxH: a forced client size for tests and demos.
static bool ForcedSize(int* w, int* h) {
    const char* v = getenv("LUMATRAY_SCREEN");
    int a, b;
    char tail;
    if (!v || sscanf(v, "%dx%d%c", &a, &b, &tail) != 2) return false;
    if (a < 16 || b < 16 || a > 16384 || b > 16384) return false;
    *w = a;
    *h = b;
    return true;
}

bool CreateMainWindow(const char16_t* title, int* clientWidth, int* clientHeight) {
    char name[256];
    Utf16ToUtf8(title, name, sizeof name);
    SDL_DisplayMode mode;
    SDL_Rect usable;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) mode.w = 480, mode.h = 640;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = {0, 0, mode.w, mode.h};
    Uint32 flags = SDL_WINDOW_SHOWN;
    int w, h, x, y;
    if (ForcedSize(&w, &h)) {
        x = y = SDL_WINDOWPOS_CENTERED;
    } else if (mode.h > mode.w) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        w = mode.w, h = mode.h, x = y = 0;
    } else {
        // A landscape display keeps its orientation; the program gets a
        // 3:4 portrait window instead.
        h = usable.h * 9 / 10;
        w = h * 3 / 4;
        x = usable.x + (usable.w - w) / 2;
        y = usable.y + (usable.h - h) / 2;
    }
    sdl.window = SDL_CreateWindow(name, x, y, w, h, flags);
    if (!sdl.window) return false;
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (!sdl.renderer) sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
    if (!sdl.renderer) {
        SDL_DestroyWindow(sdl.window);
        sdl.window = nullptr;
        return false;
    }
    SDL_GetWindowSize(sdl.window, &w, &h);
    sdl.clientWidth.store(w);
    sdl.clientHeight.store(h);
    sdl.visible.store(true);
    *clientWidth = w;
    *clientHeight = h;
    return true;
}

void SetMainWindowIcon(const unsigned char* rgba, int size) {
    if (!sdl.window || !rgba || size <= 0) return;
    // SDL only reads the pixels: the const goes for the call alone.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(rgba), size, size, 32, size * 4,
                                                           SDL_PIXELFORMAT_RGBA32);
    if (!icon) return;
    SDL_SetWindowIcon(sdl.window, icon);
    SDL_FreeSurface(icon);
}

void DestroyMainWindow() {
    if (sdl.texture) SDL_DestroyTexture(sdl.texture);
    if (sdl.renderer) SDL_DestroyRenderer(sdl.renderer);
    if (sdl.window) SDL_DestroyWindow(sdl.window);
    sdl.texture = nullptr;
    sdl.renderer = nullptr;
    sdl.window = nullptr;
    sdl.visible.store(false);
}

void GetClientSize(int* width, int* height) {
    *width = sdl.clientWidth.load();
    *height = sdl.clientHeight.load();
}

bool MainWindowVisible() { return sdl.visible.load(); }

void RaiseMainWindow() {
    if (!sdl.window) return;
    SDL_RestoreWindow(sdl.window);
    SDL_RaiseWindow(sdl.window);
}

// Uploads the kept frame and shows it unscaled at the top left.
static void ShowLastFrame() {
    if (!sdl.renderer || lastFrame.empty()) return;
    if (!sdl.texture || sdl.textureWidth != lastWidth || sdl.textureHeight != lastHeight) {
        if (sdl.texture) SDL_DestroyTexture(sdl.texture);
        sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, lastWidth,
                                        lastHeight);
        if (!sdl.texture) return;
        sdl.textureWidth = lastWidth;
        sdl.textureHeight = lastHeight;
    }
    SDL_UpdateTexture(sdl.texture, nullptr, lastFrame.data(), lastWidth * 2);
    SDL_Rect dst = {0, 0, lastWidth, lastHeight};
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, &dst);
    SDL_RenderPresent(sdl.renderer);
}

void PresentFrame(const uint16_t* const* rows, int width, int height) {
    if (!rows || width <= 0 || height <= 0 || !OnInterfaceThread()) return;
    lastFrame.resize((size_t)width * (size_t)height);
    for (int y = 0; y < height; y++) memcpy(&lastFrame[(size_t)y * width], rows[y], (size_t)width * 2);
    lastWidth = width;
    lastHeight = height;
    ShowLastFrame();
}

void PresentRegion(int x, int y, const uint16_t* const* rows, int width, int height) {
    if (!rows || width <= 0 || height <= 0 || !OnInterfaceThread()) return;
    if (lastFrame.empty()) {
        lastWidth = sdl.clientWidth.load();
        lastHeight = sdl.clientHeight.load();
        if (lastWidth <= 0 || lastHeight <= 0) return;
        lastFrame.assign((size_t)lastWidth * (size_t)lastHeight, 0);
    }
    CopyOntoFrame(lastFrame, lastWidth, lastHeight, x, y, rows, width, height);
    ShowLastFrame();
}

void HandleWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        sdl.visible.store(true);
        PostMessage(MSG_PAINT);
        break;
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        sdl.visible.store(false);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        sdl.clientWidth.store(e.data1);
        sdl.clientHeight.store(e.data2);
        PostMessage(MSG_PAINT);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        ShowLastFrame();  // at once, before the program composes a new one
        PostMessage(MSG_PAINT);
        break;
    default:
        break;
    }
}

void SetWaitCursor(bool wait) {
    if (!OnInterfaceThread()) return;
    static SDL_Cursor* cursors[2];
    int i = wait ? 1 : 0;
    if (!cursors[i]) cursors[i] = SDL_CreateSystemCursor(wait ? SDL_SYSTEM_CURSOR_WAIT : SDL_SYSTEM_CURSOR_ARROW);
    if (cursors[i]) SDL_SetCursor(cursors[i]);
}

void ExitProcess(int code) { std::exit(code); }

}  // namespace plat
