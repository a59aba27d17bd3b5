// Repaint requests: any thread may ask for one more frame.
#pragma once

// Posts the paint message to the main window. Unforced requests are
// throttled to one per 200 ms; forced ones always post (animations).
void RequestRepaint(bool force);
