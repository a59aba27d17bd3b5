// UTF-8 for the program's two text files. Paths are written as UTF-8; a
// line read back is UTF-8 when it is valid UTF-8, otherwise ISO-8859-1
// (one byte per code unit), so files of 8-bit versions still load.
#pragma once

// Encodes the UTF-16 text as UTF-8 into at most n-1 bytes plus the
// terminator, never splitting a character. A lone surrogate is encoded as
// its own three-byte sequence so that whatever a path holds survives a
// save and load. Returns non-zero exactly when the text was cut.
int EncodeUtf8(const char16_t* src, char* dst, int n);

// True when the length bytes form valid UTF-8 (shortest forms, up to
// U+10FFFF; encoded surrogates are accepted, matching EncodeUtf8).
bool IsUtf8(const char* src, int length);

// Decodes length bytes into at most n-1 units plus the terminator: UTF-8
// when IsUtf8, else one unit per byte. A surrogate pair is never split.
// Returns non-zero exactly when the text was cut.
int DecodeTextLine(const char* src, int length, char16_t* dst, int n);
