// UTF-16 <-> UTF-8 conversion at the file-system boundary.
//
// Linux file names are byte strings that need not be valid UTF-8. So that
// every name survives a round trip, a byte that is not part of a valid UTF-8
// sequence becomes the lone low surrogate U+DC80 + byte (as Python's
// "surrogateescape" does), and such a surrogate turns back into that byte.
// Any other unpaired surrogate becomes U+FFFD. Header-only use of the core
// is allowed: nothing here touches the system.
#pragma once

#include <cstdint>

namespace plat {

// Converts zero-terminated UTF-16 into out (capacity bytes, terminator
// included). Returns the bytes written without the terminator, or -1 when
// the text did not fit; out is then cut at a character boundary and still
// terminated. A null source gives "".
int Utf16ToUtf8(const char16_t* text, char* out, int capacity);
// The same for the first length units only (length < 0: up to the zero).
int Utf16ToUtf8N(const char16_t* text, int length, char* out, int capacity);
// Converts zero-terminated UTF-8 into out (capacity units, terminator
// included). Returns the units written, or -1 when cut (as above).
int Utf8ToUtf16(const char* text, char16_t* out, int capacity);
// True when the bytes form valid UTF-8 (no escapes would be needed).
bool IsValidUtf8(const char* text, int length);
// Decodes one code point from UTF-16 at *i (advancing it); an unpaired
// surrogate is returned as itself.
uint32_t NextCodePoint(const char16_t* text, int length, int* i);

}  // namespace plat
