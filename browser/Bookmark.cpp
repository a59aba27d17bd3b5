#include "browser/Bookmark.h"

#include "util/Text.h"

Bookmark_t* Bookmarks[kBookmarkSlots];

Bookmark_t::Bookmark_t() { folder_[0] = 0; }
Bookmark_t::~Bookmark_t() = default;

void Bookmark_t::SetFolder(const char16_t* folder) { CopyWide(folder, folder_, 512); }
