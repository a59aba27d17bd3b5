#include "browser/Bookmark.h"

#include "render/PaintBuffer.h"
#include "settings/SkinColours.h"
#include "util/Text.h"

Bookmark_t* Bookmarks[kBookmarkSlots];

Bookmark_t::Bookmark_t() { folder_[0] = 0; }
Bookmark_t::~Bookmark_t() = default;

void Bookmark_t::SetFolder(const char16_t* folder) { CopyWide(folder, folder_, 512); }

void Bookmark_t::DrawLabel(PaintBuffer_t* frame, int l, int t, int r, int b) const {
    // The folder's last component stands for it on one line.
    const char16_t* name = folder_;
    for (const char16_t* p = folder_; *p; p++)
        if (*p == u'/' && p[1]) name = p + 1;
    frame->DrawTextFit(name, TEXT_CENTRE, l, t, r, b, SkinBookmark, kNoBackground);
}
