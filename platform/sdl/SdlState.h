// Internal to the SDL backend: the window, its renderer and the event type
// that carries the program's messages.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>

namespace plat {

// Internal message: another instance asked this one to raise its window.
constexpr uint32_t kRaiseRequest = 0x7FFF0001;

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0, textureHeight = 0;
    std::atomic<uint32_t> userEvent{(uint32_t)-1};
    SDL_threadID interfaceThread = 0;
    std::atomic<int> clientWidth{0}, clientHeight{0};
    std::atomic<bool> visible{false};
};
extern SdlState sdl;

// Window events of the loop: visibility, size, exposure (re-shows the last
// frame at once).
void HandleWindowEvent(const SDL_WindowEvent& e);
bool OnInterfaceThread();

}  // namespace plat
