// Strings, paths, folders and the mail hand-off. All strings are UTF-16 and
// zero-terminated; paths use '/' and never end in it (the root is the empty
// path). These routines never allocate.
#pragma once

#include <cstdint>

constexpr int kPathUnits = 512;  // UTF-16 path buffers, terminator included
// A path under another one: the cache root followed by a picture's path.
constexpr int kLongPathUnits = 2 * kPathUnits + 8;
constexpr int kNoLimit = 999999;

// Copies at most n-1 bytes and terminates; null source gives "" and 0.
// Returns the character that stopped the copy: non-zero exactly when cut.
int CopyText(const char* src, char* dst, int n = kNoLimit);
int CopyWide(const char16_t* src, char16_t* dst, int n = kNoLimit);
// ISO-8859-1 widening: each byte becomes one code unit.
void WidenText(const char* src, char16_t* dst, int n = kNoLimit);
// Keeps the low 8 bits of each unit; returns the unit that stopped the copy.
int NarrowText(const char16_t* src, char* dst, int n = kNoLimit);
// Case-folded comparison: -1, 0, 1; count -1 = no limit. Both code units
// are folded to lower case (towlower with the C library's Unicode tables,
// independent of the process locale); a null text counts as empty.
int CompareNoCase(const char16_t* a, const char16_t* b, int count = -1);
// Length in code units.
int WideLength(const char16_t* s);
// Cuts at the last '/'; without one the text becomes empty.
void CutLastComponent(char16_t* path);
// Keeps what follows the last '/', then cuts at the last '.'.
void PathTitle(char16_t* path);
// Creates every folder along the path (not the last component).
void CreateFolders(const char16_t* path);
// Deletes a folder with everything in it; failures are ignored. Symbolic
// links to folders are deleted as links, their targets are left alone. The
// root (empty path) is never deleted.
void DeleteTree(const char16_t* folder);

// The mail compose record handed to ComposeMail.
struct MailRecord {
    uint32_t size;  // 44 on the original platform; kept for callers
    const char16_t* attachment;
    uint32_t attachmentCount;
};
// Null: 1 when a mail composer is available, else 0. A record: 0 when
// the composer was started (it runs on its own; nobody waits for it) or
// there is none, -1 when it could not start or the record has no
// attachment. A composer once found is kept; while
// none is found every call looks again.
int ComposeMail(const MailRecord* record);
