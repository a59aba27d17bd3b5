// Internal to platform/: a UTF-16 path turned into the UTF-8 bytes the
// kernel takes. The root folder (the empty path) becomes "/".
#pragma once

#include "platform/Utf8.h"

namespace plat {

// A cache name of 1,031 UTF-16 units needs at most 3 bytes each (a
// surrogate pair: 4 for 2); Linux takes paths of up to 4,096 bytes.
constexpr int kUtf8PathBytes = 4096;

struct PathUtf8 {
    char text[kUtf8PathBytes];
    bool ok;  // false when the path was null or did not fit
    explicit PathUtf8(const char16_t* path) {
        ok = path != nullptr && Utf16ToUtf8(path, text, kUtf8PathBytes) >= 0;
        if (!ok) text[0] = 0;
        else if (text[0] == 0) text[0] = '/', text[1] = 0;
    }
};

// Stores UTF-8 bytes as a UTF-16 path of at most capacity units; false when
// it does not fit (a cut path would name another file).
inline bool StorePath(const char* utf8, char16_t* out, int capacity) {
    if (capacity <= 0) return false;
    if (Utf8ToUtf16(utf8, out, capacity) < 0) {
        out[0] = 0;
        return false;
    }
    return true;
}

}  // namespace plat
