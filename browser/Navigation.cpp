// Folder navigation: switching folders, the scanner and loader bodies, the
// ancestor trail and the climb to a parent folder.
#include <new>

#include "app/Globals.h"
#include "browser/PathJoin.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"
#include "util/Diagnostics.h"
#include "util/StopRequest.h"
#include "util/Text.h"

static const char16_t kTagKeep[] = u".PictureMgr_t.SetPath:SetPictureName";
static const char16_t kTagFolder[] = u".PictureMgr_t.DoProcess:AddFld";
static const char16_t kTagPicture[] = u".PictureMgr_t.DoProcess:AddPic";

static Picture_t* NewEntry(int kind, const char16_t* tag) {
    Picture_t* e = new (std::nothrow) Picture_t(kind);
    if (!e) ReportOutOfMemory(tag, sizeof(Picture_t));
    return e;
}

bool IsJpegName(const char16_t* name) {
    int n = WideLength(name);
    return (n > 4 && CompareNoCase(name + n - 4, u".jpg") == 0) ||
           (n > 5 && CompareNoCase(name + n - 5, u".jpeg") == 0);
}

// The scanner's pause: once every so many items, and at most this long for
// an interface thread that waits for the lock.
constexpr int kScanBurst = 64;
constexpr int kYieldToWaiterMs = 50;

