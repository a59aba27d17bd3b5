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

private:
    char16_t folder_[512];
};

constexpr int kBookmarkSlots = 4;
// Created at start-up; null before (readers then see no bookmarks).
extern Bookmark_t* Bookmarks[kBookmarkSlots];
