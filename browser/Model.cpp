// The browser's model: construction from the skin, the order of entries,
// the view state at rest and the remembered rotations.
#include <cstdlib>
#include <new>

#include "app/Globals.h"
#include "browser/PathJoin.h"
#include "browser/PictureMgr.h"
#include "browser/Repaint.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"
#include "settings/Config.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

PictureMgr_t* TheBrowser = nullptr;

const char16_t* const IconNames[kIconNames + 1] = {
    u"quit", u"delete", u"back", u"mail", u"lback", u"cropp", u"cropl",
    u"rotate", u"bm", u"bm_add", u"bm_rem", u"fprev", u"fnext", nullptr};

// Icon indexes: icon k of IconNames sits at 2k.
int MenuTable[kMenuRows][4] = {
    {41001, 4, 0, 0},   {41003, 16, 0, 0}, {16, 0, 0, 0},     {42001, 2, 0, 0},  // browse menu
    {41000, -1, 0, 0},
    {41001, 4, 0, 0},   {41002, 8, 0, 0},  {16, 0, 0, 0},     {42002, 6, 0, 0},  // picture menu
    {42003, 10, 0, 0},  {42004, 12, 0, 0}, {42005, 14, 0, 0}, {42001, 2, 0, 0},
    {41000, -1, 0, 0},
    {41001, 4, 0, 0},   {41000, -1, 0, 0},                                       // single button
    {41001, 4, 0, 0},   {41004, 18, 0, 0}, {41005, 20, 0, 0}, {41000, -1, 0, 0}, // bookmarks
    {41006, -1, 0, 1},  {41007, -1, 0, 1},                                       // the arrows
};

static const char16_t kTagPaintFull[] = u".PictureMgr_t.PictureMgr_t:PaintFull";
static const char16_t kTagPic[] = u".PictureMgr_t.PictureMgr_t:Pic";
static const char16_t kTagPaintInfo[] = u".PictureMgr_t.PictureMgr_t:PaintInfo";
static const char16_t kTagBack[] = u".PictureMgr_t.PictureMgr_t:Back";
static const char16_t kTagIcon[] = u".PictureMgr_t.PictureMgr_t:Icon";
static const char16_t kTagIconLit[] = u".PictureMgr_t.PictureMgr_t:Icon+1";
static const char16_t kTagRealloc[] = u".PictureMgr_t.PictureMgr_t:Pic.realloc";

constexpr int kMemoryCheckEvery = 32;
constexpr uint32_t kInfoLineMs = 40;

static const char16_t* BrowserFolder() { return TheBrowser ? TheBrowser->Path : ImgPath; }

static PaintBuffer_t* NewBuffer(int width, int height, const char16_t* tag) {
    PaintBuffer_t* b = new (std::nothrow) PaintBuffer_t(width, height);
    if (!b) ReportOutOfMemory(tag, sizeof(PaintBuffer_t));
    return b;
}

// The skin file "<DataFolder>/Skin/<name>.png"; false when it does not fit.
static bool SkinFile(char16_t* out, const char16_t* name) {
    char16_t file[128];
    if (!JoinPath(file, 128, u"/Skin/", name, u".png")) return false;
    return JoinPath(out, kPathUnits, DataFolder, file);
}

