// The operations that change files: delete an entry, rotate the shown
// picture in place, crop it to what the screen shows. Each confirms or
// reports through a message box; none holds the browser lock while a box
// waits for the user (the workers' lock waits are bounded).
#include <new>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "codec/Transform.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

namespace {
constexpr int kCloseViewCommand = 41002;

int AskYesNo(const char16_t* text) {
    return plat::MessageBox(text, u"Confirmation", plat::MB_YESNO | plat::MB_ICONQUESTION | plat::MB_TOPMOST, true);
}

void ShowError(const char16_t* text) {
    plat::MessageBox(text, u"Error!", plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST, true);
}

// The size and time the folder listing would give, so that the cache ties
// the new thumbnail to this version of the file.
void ReadFileInfo(Picture_t* e) {
    int handle = plat::FileOpen(e->Path(), plat::FILE_READ);
    uint64_t size = 0;
    plat::FileTime time = 0;
    if (handle >= 0 && plat::FileInfo(handle, &size, &time)) e->SetFileInfo((uint32_t)size, time);
    plat::FileClose(handle);
}

Picture_t* NewPictureEntry(const char16_t* path, const char16_t* tag) {
    Picture_t* e = new (std::nothrow) Picture_t(KIND_PICTURE);
    if (!e) ReportOutOfMemory(tag, sizeof(Picture_t));
    e->SetFileName(path);
    ReadFileInfo(e);
    return e;
}

ProgressTarget Screen() { return ProgressTarget{ScreenWidth, ScreenHeight, UiScale}; }

bool SamePath(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}
}  // namespace

int PictureMgr_t::IndexOfPath(const char16_t* path) const {
    int count = Count;
    for (int i = 0; i < count; i++)
        if (SamePath(Pic[i]->Path(), path)) return i;
    return -1;
}

void PictureMgr_t::DeleteEntry() {
    Pause(true);
    int i = Selected();
    Picture_t* e = i < Count ? Pic[i] : nullptr;
    // Only the interface thread destroys entries: e stays valid while the
    // box is up, though entries the scanner adds may move it.
    Pause(false);
    if (!e) return;
    // "Want to remove% s?": the space flag does nothing to a string.
    char16_t text[kPathUnits + 32];
    int n = 0;
    for (const char16_t* p = u"Want to remove"; *p; p++) text[n++] = *p;
    for (const char16_t* p = e->Path(); *p; p++) text[n++] = *p;
    text[n++] = u'?';
    text[n] = 0;
    if (AskYesNo(text) != plat::ID_YES) return;

    // The picture view first moves off the picture: forward, else back. A
    // picture with only folders before it has nowhere to go: the view
    // closes once it is gone.
    const int mode = Mode;
    if (mode == 1) {
        Pause(true);
        i = IndexOf(e);
        bool next = i >= 0 && i + 1 < Count;
        bool previous = i > 0 && Pic[i - 1]->Kind() != KIND_FOLDER;
        Pause(false);
        if (next) StepPicture(true);
        else if (previous) StepPicture(false);
    }

    Pause(true);
    plat::SetWaitCursor(true);
    i = IndexOf(e);
    if (i >= 0) {
        e->Release();
        // Failures are not reported: the entry goes, and a file that stayed
        // comes back at the next listing.
        if (e->Kind() == KIND_FOLDER) DeleteTree(e->Path());
        else plat::DeleteFile(e->Path());
        int count = Count;
        for (int j = i; j < count - 1; j++) Pic[j] = Pic[j + 1];
        Pic[count - 1] = nullptr;
        Count = count - 1;
        DestroyEntry(e);
        int cur = Current;
        if (cur > i) {
            // The entry stepped to (or the track's selection) moved down.
            Current = cur - 1;
            if (Shown > i) Shown = Shown - 1;
        } else if (cur == i && i >= Count) {
            // The last entry went: Current stays one past the end until the
            // track has turned back to the new last entry.
            Shown = Count > 0 ? Count - 1 : 0;
        }
        if (Count <= 0) {
            Count = 0;
            ResetView(-1);
        } else {
            PaintInfoLine();
        }
    }
    bool closeView = mode == 1 && Selected() >= Count;
    plat::SetWaitCursor(false);
    Pause(false);
    if (closeView) {
        OpenView(false, -1);
        Mode = 0;
    }
    Refresh();
}

