// The start-up work run while the splash is up, the shut-down run on the
// destroy message, and the main window's paint. Interface thread only.
#include "app/Startup.h"

#include <new>

#include "app/CommandLine.h"
#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "browser/PathJoin.h"
#include "browser/PictureMgr.h"
#include "picture/CacheScan.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"
#include "settings/Config.h"
#include "settings/SkinColours.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

namespace {
PaintBuffer_t* Frame;  // the plain frame shown before the browser exists
constexpr uint16_t kFrameColour = 0x1082;  // a dark grey, bit 5 clear
constexpr uint32_t kSplashMinimumMs = 500;
plat::Thread* CacheScan;  // the cache scan thread, joined at shut-down
bool Started;             // the start-up work ran: there are settings to save

// "<DataFolder>/Skin/<file>"; false when it does not fit.
bool SkinPath(char16_t* out, const char16_t* file) {
    return JoinPath(out, kPathUnits, DataFolder, u"/Skin/", file);
}

bool IsFolder(const char16_t* path) {
    uint32_t attributes = 0;
    return plat::GetAttributes(path, &attributes) && (attributes & plat::ATTR_DIRECTORY);
}

// The skin beside the program (a build folder, a copy kept anywhere), else
// in PREFIX/share/lumatray of a copy installed as PREFIX/bin/lumatray.
void FindDataFolder() {
    CopyWide(ProgramFolder, DataFolder, kPathUnits);
    Installed = false;
    char16_t probe[kPathUnits], prefix[kPathUnits];
    if (JoinPath(probe, kPathUnits, ProgramFolder, u"/Skin") && IsFolder(probe)) return;
    CopyWide(ProgramFolder, prefix, kPathUnits);
    CutLastComponent(prefix);
    if (JoinPath(probe, kPathUnits, prefix, u"/share/lumatray/Skin") && IsFolder(probe) &&
        JoinPath(DataFolder, kPathUnits, prefix, u"/share/lumatray"))
        Installed = true;
    else
        CopyWide(ProgramFolder, DataFolder, kPathUnits);  // no skin anywhere: plain colours
}

// A skin icon: the PNG becomes the entry's thumbnail and its decoded
// picture is dropped again.
Picture_t* MakeSkinEntry(const char16_t* file, int kind, const char16_t* tag) {
    Picture_t* e = new (std::nothrow) Picture_t(KIND_PICTURE);
    if (!e) ReportOutOfMemory(tag, sizeof(Picture_t));
    e->SetFlags(NO_CACHE);
    char16_t path[kPathUnits];
    if (SkinPath(path, file)) e->SetFileName(path);
    e->SetKeyColour(kMagentaKey);
    e->LoadNow(false);
    if (IconPool) e->MakeIconFromPicture();
    e->Release();
    e->SetKind(kind);
    return e;
}

// The thumbnail cache root. A configured folder that exists is kept. Else
// the storage card's "<card>/_cache/Lumatray" (the layout a card carries
// between devices), else "<XDG cache>/lumatray", the Linux home of caches.
// The root is never left empty: thumbnails are written to root + picture
// path, and an empty root would put them over the pictures themselves.
void SettleCachePath() {
    int n = WideLength(CachePath);
    while (n > 0 && CachePath[n - 1] == u'/') CachePath[--n] = 0;
    uint32_t attributes = 0;
    if (CachePath[0] && plat::GetAttributes(CachePath, &attributes) &&
        (attributes & plat::ATTR_DIRECTORY))
        return;
    char16_t prefix[kPathUnits];
    bool made = false;
    if (plat::StorageCard(prefix, kPathUnits)) made = JoinPath(CachePath, kPathUnits, prefix, u"/_cache/Lumatray");
    if (!made && plat::TempFolder(prefix, kPathUnits)) made = JoinPath(CachePath, kPathUnits, prefix, u"/lumatray");
    if (!made) CopyWide(u"/tmp/lumatray-cache", CachePath, kPathUnits);
    CreateFolders(CachePath);
    plat::CreateFolder(CachePath);
}
}  // namespace

void FirstStartupStep() {
    // A pool that cannot be made leaves IconPool empty; no report.
    IconPool = new (std::nothrow) MemMgr_t();
}

