// The commands the on-screen buttons post: menus, steps, the pop-up, the
// file operations, mail and bookmarks.
#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"

namespace {
constexpr int kRemoveModeRow = 18;  // "bm_rem": its variant is the toggle
}

bool PictureMgr_t::RunCommand(int command, int parameter) {
    switch (command) {
    case 41001: ShowMenu(-1); return true;
    case 41002:
        OpenView(false, -1);
        Mode = 0;
        return true;
    case 41003: ShowPanel(true); return true;
    case 41004: AddBookmark(); return true;
    case 41005: ToggleRemoveMode(); return true;
    case 41006: StepPicture(false); return true;
    case 41007: StepPicture(true); return true;
    case 42001:
        DeleteEntry();
        ShowMenu(-1);
        return true;
    case 42002: {
        Pause(true);
        int sel = Selected();
        Picture_t* e = sel < Count ? Pic[sel] : nullptr;
        Pause(false);
        // The interface thread is the only one that removes entries: e stays.
        if (e && e->Kind() == KIND_PICTURE) e->SendByMail();
        ShowMenu(-1);
        return true;
    }
    case 42003: ProcessCrop(1); return true;
    case 42004: ProcessCrop(0); return true;
    case 42005: ShowPopup(true); return true;
    case 42006: SelectBookmark(parameter); return true;
    default: return false;
    }
}

void PictureMgr_t::AddBookmark() {
    ShowPanel(false);
    for (Bookmark_t* slot : Bookmarks)
        if (slot && slot->Empty()) {
            slot->SetFolder(Back[0]->Path());
            Back[0]->CheckBookmark();
            break;
        }
    ShowPanel(true);
}

void PictureMgr_t::ToggleRemoveMode() {
    MenuTable[kRemoveModeRow][2] ^= 1;
    Refresh();
}

void PictureMgr_t::SelectBookmark(int slot) {
    if (slot < 0 || slot >= kBookmarkSlots || !Bookmarks[slot]) return;
    Bookmark_t* b = Bookmarks[slot];
    if (MenuTable[kRemoveModeRow][2]) {
        ShowPanel(false);
        b->SetFolder(u"");
        // Another slot may hold the same folder: it stays marked.
        for (int i = 0; i < BackSlotCount; i++) Back[i]->CheckBookmark();
        Pause(true);
        int count = Count;
        for (int i = 0; i < count; i++) Pic[i]->CheckBookmark();
        Pause(false);
        MenuTable[kRemoveModeRow][2] = 0;
        ShowPanel(true);
    } else if (!b->Empty()) {
        char16_t folder[512];
        for (int i = 0; i < 512; i++) folder[i] = b->Folder()[i];
        SetPath(folder, nullptr);
        ShowPanel(false);
    }
}
