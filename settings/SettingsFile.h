// Where the two settings files live and how they are written. Both files
// sit under the program folder, or under the user's configuration folder
// when the program is installed or its folder is not writable.
#pragma once

// Line buffers of the settings files: a 511-unit path takes up to 1,533
// bytes as UTF-8, plus the key, two bars and a line end.
constexpr int kSettingsLineBytes = 2048;

// The file to write: "<ProgramFolder>/<relative>", or
// "<ConfigFolder>/<relative>" when the program is installed or its folder
// is not writable.
// False when there is no such place or the path does not fit 512 units.
bool SettingsWritePath(const char16_t* relative, char16_t* out);
// The file to read: the write path when that file exists, else the copy
// shipped beside the program, or in DataFolder when installed.
bool SettingsReadPath(const char16_t* relative, char16_t* out);
// Hands every line of the settings file (the read path of relative) to
// parse, in order. A missing or unreadable file gives no lines.
void ReadSettingsLines(const char16_t* relative, void (*parse)(const char* line));

// Replaces the file at path with the lines (each shorter than 4,096 bytes)
// atomically: they go to "<path>.tmp", every write and the close are
// checked, and only a complete file is renamed over the old one. Missing
// folders along the path are created. On any failure the old file stays
// untouched, the temporary file is removed and the box "Unable to save the
// configuration!" is shown. True when the file was replaced.
bool WriteSettingsFile(const char16_t* path, const char* const* lines, int count);
