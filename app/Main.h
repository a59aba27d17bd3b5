// The program from entry to exit, callable by tests on a thread of their
// own with the headless backend.
#pragma once

// Builds the tables, reads the argument (app/CommandLine.h), refuses a
// second instance (which raises the first and hands it the argument),
// creates the main window (running the splash and the start-up work) and
// runs the message loop. Returns the exit code: 0 after a normal close,
// --help or --version, or when another instance runs; 1 when there is no
// display; 2 for a bad argument.
int LumatrayMain(int argc = 0, const char* const* argv = nullptr);
