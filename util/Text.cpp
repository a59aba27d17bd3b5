#include "util/Text.h"

#include <atomic>
#include <clocale>
#include <cwctype>
#include <type_traits>

#include "platform/Platform.h"

// The bounded copy behind CopyText and CopyWide: the unit that stopped it
// is returned as an unsigned value (non-zero exactly when cut).
template <typename Unit>
static int CopyUnits(const Unit* src, Unit* dst, int n) {
    using U = std::make_unsigned_t<Unit>;
    if (n <= 0 || !dst) return src ? (U)src[0] : 0;
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    int i = 0;
    for (; i < n - 1 && src[i]; i++) dst[i] = src[i];
    dst[i] = 0;
    return (U)src[i];
}

int CopyText(const char* src, char* dst, int n) { return CopyUnits(src, dst, n); }

int CopyWide(const char16_t* src, char16_t* dst, int n) { return CopyUnits(src, dst, n); }

void WidenText(const char* src, char16_t* dst, int n) {
    if (n <= 0 || !dst) return;
    int i = 0;
    if (src)
        for (; i < n - 1 && src[i]; i++) dst[i] = (unsigned char)src[i];
    dst[i] = 0;
}

int NarrowText(const char16_t* src, char* dst, int n) {
    if (n <= 0 || !dst) return src ? src[0] : 0;
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    int i = 0;
    // A unit whose low byte is 0 (U+0100, U+0200 ...) would end the text
    // early; that is the 8-bit mapping's nature, not a fault to mend here.
    for (; i < n - 1 && src[i]; i++) dst[i] = (char)(src[i] & 0xFF);
    dst[i] = 0;
    return src[i];
}

// Case folding uses the C library's Unicode tables of the "C.UTF-8" locale
// rather than the process locale, whose "C" default maps ASCII only: the
// browser's order must not change with the user's environment.
static wint_t FoldUnit(char16_t c) {
    static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
    // Surrogates are no characters of their own; the tables leave them be.
    if (utf8) return towlower_l((wint_t)c, utf8);
    return towlower((wint_t)c);
}

int CompareNoCase(const char16_t* a, const char16_t* b, int count) {
    static const char16_t empty[1] = {0};
    if (!a) a = empty;
    if (!b) b = empty;
    int limit = count < 0 ? kNoLimit : count;
    for (int i = 0; i < limit; i++) {
        wint_t fa = FoldUnit(a[i]), fb = FoldUnit(b[i]);
        if (fa > fb) return 1;
        if (fa < fb) return -1;
        if (a[i] == 0) return 0;  // equal folds, so b ends here too
    }
    return 0;
}

int WideLength(const char16_t* s) {
    if (!s) return 0;
    int n = 0;
    while (s[n]) n++;
    return n;
}

void CutLastComponent(char16_t* path) {
    if (!path) return;
    int cut = 0;
    for (int i = 0; path[i]; i++)
        if (path[i] == u'/') cut = i;
    path[cut] = 0;
}

void PathTitle(char16_t* path) {
    if (!path) return;
    int slash = -1, n = 0;
    for (; path[n]; n++)
        if (path[n] == u'/') slash = n;
    if (slash >= 0) {
        int k = 0;
        for (int i = slash + 1; i <= n; i++) path[k++] = path[i];
    }
    int dot = -1;
    for (int i = 0; path[i]; i++)
        if (path[i] == u'.') dot = i;
    if (dot >= 0) path[dot] = 0;
}

void CreateFolders(const char16_t* path) {
    if (!path) return;
    // As long as a cache name: the thumbnail of a deep picture needs its
    // whole mirror folder.
    char16_t prefix[kLongPathUnits];
    for (int i = 0; i < kLongPathUnits - 1 && path[i]; i++) {
        if (i >= 1 && path[i] == u'/') {
            prefix[i] = 0;
            plat::CreateFolder(prefix);
        }
        prefix[i] = path[i];
    }
}

// Joins folder and name; false when the result would not fit, so that a
// cut name can never delete a different file.
static bool JoinPath(const char16_t* folder, const char16_t* name, char16_t* out) {
    int n = 0;
    for (; folder[n]; n++) {
        if (n >= kPathUnits - 1) return false;
        out[n] = folder[n];
    }
    if (n >= kPathUnits - 1) return false;
    out[n++] = u'/';
    for (int i = 0; name[i]; i++) {
        if (n >= kPathUnits - 1) return false;
        out[n++] = name[i];
    }
    out[n] = 0;
    return true;
}

// A symbolic link to a folder is deleted as a link: its target lies
// outside the tree and is not ours to delete.
void DeleteTree(const char16_t* folder) {
    if (!folder) return;
    // The root folder (the empty path) is never deleted, whatever a caller
    // computed.
    if (!folder[0]) return;
    uint32_t attributes = 0;
    if (plat::GetAttributes(folder, &attributes) && (attributes & plat::ATTR_LINK)) {
        plat::DeleteFile(folder);
        return;
    }
    plat::Dir* dir = plat::OpenDir(folder);
    if (dir) {
        plat::DirEntry entry;
        char16_t full[kPathUnits];
        while (plat::NextDirEntry(dir, &entry)) {
            if (!JoinPath(folder, entry.name, full)) continue;
            if ((entry.attributes & plat::ATTR_DIRECTORY) && !(entry.attributes & plat::ATTR_LINK))
                DeleteTree(full);
            else
                plat::DeleteFile(full);
        }
        plat::CloseDir(dir);
    }
    plat::RemoveFolder(folder);
}

// The composer's presence, learned on first use. Only a found composer is
// kept: while there is none, every call looks again, so one installed
// during the run is picked up.
static std::atomic<bool> mailFound{false};

int ComposeMail(const MailRecord* record) {
    if (!mailFound) mailFound = plat::MailAvailable();
    if (!mailFound) return 0;
    if (!record) return 1;
    if (!record->attachment || record->attachmentCount < 1) return -1;
    return plat::ComposeMailWith(record->attachment);
}
