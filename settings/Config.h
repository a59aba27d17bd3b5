// The configuration file Lumatray.ini: folder on view, cache folder, four
// bookmarks and the pixel budget, in key|value| lines; plus the key parsers
// shared with Skin.txt.
#pragma once

#include <cstdint>

extern int MaxPicPixel;         // largest decoded picture in pixels (2,000,000)
extern bool MaxPicPixelGiven;   // a MaxPicPixel line was read: write it back

// Reads "<ProgramFolder>/Lumatray.ini"; when the program folder is not
// writable, "<ConfigFolder>/Lumatray.ini" if it exists. A missing file keeps
// every default. Lines are UTF-8 when valid, else ISO-8859-1; values
// longer than 511 units are cut. A MaxPicPixel below 1 is not taken (the
// line still counts as given).
void LoadConfiguration();
// Writes the file as UTF-8 to the place LoadConfiguration prefers (the
// configuration folder is created when needed): a temporary file renamed
// over the old one only when complete. When anything fails the old file
// stays and the box "Unable to save the configuration!" is shown.
void SaveConfiguration();

// The folder whose path is saved as ImgPath: the browser's folder on view
// once a browser exists, else ImgPath. The browser installs its own.
extern const char16_t* (*FolderOnView)();

// Key parsers: true when the line carries the key (exact, case-sensitive,
// followed by '|'); the value runs to the last '|' of the line.
bool ParseKeyText(const char* line, const char* key, char16_t* dest, int capacity = 512);
bool ParseKeyInt(const char* line, const char* key, int* dest);
bool ParseKeyHex(const char* line, const char* key, int* dest);
