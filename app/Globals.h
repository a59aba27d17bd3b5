// Process-wide values: the trigonometric tables, the screen metrics, the
// application flags and the three folders. Written once during start-up
// (before the browser exists) and only read afterwards, except AppFlags.
#pragma once

#include <atomic>
#include <cstdint>

extern float cosTable[721];    // cos(i deg), i = 0..720
extern float sinTable[721];    // sin(i deg)
extern float depthTable[721];  // 1 - 0.2 sin(i deg): perspective of the flip
extern float dropTable[181];   // 0.25 cos(j/2 deg)^0.7: items on the lower arc

extern int ScreenWidth;    // the smaller screen dimension
extern int ScreenHeight;   // the client height
extern int IconSize;       // ScreenWidth / 2: edge of a square thumbnail
extern int DragThreshold;  // ScreenWidth / 8, at least 20
extern int DragSlack;      // DragThreshold / 2
extern int UiScale;        // 1 up to a 600-pixel diagonal, else 2
extern int NameDrop;       // 16 * UiScale: height of a name label
extern int BackSlotCount;  // ancestor slots of the browser, 2..4

// Shared with the cache scan thread; each bit has a single writer.
enum : int { APP_SCAN_RUNNING = 1, APP_QUIT = 2, APP_SCAN_DONE = 4 };
extern std::atomic<int> AppFlags;

extern char16_t ProgramFolder[512];  // folder of the program file
// The folder that holds Skin/: ProgramFolder (a build folder, a copy kept
// anywhere), or PREFIX/share/lumatray of an installed copy, whose settings
// then live in the configuration folder (Installed).
extern char16_t DataFolder[512];
extern bool Installed;
extern char16_t ImgPath[512];        // start folder
extern char16_t CachePath[512];      // thumbnail cache root

// Fills the four tables (double precision, stored as float).
void BuildTrigTables();
// Derives every metric from the client size.
void SetScreenMetrics(int width, int height);
