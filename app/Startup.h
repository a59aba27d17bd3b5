// The start-up work that runs while the splash is up, the shut-down that
// runs on the main window's destroy message, and the main window's paint.
#pragma once

// End of the splash's initialisation: makes the thumbnail pool.
void FirstStartupStep();
// The WM_STARTUP work: makes the process-wide objects and the browser,
// keeps the splash up for at least 500 ms from its start, then posts
// command 1 to end the splash.
void StartupWork();
// Destroy message: stops the workers, saves the settings, frees the
// process-wide objects. Never reports fatally; waits are bounded.
void ShutdownWork();
// Paint message of the main window: composes and presents a frame.
void PaintMainWindow();