void StartupWork() {
    uint32_t t0 = plat::TickCount();
    AppFlags = 0;
    Started = true;

    for (Bookmark_t*& slot : Bookmarks) {
        slot = new (std::nothrow) Bookmark_t();
        if (!slot) ReportOutOfMemory(u".Lumatray:Bookmark", sizeof(Bookmark_t));
    }

    ProgramFolder[0] = 0;
    if (plat::ProgramFile(ProgramFolder, kPathUnits)) CutLastComponent(ProgramFolder);
    FindDataFolder();

    NoImage = new (std::nothrow) PaintBuffer_t(70 * UiScale, 70 * UiScale);
    if (!NoImage) ReportOutOfMemory(u".Lumatray:no", sizeof(PaintBuffer_t));
    NoImage->keyColour = kMagentaKey;
    NoImage->Clear();  // without no.png the refusal shows nothing
    char16_t path[kPathUnits];
    if (SkinPath(path, u"no.png")) NoImage->LoadFromPng(path);

    if (!plat::PicturesFolder(ImgPath, kPathUnits)) ImgPath[0] = 0;
    LoadSkinColours();
    LoadConfiguration();
    SettleCachePath();

    CacheScan = plat::StartThread(CacheScanThread, nullptr, 7);

    UiFont = plat::CreateFont(15 * UiScale, 6 * UiScale, 500);

    SkinImage = MakeSkinEntry(u"Image.png", KIND_PICTURE, u".Lumatray:Image");
    SkinFolder = MakeSkinEntry(u"Folder.png", KIND_FOLDER, u".Lumatray:Folder");
    SkinFolderBm = MakeSkinEntry(u"Folder_bm.png", KIND_FOLDER, u".Lumatray:Folder_mb");

    TheBrowser = new (std::nothrow) PictureMgr_t();
    if (!TheBrowser) ReportOutOfMemory(u".Lumatray:PicMgr", sizeof(PictureMgr_t));
    // A saved folder that is gone (a storage card taken out, a folder
    // deleted) would show an empty track under names that no longer
    // exist: the pictures folder instead.
    if (!IsFolder(ImgPath) && !plat::PicturesFolder(ImgPath, kPathUnits)) ImgPath[0] = 0;
    const char16_t* picture;
    ApplyStartPath(ImgPath, &picture);  // the command line's folder over the saved one
    TheBrowser->SetPath(ImgPath, picture, KIND_PICTURE);

    // The splash stays up for half a second however quick the work was.
    while (!plat::TickAfter(plat::TickCount(), t0 + kSplashMinimumMs - 1)) plat::Sleep(1);
    plat::PostMessage(plat::MSG_COMMAND, 1);
}

void ShutdownWork() {
    AppFlags.fetch_or(APP_QUIT);
    if (CacheScan) {
        // Bounded: the settings are saved whether or not the scan ended.
        bool ended = WaitFor([] { return (AppFlags & APP_SCAN_DONE) != 0; }, u".Scan Cache end");
        if (ended) plat::JoinThread(CacheScan);
        else plat::DetachThread(CacheScan);  // stuck in the file system: left to it
        CacheScan = nullptr;
    }
    // A close before the start-up work ran must not overwrite the user's
    // settings with defaults.
    if (Started) {
        SaveConfiguration();
        SaveSkinColours();
    }

    // A worker stuck in a hung file system past its bound still uses the
    // browser, its entries and the pool: they are left to it, not freed.
    bool stuck = false;
    if (TheBrowser) {
        TheBrowser->StopWorkers();
        stuck = TheBrowser->WorkersStuck();
        if (!stuck) delete TheBrowser;
    }
    TheBrowser = nullptr;
    if (UiFont) plat::DeleteFont(UiFont);
    UiFont = nullptr;
    ReleaseFitFonts();
    // The skin entries hold pool slots: they go before the pool.
    for (Picture_t** skin : {&SkinImage, &SkinFolder, &SkinFolderBm}) {
        delete *skin;
        *skin = nullptr;
    }
    if (!stuck) delete IconPool;
    IconPool = nullptr;
    delete NoImage;
    NoImage = nullptr;
    for (Bookmark_t*& slot : Bookmarks) {
        delete slot;
        slot = nullptr;
    }
    delete Frame;
    Frame = nullptr;
    Started = false;
}

void PaintMainWindow() {
    if (TheBrowser) {
        TheBrowser->Refresh();
        return;
    }
    if (!plat::MainWindowVisible()) return;
    if (!Frame) {
        Frame = new (std::nothrow) PaintBuffer_t(ScreenWidth, ScreenHeight);
        if (!Frame) ReportOutOfMemory(u".Lumatray:Frame", sizeof(PaintBuffer_t));
        Frame->keyColour = kFrameColour;
    }
    Frame->Clear();
    Frame->Paint();
}
