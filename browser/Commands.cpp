// The commands the on-screen buttons post: menus, steps, the pop-up, mail
// and bookmarks. The operations that rewrite or remove files (delete,
// rotate, crop) are dispatched here; until they exist they only close
// their menu.
#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"

namespace {
constexpr int kRemoveModeRow = 18;  // "bm_rem": its variant is the toggle
}

static void MarkBookmarkedFolders(PictureMgr_t* pm) {
    for (int i = 0; i < BackSlotCount; i++) pm->Back[i]->CheckBookmark();
    pm->Pause(true);
    int count = pm->Count;
    for (int i = 0; i < count; i++) pm->Pic[i]->CheckBookmark();
    pm->Pause(false);
}

bool PictureMgr_t::RunCommand(int command, int parameter) {
    switch (command) {
    case 41001: ShowMenu(-1); return true;
    case 41002:
        OpenView(false, -1);
        Mode = 0;
        return true;
    case 41003: ShowPanel(true); return true;
    case 41004:
        // Add the folder on view to the first free slot; silently nothing
        // when all four are used.
        ShowPanel(false);
        for (Bookmark_t* slot : Bookmarks)
            if (slot && slot->Empty()) {
                slot->SetFolder(Back[0]->Path());
                Back[0]->CheckBookmark();
                break;
            }
        ShowPanel(true);
        return true;
    case 41005:
        MenuTable[kRemoveModeRow][2] ^= 1;
        Refresh();
        return true;
    case 41006: StepPicture(false); return true;
    case 41007: StepPicture(true); return true;
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
    case 42001:  // delete
    case 42003:  // crop, portrait
    case 42004:  // crop, landscape
        ShowMenu(-1);
        return true;
    case 42005: ShowPopup(true); return true;
    case 42006: {
        if (parameter < 0 || parameter >= kBookmarkSlots || !Bookmarks[parameter]) return true;
        Bookmark_t* slot = Bookmarks[parameter];
        if (MenuTable[kRemoveModeRow][2]) {
            ShowPanel(false);
            slot->SetFolder(u"");
            MarkBookmarkedFolders(this);
            MenuTable[kRemoveModeRow][2] = 0;
            ShowPanel(true);
        } else if (!slot->Empty()) {
            char16_t folder[512];
            for (int i = 0; i < 512; i++) folder[i] = slot->Folder()[i];
            SetPath(folder, nullptr);
            ShowPanel(false);
        }
        return true;
    }
    default: return false;
    }
}

void PictureMgr_t::ProcessRotation(int) {
    // Rewriting the file is not built yet: the choice only closes the pop-up.
    ShowPopup(false);
}
