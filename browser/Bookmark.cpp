#include "browser/Bookmark.h"

#include <new>

#include "app/Globals.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"
#include "settings/SkinColours.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

Bookmark_t* Bookmarks[kBookmarkSlots];

namespace {
constexpr uint16_t kLabelKey = 0x0020;  // the transparency mark alone
constexpr int kFontWeight = 500;
}  // namespace

Bookmark_t::Bookmark_t() {
    label_ = new (std::nothrow) PaintBuffer_t(ScreenWidth, 50 * UiScale);
    if (!label_) ReportOutOfMemory(u".Bookmark_t.Bookmark_t:PaintBuffer", sizeof(PaintBuffer_t));
    label_->keyColour = kLabelKey;
    label_->Clear();
    largeHeight_ = 100 * UiScale / 3;
    smallHeight_ = 50 * UiScale / 3;
    smallFont_ = plat::CreateFont(smallHeight_ * 9 / 10, smallHeight_ * 4 / 10, kFontWeight);
    largeFont_ = plat::CreateFont(largeHeight_ * 9 / 10, largeHeight_ * 3 / 10, kFontWeight);
    folder_[0] = 0;
    ClearRect();
}

Bookmark_t::~Bookmark_t() {
    plat::DeleteFont(smallFont_);
    plat::DeleteFont(largeFont_);
    delete label_;
}

void Bookmark_t::SetFolder(const char16_t* folder) {
    CopyWide(folder ? folder : u"", folder_, kPathUnits);
    // An emptied slot is not drawn: its label may keep the old picture.
    if (folder_[0]) RenderLabel();
}

void Bookmark_t::RenderLabel() {
    label_->Clear();
    const int W = label_->Width(), H = label_->Height();
    // Leading components go while the rest is too wide; the first '/' is
    // looked for from the second unit on, so a root-level name stays whole.
    const char16_t* first = folder_;
    while (MeasureText(largeFont_, first) >= W - 10) {
        const char16_t* slash = nullptr;
        for (const char16_t* p = first + 1; *p && !slash; p++)
            if (*p == u'/') slash = p;
        if (!slash) break;
        first = slash + 1;
    }
    secondLength_ = (int)(first - folder_);

    plat::Font* previous = label_->SelectFont(largeFont_);
    label_->DrawText(first, TEXT_CENTRE, 0, secondLength_ ? smallHeight_ : 0, W, H, SkinBookmark, kNoBackground);
    if (secondLength_) {
        char16_t head[kPathUnits];
        CopyWide(folder_, head, secondLength_ + 1);
        label_->SelectFont(smallFont_);
        label_->DrawText(head, TEXT_CENTRE, 0, 0, W, smallHeight_, SkinBookmarkLight, kNoBackground);
    }
    label_->SelectFont(previous);

    // Text colours may carry bit 5, which the panel's stretch would take
    // for transparency: keep it only on the key.
    uint16_t** rows = label_->Rows();
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (rows[y][x] != kLabelKey) rows[y][x] &= (uint16_t)~0x20;
}