PictureMgr_t::PictureMgr_t() {
    // 1. The frame, whose cleared state is the skin background.
    PaintFull = NewBuffer(ScreenWidth, ScreenHeight, kTagPaintFull);
    PaintFull->Clear();  // a missing background.png leaves the plain fill
    char16_t file[kPathUnits];
    if (SkinFile(file, u"background")) PaintFull->LoadFromPng(file);
    PaintFull->SaveBackground();

    // 2. Empty list.
    for (PaintBuffer_t*& icon : Icon) icon = nullptr;
    Path[0] = 0;
    Capacity = 32;
    Pic = new (std::nothrow) Picture_t*[Capacity];
    if (!Pic) ReportOutOfMemory(kTagPic, (uint64_t)Capacity * sizeof(Picture_t*));
    Count = 0;
    Current = -1;
    Shown = -1;
    Flags = 0;
    Mode = 0;
    PortraitAngle = LandscapeAngle = 0;

    // 3. The info line.
    PaintInfo = NewBuffer(ScreenWidth, 20 * UiScale, kTagPaintInfo);
    PaintInfo->keyColour = kMagentaKey;

    // 4, 5. View state at rest.
    ResetView(-1);
    PopupSlide = 0;
    Grow = 1.0f;
    MenuSlide = 0;
    PanelSlide = 0;
    StepDir = 1;

    // 6. Ancestor slots.
    Back = new (std::nothrow) Picture_t*[BackSlotCount];
    if (!Back) ReportOutOfMemory(kTagBack, (uint64_t)BackSlotCount * sizeof(Picture_t*));
    for (int i = 0; i < BackSlotCount; i++) {
        Back[i] = new (std::nothrow) Picture_t(KIND_FOLDER);
        if (!Back[i]) ReportOutOfMemory(kTagBack, sizeof(Picture_t));
    }

    // 7. Button icons and their lit twins. The light map depends only on
    // the edge, so one map serves every icon of a size; ApplyLight rebuilds
    // it when the size changes (at "fprev").
    LightMap_t light;
    for (int k = 0; IconNames[k]; k++) {
        bool arrow = k >= 11;
        int edge = (arrow ? 27 : 60) * UiScale;
        PaintBuffer_t* icon = NewBuffer(edge, edge, kTagIcon);
        icon->keyColour = kMagentaKey;
        icon->Clear();  // a missing skin icon shows as transparent
        if (SkinFile(file, IconNames[k])) icon->LoadFromPng(file);
        PaintBuffer_t* lit = NewBuffer(edge, edge, kTagIconLit);
        lit->keyColour = kMagentaKey;
        lit->ApplyLight(icon, &light);
        Icon[2 * k] = icon;
        Icon[2 * k + 1] = lit;
        if (k == 11) MenuTable[20][1] = 2 * k;
        if (k == 12) MenuTable[21][1] = 2 * k;
    }

    // 8.
    BarHeight = ScreenWidth / 32 + ScreenWidth / 16;
    Menu = -1;
    ButtonCount = 0;

    FolderOnView = BrowserFolder;
}

PictureMgr_t::~PictureMgr_t() {
    StopWorkers();
    ClearEntries();
    for (int i = 0; i < BackSlotCount; i++) delete Back[i];
    delete[] Back;
    delete[] Pic;
    delete PaintFull;
    delete PaintInfo;
    for (PaintBuffer_t* icon : Icon) delete icon;
}

int PictureMgr_t::Selected() const {
    int c = Current;
    return c < 0 ? 0 : c;
}

// The name entries are ordered by: what follows the last '/' of the path.
// (The display name would make a.jpg and a.jpeg equal.)
static const char16_t* FileNameOf(const Picture_t* e) {
    const char16_t* p = e->Path();
    const char16_t* name = p;
    for (; *p; p++)
        if (*p == u'/') name = p + 1;
    return name;
}

// True when entry goes before e: folders first, then the case-folded name,
// an equal name going before.
static bool GoesBefore(const Picture_t* entry, const char16_t* name, const Picture_t* e) {
    bool folder = entry->Kind() == KIND_FOLDER, eFolder = e->Kind() == KIND_FOLDER;
    if (folder != eFolder) return folder;
    return CompareNoCase(name, FileNameOf(e)) <= 0;
}

