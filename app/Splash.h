// The start-up splash: the logo, centred with a 2-pixel frame, shown while
// the start-up work runs inside a nested message loop.
#pragma once

#include <cstdint>

// Private message the splash posts to itself to start the start-up work.
constexpr uint32_t WM_STARTUP = 45000;

// Runs the splash until command 1 ends it; returns the loop's result (1).
int RunSplash();
// Init (MSG_INITDIALOG), paint, WM_STARTUP and command 1.
intptr_t SplashDlgProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
