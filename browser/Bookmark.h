// A bookmark slot: one remembered folder. Four slots exist (Bookmarks),
// filled from the configuration file and saved back to it.
#pragma once

class PaintBuffer_t;

class Bookmark_t {
public:
    Bookmark_t();
    virtual ~Bookmark_t();
    // Stores the folder (cut to 511 units); an empty text empties the slot.
    void SetFolder(const char16_t* folder);
    const char16_t* Folder() const { return folder_; }
    bool Empty() const { return folder_[0] == 0; }

    // Where the bookmark panel placed the label; all -1 while not shown.
    void ClearRect() { left = top = right = bottom = -1; }
    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    // Edges included.
    bool Hit(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    // Draws the label into the box [l, r) x [t, b) of the frame.
    void DrawLabel(PaintBuffer_t* frame, int l, int t, int r, int b) const;

    int left = -1, top = -1, right = -1, bottom = -1;

private:
    char16_t folder_[512];
};

constexpr int kBookmarkSlots = 4;
// Created at start-up; null before (readers then see no bookmarks).
extern Bookmark_t* Bookmarks[kBookmarkSlots];
