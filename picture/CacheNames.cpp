#include "picture/CacheNames.h"

#include "app/Globals.h"

bool CacheRootUsable() {
    for (const char16_t* p = CachePath; *p; p++)
        if (*p != u'/') return true;
    return false;
}

static bool Join(char16_t* out, const char16_t* a, const char16_t* b, const char16_t* c) {
    int n = 0;
    for (const char16_t* part : {a, b, c})
        for (const char16_t* p = part; *p; p++) {
            if (n >= CacheNames::kUnits - 1) return false;
            out[n++] = *p;
        }
    out[n] = 0;
    return true;
}

bool CacheNames::Make(const char16_t* picturePath) {
    icon[0] = side[0] = temp[0] = 0;
    if (!CacheRootUsable() || !picturePath || picturePath[0] != u'/') return false;
    return Join(icon, CachePath, picturePath, u"") && Join(side, CachePath, picturePath, u".dat") &&
           Join(temp, CachePath, picturePath, u".tmp");
}
