// The names of one picture's files in the thumbnail cache.
#pragma once

#include "util/Text.h"

// The cache mirrors the device's folders under CachePath: the thumbnail of
// /A/b.jpg is CachePath/A/b.jpg, its side file CachePath/A/b.jpg.dat.
struct CacheNames {
    static constexpr int kUnits = kLongPathUnits;  // CreateFolders takes as many
    char16_t icon[kUnits];
    char16_t side[kUnits];
    char16_t temp[kUnits];  // the thumbnail while it is being written
    // False when there is no usable cache: an empty root, or one made only
    // of '/' (the thumbnail's name would then be the picture's own), or a
    // picture path that is not absolute.
    bool Make(const char16_t* picturePath);
};

// True when CachePath names a folder other than the root.
bool CacheRootUsable();
