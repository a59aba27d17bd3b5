#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

#include "app/Globals.h"
#include "browser/PictureMgr.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "util/Text.h"

char16_t StartPath[512];
PathKind StartKind;
// The start picture has yet to open: once the browser shows (interface
// thread only).
static bool startPending;

PathKind KindOfPath(const char16_t* path) {
    uint32_t attributes = 0;
    if (!plat::GetAttributes(path, &attributes)) return PATH_NONE;
    if (attributes & plat::ATTR_DIRECTORY) return PATH_FOLDER;
    // The browser lists JPEG files by name: it shows nothing else.
    const char16_t* name = path;
    for (const char16_t* p = path; *p; p++)
        if (*p == u'/') name = p + 1;
    return IsJpegName(name) ? PATH_PICTURE : PATH_OTHER;
}

static const char kUsage[] =
    "Usage: lumatray [FOLDER | PICTURE]\n"
    "Browses the JPEG pictures of FOLDER (by default the folder on view when it\n"
    "last ended), or opens PICTURE full screen among the pictures of its folder.\n"
    "When Lumatray already runs, its window shows the folder or picture instead.\n"
    "See lumatray(1) for the keys and gestures.\n";

int ReadCommandLine(int argc, const char* const* argv) {
    StartPath[0] = 0;
    StartKind = PATH_NONE;
    startPending = false;
    if (argc < 2) return -1;
    const char* arg = argv[1];
    bool options = true;  // until "--"
    int next = 2;
    if (std::strcmp(arg, "--") == 0 && argc > 2) {
        arg = argv[2];
        options = false;
        next = 3;
    }
    if (options && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options && std::strcmp(arg, "--version") == 0) {
        std::puts("lumatray 1.1.0");
        return 0;
    }
    if (argc > next) {
        std::fputs("lumatray: one folder or picture at most (see lumatray --help)\n", stderr);
        return 2;
    }
    if (!plat::AbsolutePath(arg, StartPath, kPathUnits)) {
        std::fprintf(stderr, "lumatray: %s: %s\n", arg, arg[0] ? "path too long" : "empty path");
        return 2;
    }
    PathKind kind = KindOfPath(StartPath);
    if (kind == PATH_NONE && options && arg[0] == '-') {
        std::fprintf(stderr, "lumatray: unknown option %s (see lumatray --help)\n", arg);
    } else if (kind == PATH_NONE) {
        std::fprintf(stderr, "lumatray: %s: no such file or folder\n", arg);
    } else if (kind == PATH_OTHER) {
        std::fprintf(stderr, "lumatray: %s: not a folder or a JPEG picture\n", arg);
    } else {
        StartKind = kind;
        startPending = kind == PATH_PICTURE;
        return -1;
    }
    StartPath[0] = 0;
    return 2;
}

// The folder of a picture path (the root is the empty path).
static void FolderOf(const char16_t* path, char16_t* folder) {
    CopyWide(path, folder, kPathUnits);
    CutLastComponent(folder);
}

static bool SameText(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

void ApplyStartPath(char16_t* imgPath, const char16_t** picture) {
    *picture = nullptr;
    if (StartKind == PATH_FOLDER) {
        CopyWide(StartPath, imgPath, kPathUnits);
    } else if (StartKind == PATH_PICTURE) {
        FolderOf(StartPath, imgPath);
        *picture = StartPath;
    }
}

void ShowPath(const char16_t* path) {
    PictureMgr_t* pm = TheBrowser;
    PathKind kind = KindOfPath(path);
    if (!pm || (kind != PATH_FOLDER && kind != PATH_PICTURE)) return;
    char16_t folder[kPathUnits];
    if (kind == PATH_PICTURE) FolderOf(path, folder);
    else CopyWide(path, folder, kPathUnits);
    int len = WideLength(folder);
    while (len > 0 && folder[len - 1] == u'/') folder[--len] = 0;  // "/" is the root, ""

    if (pm->PanelUp()) pm->ShowMenu(-1);
    int index = SameText(folder, pm->Path) && kind == PATH_PICTURE ? pm->FindEntry(path) : -1;
    if (pm->Mode == 1) {
        if (index >= 0 && index == pm->Selected()) return;  // on view already
        pm->OpenView(false, -1);
        pm->Mode = 0;
    }
    if (kind == PATH_FOLDER) {
        if (!SameText(folder, pm->Path)) pm->SetPath(folder, nullptr);
        return;
    }
    // Not listed (yet): it goes into a new list first, the scan adds the rest.
    if (index < 0 && !pm->SetPath(folder, path, KIND_PICTURE)) return;
    pm->Mode = 1;
    pm->OpenView(true, index);  // -1: the selected entry, the one kept
}

void ShowHandedPaths() {
    char16_t path[kPathUnits], last[kPathUnits];
    bool any = false;
    while (plat::TakeHandedPath(path, kPathUnits)) {
        CopyWide(path, last, kPathUnits);
        any = true;
    }
    // A later start has the last word over this one's own argument.
    if (!any && startPending) {
        CopyWide(StartPath, last, kPathUnits);
        any = true;
    }
    startPending = false;
    if (any) ShowPath(last);
}