static bool SamePath(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

int PictureMgr_t::FindEntry(const char16_t* path) {
    Pause(true);
    int found = -1, count = Count;
    for (int i = 0; i < count && found < 0; i++)
        if (SamePath(path, Pic[i]->Path())) found = i;
    Pause(false);
    return found;
}

int PictureMgr_t::AddEntry(Picture_t* entry, bool lock) {
    if (lock) Pause(true);
    // An entry itself is small; reading the system's free memory costs more
    // than listing it, so a large folder checks every kMemoryCheckEvery.
    if (Count % kMemoryCheckEvery == 0) EnsureFreeMemory(-1, false);

    if (Count == Capacity) {
        int grown = Capacity + 32;
        Picture_t** bigger = new (std::nothrow) Picture_t*[grown];
        if (!bigger) ReportOutOfMemory(kTagRealloc, (uint64_t)grown * sizeof(Picture_t*));
        for (int i = 0; i < Count; i++) bigger[i] = Pic[i];
        delete[] Pic;
        Pic = bigger;
        Capacity = grown;
    }

    // The list is ordered by GoesBefore, so the first entry it holds for
    // is found by bisection (folders of 10,000 files stay fast).
    const char16_t* name = FileNameOf(entry);
    int count = Count;
    int lo = 0, hi = count;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (GoesBefore(entry, name, Pic[mid])) hi = mid;
        else lo = mid + 1;
    }
    int i = lo;

    // A name can repeat only through the kept entry of SetPath. On a
    // case-sensitive file system "B" and "b" are both real, so the whole
    // run of case-folded equals is searched, not only its first entry.
    bool duplicate = false;
    for (int j = i; j < count && Pic[j]->Kind() == entry->Kind() &&
                    CompareNoCase(name, FileNameOf(Pic[j])) == 0; j++)
        if (SamePath(entry->Path(), Pic[j]->Path())) duplicate = true;

    if (duplicate) {
        delete entry;  // never seen by anyone else
    } else {
        for (int j = count; j > i; j--) Pic[j] = Pic[j - 1];
        if (Mode == 0) entry->SetFlags(WANT_ICON);
        else if (i == Selected()) entry->SetFlags(WANT_PICTURE);
        Pic[i] = entry;
        int cur = Current;
        if (i <= cur && cur < count) {
            Current = cur + 1;
            Shown = Shown + 1;
        }
        Count = count + 1;
    }

    // The info line at most once a frame while a folder fills; the scanner
    // draws the last state when the listing ends.
    uint32_t now = plat::TickCount();
    if (Count <= 1 || now - infoDrawn_ >= kInfoLineMs) {
        infoDrawn_ = now;
        PaintInfoLine();
    }
    if (lock) Pause(false);
    RequestRepaint(false);
    return i;
}

void PictureMgr_t::RenderLabel(Picture_t* entry) { PaintFull->SetPictureName(entry); }

void PictureMgr_t::ResetView(int index) {
    Current = index;
    Shown = index < 0 ? 0 : index;
    OffsetX = OffsetY = 0;
    Zoom = TargetZoom = 1.0f;
    Angle = TargetAngle = RememberedAngle(index);
    Turn = TargetTurn = 0;
    Grow = 1.0f;
    int count = Count, sel = Selected(), mode = Mode;
    for (int i = 0; i < count; i++) {
        Pic[i]->ClearFlags(WANT_ICON | WANT_PICTURE);
        if (mode == 0) Pic[i]->SetFlags(WANT_ICON);
        else if (i == sel) Pic[i]->SetFlags(WANT_PICTURE);
    }
    PaintInfoLine();
}

int PictureMgr_t::RememberedAngle(int index) {
    if (index < 0) index = 0;
    if (index >= Count) return 0;
    Picture_t* e = Pic[index];
    if (e->DecodedWidth() == 0) e->LoadNow(true);
    return e->Width() < e->Height() ? PortraitAngle : LandscapeAngle;
}

void PictureMgr_t::SaveAngle() {
    int sel = Selected();
    if (Count == 0 || sel >= Count) return;
    // Nearest quarter turn, halves away from zero.
    int a = Angle;
    int q = (a >= 0 ? a + 45 : a - 45) / 90 * 90;
    Picture_t* e = Pic[sel];
    if (e->Width() < e->Height()) PortraitAngle = q;
    else LandscapeAngle = q;
}

// The low bit of loaderEntry_ marks an entry destroyed while the loader
// held it: the loader frees it when it lets go.
static Picture_t* Orphaned(Picture_t* entry) {
    return reinterpret_cast<Picture_t*>(reinterpret_cast<uintptr_t>(entry) | 1);
}

void PictureMgr_t::DestroyEntry(Picture_t* entry) {
    if (!entry) return;
    listGeneration_.fetch_add(1);
    // The loader picked its entry under the lock we hold now and the entry
    // is out of Pic, so it cannot be picked again. Held right now: the
    // loader frees it when done (never under it, and a loader stuck in a
    // hung file system leaks it); not held: it is ours to free.
    Picture_t* held = entry;
    if (loaderEntry_.compare_exchange_strong(held, Orphaned(entry))) return;
    delete entry;
}

void PictureMgr_t::LetGoOfEntry() {
    Picture_t* held = loaderEntry_.exchange(nullptr);
    uintptr_t bits = reinterpret_cast<uintptr_t>(held);
    if (bits & 1) delete reinterpret_cast<Picture_t*>(bits & ~uintptr_t(1));
}

void PictureMgr_t::ClearEntries() {
    int count = Count;
    Count = 0;
    for (int i = 0; i < count; i++) {
        DestroyEntry(Pic[i]);
        Pic[i] = nullptr;
    }
}
