// Internal to platform/: test overrides of the program's folders, set by
// the headless backend (Headless.h) and honoured by the folder queries.
#pragma once

namespace plat {

// FOLDER_MEDIA replaces both removable-media roots ("/" for the root).
enum FolderKind {
    FOLDER_PROGRAM_FILE,
    FOLDER_PICTURES,
    FOLDER_TEMP,
    FOLDER_CONFIG,
    FOLDER_CARD,
    FOLDER_MEDIA,
    FOLDER_KINDS
};

// Empty or null text removes the override.
void SetFolderOverride(FolderKind kind, const char16_t* path);
// True when an override is set; it is copied into out (false if too long,
// which the caller reports as a failed query).
bool FolderOverride(FolderKind kind, char16_t* out, int capacity, bool* fits);
// "No storage card" as an override of its own: the empty path is the root.
void SetCardAbsent(bool absent);
bool CardAbsent();

}  // namespace plat
