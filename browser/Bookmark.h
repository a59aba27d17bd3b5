// A bookmark slot: one remembered folder with its ready-rendered label for
// the bookmark panel. Four slots exist (Bookmarks), filled from the
// configuration file and saved back to it.
//
// The label is ScreenWidth x 50 UiScale pixels, key colour 0x0020 (the
// transparency mark, so the panel's stretch leaves its background out).
// Its first line holds the folder's tail in the large font; when the whole
// folder does not fit, leading components are dropped one at a time and
// the dropped head, with its trailing '/', becomes a second line above it
// in the small font. Interface thread only.
#pragma once

class PaintBuffer_t;
namespace plat { struct Font; }

class Bookmark_t {
public:
    // Label buffer (fatal ".Bookmark_t.Bookmark_t:PaintBuffer" when short),
    // both fonts, an empty folder, the rectangle at -1. ScreenWidth and
    // UiScale must be set.
    Bookmark_t();
    virtual ~Bookmark_t();
    // Stores the folder (cut to 511 units) and renders the label; an empty
    // text empties the slot (the label keeps its old picture).
    void SetFolder(const char16_t* folder);
    const char16_t* Folder() const { return folder_; }
    bool Empty() const { return folder_[0] == 0; }
    const PaintBuffer_t* Label() const { return label_; }
    // The two lines as rendered: first (the tail), second (the dropped
    // head, empty when the whole folder fits).
    const char16_t* FirstLine() const { return folder_ + secondLength_; }
    int SecondLineLength() const { return secondLength_; }

    // Where the bookmark panel placed the label; all -1 while not shown.
    void ClearRect() { left = top = right = bottom = -1; }
    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    // Edges included.
    bool Hit(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }

    int left = -1, top = -1, right = -1, bottom = -1;

    Bookmark_t(const Bookmark_t&) = delete;
    Bookmark_t& operator=(const Bookmark_t&) = delete;

private:
    void RenderLabel();

    plat::Font* smallFont_ = nullptr;  // second line
    plat::Font* largeFont_ = nullptr;  // first line
    int largeHeight_;                  // 100 UiScale / 3
    int smallHeight_;                  // 50 UiScale / 3
    char16_t folder_[512];
    int secondLength_ = 0;             // units of the folder on the second line
    PaintBuffer_t* label_ = nullptr;
};

constexpr int kBookmarkSlots = 4;
// Created at start-up; null before (readers then see no bookmarks).
extern Bookmark_t* Bookmarks[kBookmarkSlots];
