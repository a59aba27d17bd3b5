// The main window: its creation (which runs the splash and the start-up
// work) and its procedure.
#pragma once

#include <cstdint>

// Creates the window and runs the splash inside its creation; false when
// the window could not be made.
bool CreateMainWindow();
// Creation, activation, painting, command 1 (close), close and destroy,
// keys, pen, wheel and the button commands (app/Input.h).
// After the destroy message nothing more is dispatched to the program.
intptr_t MainWndProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
// Called at the start of every paint; the window is placed at creation,
// so there is nothing to move.
void FitWindowToScreen();