void PictureMgr_t::ProcessRotation(int quarters) {
    ShowPopup(false);
    if (quarters < 1 || quarters > 3) return;
    plat::SetWaitCursor(true);
    Pause(true);
    int i = Selected();
    if (i >= Count || Pic[i]->Kind() != KIND_PICTURE) {
        Pause(false);
        plat::SetWaitCursor(false);
        return;
    }
    // The transform needs the memory of the full-resolution picture.
    int count = Count;
    for (int j = 0; j < count; j++) Pic[j]->Release();

    char16_t path[kPathUnits];
    CopyWide(Pic[i]->Path(), path, kPathUnits);
    // The entry is replaced before the file changes: its thumbnail and
    // sizes belong to the old picture.
    DestroyEntry(Pic[i]);
    Pic[i] = nullptr;

    RotateTransform_t* transform = new (std::nothrow) RotateTransform_t;
    if (!transform) ReportOutOfMemory(u".PictureMgr_t.ProcessRotation:Grx", sizeof(RotateTransform_t));
    transform->Mode = quarters;
    char16_t message[kTransformMessageUnits];
    ProgressTarget screen = Screen();
    transform->Process(path, message, &screen);
    delete transform;

    // Made anew from the same path, whatever the file now holds.
    Picture_t* e = NewPictureEntry(path, u".PictureMgr_t.ProcessRotation:NewPic");
    e->SetFlags(WANT_PICTURE);
    RenderLabel(e);
    Pic[i] = e;
    Angle = TargetAngle = RememberedAngle(i);
    ReleaseFarIcons(i);
    e->LoadForIcon();
    e->Load(true);
    Pause(false);
    plat::SetWaitCursor(false);
    if (message[0]) ShowError(message);
    plat::PostMessage(kCloseViewCommand);
}

void PictureMgr_t::ProcessCrop(int upright) {
    ShowMenu(-1);
    Pause(true);
    int sel = Selected();
    // What the screen shows is a picture only in the picture view.
    Picture_t* e = sel < Count && Mode == 1 ? Pic[sel] : nullptr;
    if (!e || e->Kind() != KIND_PICTURE || e->Width64() <= 0 || e->SourceWidth() <= 0) {
        Pause(false);
        return;
    }
    // The screen's corners as the picture is drawn now.
    PaintFull->Clear();
    DrawView();
    const int w64 = e->Width64(), h64 = e->Height64();
    int minX = w64, maxX = 0, minY = h64, maxY = 0;
    bool outside = false;
    for (const QuadCorner& c : e->viewCorners) {
        if (c.u < 0 || c.u > w64 || c.v < 0 || c.v > h64) outside = true;
        if (c.u < minX) minX = c.u;
        if (c.u > maxX) maxX = c.u;
        if (c.v < minY) minY = c.v;
        if (c.v > maxY) maxY = c.v;
    }
    if (outside) {
        Pause(false);
        ShowError(u"The current zoom does not allows you to perform this operation.");
        Pause(true);
        // Zoom in until the picture fills the screen (a hair more, so that
        // rounding keeps every corner inside): the next attempt can work.
        // Past the pen's closest zoom if need be: a small picture fills the
        // screen only beyond it.
        float ratio = e->FitRatio(Angle);
        if (ratio > 0.0f) TargetZoom = 0.995f / ratio;
        Pause(false);
        RequestRepaint(true);
        return;
    }
    Pause(false);
    if (AskYesNo(u"Would you crop the picture on the current view?") != plat::ID_YES) {
        Refresh();
        return;
    }

    plat::SetWaitCursor(true);
    Pause(true);
    sel = IndexOf(e);  // the scanner may have added entries meanwhile
    int count = Count;
    for (int j = 0; j < count; j++) Pic[j]->Release();
    // The view's turn in 0..359.
    int a = Angle;
    if (a < 0) a += 360 * ((-1 - a) / 360 + 1);
    a %= 360;
    CropTransform_t* transform = new (std::nothrow) CropTransform_t;
    if (!transform) ReportOutOfMemory(u".PictureMgr_t.ProcessCrop:grc", sizeof(CropTransform_t));
    const int64_t sw = e->SourceWidth(), sh = e->SourceHeight();
    transform->Left = (int)(minX * sw / w64);
    transform->Right = (int)(maxX * sw / w64);
    transform->Top = (int)(minY * sh / h64);
    transform->Bottom = (int)(maxY * sh / h64);
    transform->Upright = upright;
    transform->Mode = a / 90;
    char16_t message[kTransformMessageUnits];
    ProgressTarget screen = Screen();
    transform->Process(e->Path(), message, &screen);

    int focus = sel;
    Picture_t* reload = e;
    if (!message[0]) {
        Picture_t* added = NewPictureEntry(transform->OutputName, u".PictureMgr_t.ProcessCrop:NewPic");
        focus = AddEntry(added, false);
        // A name the list already holds is dropped by AddEntry: then the
        // entry listed under it is the one to load.
        int listed = IndexOfPath(transform->OutputName);
        if (listed >= 0) {
            focus = listed;
            reload = Pic[listed];
        }
    }
    delete transform;
    plat::SetWaitCursor(false);
    ReleaseFarIcons(-1);
    reload->LoadForIcon();
    reload->Load(true);
    Pause(false);
    if (message[0]) ShowError(message);
    RunCommand(kCloseViewCommand, 0);  // back to the track
    Shown = focus;
    Refresh();
}
