// The configuration file Lumatray.ini: folder on view, cache folder, four
// bookmarks and the pixel budget, in key|value| lines; plus the key parsers
// shared with Skin.txt.
#pragma once

#include <cstdint>

extern int MaxPicPixel;         // largest decoded picture in pixels (2,000,000)
extern bool MaxPicPixelGiven;   // a MaxPicPixel line was read: write it back

// Reads "<ProgramFolder>/Lumatray.ini" (or the XDG config copy when the
// program folder is not writable). A missing file keeps every default.
void LoadConfiguration();
// Writes the file (temporary file, then rename); an error box when it
// cannot be created.
void SaveConfiguration();

// The folder whose path is saved as ImgPath: the browser's folder on view
// once a browser exists, else ImgPath. The browser installs its own.
extern const char16_t* (*FolderOnView)();

// Key parsers: true when the line carries the key (exact, case-sensitive,
// followed by '|'); the value runs to the last '|' of the line.
bool ParseKeyText(const char* line, const char* key, char16_t* dest, int capacity = 512);
bool ParseKeyInt(const char* line, const char* key, int* dest);
bool ParseKeyHex(const char* line, const char* key, int* dest);
