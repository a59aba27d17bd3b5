// Joining texts into a fixed path buffer without ever overrunning it.
#pragma once

#include <initializer_list>

// dst = a + b + c. False, and dst empty, when the result (terminator
// included) needs more than capacity units: a cut path would name another
// file.
inline bool JoinPath(char16_t* dst, int capacity, const char16_t* a, const char16_t* b,
                     const char16_t* c = u"") {
    int n = 0;
    for (const char16_t* part : {a, b, c}) {
        for (const char16_t* p = part; p && *p; p++) {
            if (n >= capacity - 1) {
                if (capacity > 0) dst[0] = 0;
                return false;
            }
            dst[n++] = *p;
        }
    }
    if (capacity > 0) dst[n] = 0;
    return capacity > 0;
}
