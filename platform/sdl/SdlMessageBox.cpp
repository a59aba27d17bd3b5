// Message boxes through SDL_ShowMessageBox.
#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "platform/sdl/SdlState.h"

namespace plat {

static std::string Utf8(const char16_t* text) {
    std::string s;
    if (!text) return s;
    int units = 0;
    while (text[units]) units++;
    s.resize((size_t)units * 3 + 1);
    int n = Utf16ToUtf8(text, s.data(), (int)s.size());
    s.resize(n < 0 ? 0 : (size_t)n);
    return s;
}

int MessageBox(const char16_t* text, const char16_t* caption, unsigned type, bool ownedByMain) {
    std::string body = Utf8(text), title = Utf8(caption);
    bool yesNo = (type & 0xF) == MB_YESNO;
    SDL_MessageBoxButtonData buttons[2];
    int count;
    if (yesNo) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, ID_YES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ID_NO, "No"};
        count = 2;
    } else {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ID_OK, "OK"};
        count = 1;
    }
    SDL_MessageBoxData data;
    SDL_zero(data);
    data.flags = (type & 0xF0) == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    data.window = ownedByMain ? sdl.window : nullptr;
    data.title = title.c_str();
    data.message = body.c_str();
    data.numbuttons = count;
    data.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) {
        // No box could be shown (or it was closed without a button): say it
        // on stderr and take the answer that changes nothing.
        fprintf(stderr, "lumatray: %s: %s\n", title.c_str(), body.c_str());
        pressed = yesNo ? ID_NO : ID_OK;
    }
    if (OnInterfaceThread()) {
        // The box is not modal for SDL: taps and keys aimed at it must not
        // reach the program afterwards.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
        SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
        SDL_FlushEvents(SDL_FINGERDOWN, SDL_FINGERMOTION);
    }
    return pressed;
}

}  // namespace plat
