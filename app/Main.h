// The program from entry to exit, callable by tests on a thread of their
// own with the headless backend.
#pragma once

// Builds the tables, refuses a second instance (which raises the first),
// creates the main window (running the splash and the start-up work) and
// runs the message loop. Returns the exit code: 0 after a normal close or
// when another instance runs, 1 when there is no display.
int LumatrayMain();