static bool IsDotEntry(const char16_t* name) {
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

bool PictureMgr_t::SetPath(const char16_t* folder, const char16_t* keep, int keepKind) {
    if (!folder) folder = u"";
    int len = WideLength(folder);
    while (len > 0 && folder[len - 1] == u'/') len--;
    // A cut path would open some other folder: refuse instead.
    if (len >= kPathUnits) return false;
    if (keep && WideLength(keep) >= kPathUnits) keep = nullptr;

    StopWorkers();
    Pause(true);
    // folder may be Path itself (GoUp): a forward copy is safe.
    for (int i = 0; i < len; i++) Path[i] = folder[i];
    Path[len] = 0;
    BuildTrail();
    ClearEntries();
    Flags.fetch_and(~PM_SCAN_LISTED);
    ResetView(-1);
    if (keep && keep[0]) {
        Picture_t* e = NewEntry(keepKind, kTagKeep);
        e->SetFileName(keep);
        if (keepKind == KIND_PICTURE) {
            // As the listing would give them: the thumbnail cache ties each
            // thumbnail to its picture's size and time.
            int h = plat::FileOpen(keep, plat::FILE_READ);
            uint64_t size = 0;
            plat::FileTime time = 0;
            if (h >= 0 && plat::FileInfo(h, &size, &time)) e->SetFileInfo((uint32_t)size, time);
            if (h >= 0) plat::FileClose(h);
        }
        Pic[0] = e;
        Count = 1;
        ResetView(0);
    }
    Pause(false);
    RequestRepaint(true);
    StartWorkers();
    return true;
}

bool PictureMgr_t::Hand(Picture_t* entry) {
    if (!PauseUnlessStopped(PM_SCAN_STOP)) {
        delete entry;  // never listed
        return false;
    }
    AddEntry(entry, false);
    Pause(false);
    return true;
}

void PictureMgr_t::DoProcess() {
    plat::Dir* dir = (Flags & PM_SCAN_STOP) ? nullptr : plat::OpenDir(Path, plat::DIR_HIDE_DOT_NAMES);
    if (dir) {
        int listed = 0;
        plat::DirEntry de;
        char16_t full[kPathUnits];
        while (!(Flags & PM_SCAN_STOP) && plat::NextDirEntry(dir, &de)) {
            // A name too long for a path buffer cannot be opened again.
            bool fits = !IsDotEntry(de.name) && JoinPath(full, kPathUnits, Path, u"/", de.name);
            if (fits && (de.attributes & plat::ATTR_DIRECTORY)) {
                Picture_t* e = NewEntry(KIND_FOLDER, kTagFolder);
                e->SetFileName(full);
                if (!Hand(e)) break;
            } else if (fits && IsJpegName(de.name)) {
                Picture_t* e = NewEntry(KIND_PICTURE, kTagPicture);
                e->SetFileInfo(de.size, de.time);
                e->SetFileName(full);
                if (!Hand(e)) break;
            }
            // The scanner already runs below the interface thread: a yield
            // after each item, a real pause only every kScanBurst items (5 ms
            // while a picture is on view) and while the interface thread
            // waits for the lock, so a large folder never freezes the pen.
            if (++listed % kScanBurst == 0)
                plat::Sleep(Mode == 1 ? 5 : 1);
            else
                plat::YieldProcessor();
            for (int i = 0; i < kYieldToWaiterMs && lockWaiters_.load() > 0; i++) plat::Sleep(1);
        }
        plat::CloseDir(dir);
    }
    // The info line as the listing left it (AddEntry draws it once a frame).
    if (PauseUnlessStopped(PM_SCAN_STOP)) {
        PaintInfoLine();
        Pause(false);
    }
    // A folder that cannot be listed counts as listed: it is simply empty.
    if (!(Flags & PM_SCAN_STOP)) Flags.fetch_or(PM_SCAN_LISTED);
    RequestRepaint(true);
    while (!(Flags & PM_SCAN_STOP)) plat::Sleep(1);
}

int PictureMgr_t::NextLoaderOffset(int offset) {
    if (offset == 0) return 1;
    return offset > 0 ? -offset : -offset + 1;
}

bool PictureMgr_t::AnyPictureLoading() const {
    int count = Count;
    for (int i = 0; i < count; i++)
        if (Pic[i]->HasFlags(PIC_LOADING)) return true;
    return false;
}

void PictureMgr_t::IconProcess() {
    // A thumbnail being made gives up when the loader is stopped or the
    // program quits, instead of finishing a long decode first.
    StopRequestScope stop(&Flags, PM_LOADER_STOP, &AppFlags, APP_QUIT);
    int anchor = -1, offset = 0, remembered = 0;
    uint32_t seen = 0;  // listGeneration_ as the walk last started
    while (!(Flags & PM_LOADER_STOP)) {
        Picture_t* work = nullptr;
        bool far = false, repaint = false;
        // The entry is picked under the lock and published before the lock
        // is released, so DestroyEntry knows to wait for it.
        if (!PauseUnlessStopped(PM_LOADER_STOP)) break;
        int count = Count;
        int sel = Selected();
        uint32_t generation = listGeneration_.load();
        // An entry removed or replaced, or a thumbnail given back, may lie
        // behind the walk's front (whatever the count did meanwhile): walk
        // again from the focus so that what went is made again.
        if (sel != anchor || generation != seen) {
            anchor = sel;
            remembered = count;
            seen = generation;
            offset = 0;
        }
        // While a full picture decodes, the loader keeps out of its way.
        if (offset < count && !AnyPictureLoading()) {
            int index = anchor + offset;
            if (index >= 0 && index < count) {
                Picture_t* e = Pic[index];
                if (Mode == 1 && offset == StepDir && EnsureFreeMemory(index, true)) e->Load(false);
                if (!e->HasFlags(ICON_READY) && IconPool) {
                    // What the walk gives back itself lies beyond its
                    // front: no reason to start again.
                    ReleaseFarIcons(index);
                    seen = listGeneration_.load();
                    // Far on either side: only confirm the cache, hold no slot.
                    int distance = offset < 0 ? -offset : offset;
                    far = distance > IconPool->SlotCount() / 2;
                    work = e;
                    loaderEntry_.store(e);
                }
            }
            offset = NextLoaderOffset(offset);
        }
        // Entries arrived meanwhile: start again from the focus once its
        // first neighbours are done.
        if (offset == 10 && count != remembered) anchor = -1;
        if (offset == count) {
            if (count != remembered) anchor = -1;
            repaint = true;
            offset = count + 1;  // idle until re-anchored
        }
        Pause(false);

        if (work) {
            work->LoadIcon(far);
            if (!work->HasFlags(ICON_CACHED)) work->LoadForIcon();
            LetGoOfEntry();
        }
        if (repaint) RequestRepaint(true);
        plat::Sleep(Mode == 1 ? 33 : 1);
    }
}

void PictureMgr_t::BuildTrail() {
    char16_t path[kPathUnits], name[kPathUnits];
    bool previousNamed = false;  // the slot before has a name other than "/"
    CopyWide(Path, path, kPathUnits);
    for (int i = 0; i < BackSlotCount; i++) {
        if (path[0] == 0) {
            // The root is shown once, as "/"; the slots above it stay empty.
            CopyWide(i == 0 || previousNamed ? u"/" : u"", name, kPathUnits);
            previousNamed = false;
        } else {
            CopyWide(path, name, kPathUnits);
            PathTitle(name);
            // ".hidden" has no title before its dot: show the whole name.
            if (name[0] == 0) {
                int k = WideLength(path);
                while (k > 0 && path[k - 1] != u'/') k--;
                CopyWide(path + k, name, kPathUnits);
            }
            previousNamed = true;
        }
        Back[i]->SetDisplayName(name);
        Back[i]->SetPath(path);
        RenderLabel(Back[i]);
        Back[i]->CheckBookmark();
        CutLastComponent(path);
    }
}

void PictureMgr_t::GoUp(int levels) {
    if (levels <= 0) {
        if (Back[0]->Path()[0] == 0) return;
        levels = 1;
    }
    StopScanner();
    Refresh();
    Pause(true);
    Flags.fetch_or(PM_ASCENDING);
    StopWorkers();

    int step = 250 / (levels > 3 ? levels : 3);
    char16_t left[kPathUnits];
    left[0] = 0;
    for (int level = 0; level < levels; level++) {
        uint32_t start = plat::TickCount();
        for (;;) {
            uint32_t elapsed = plat::TickCount() - start;
            if (elapsed > (uint32_t)step) elapsed = step;
            Grow = 1.0f + 2.0f * (float)elapsed / (float)step;
            PaintFull->Clear();
            DrawBrowse(-1);
            PaintFull->Paint();
            if (elapsed >= (uint32_t)step) break;
            plat::Sleep(1);
        }
        CopyWide(Path, left, kPathUnits);
        CopyWide(Back[1]->Path(), Path, kPathUnits);
        BuildTrail();
        ClearEntries();
        ResetView(-1);
    }
    Flags.fetch_and(~PM_ASCENDING);
    ResetView(-1);
    Pause(false);
    SetPath(Path, left);
    Refresh();
}
