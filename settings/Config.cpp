#include "settings/Config.h"

#include <cstdio>
#include <cstring>

#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "settings/KeyLine.h"
#include "settings/SettingsFile.h"
#include "util/Text.h"
#include "util/Utf8Line.h"

int MaxPicPixel = 2000000;
bool MaxPicPixelGiven = false;

static const char16_t* StartFolder() { return ImgPath; }
const char16_t* (*FolderOnView)() = StartFolder;

static const char16_t kConfigName[] = u"Lumatray.ini";

bool ParseKeyText(const char* line, const char* key, char16_t* dest, int capacity) {
    const char* value;
    int length;
    if (!MatchKeyLine(line, key, &value, &length)) return false;
    DecodeTextLine(value, length, dest, capacity);
    return true;
}

bool ParseKeyInt(const char* line, const char* key, int* dest) {
    const char* value;
    int length;
    if (!MatchKeyLine(line, key, &value, &length)) return false;
    ScanKeyValue(value, length, 10, dest);
    return true;
}

bool ParseKeyHex(const char* line, const char* key, int* dest) {
    const char* value;
    int length;
    if (!MatchKeyLine(line, key, &value, &length)) return false;
    ScanKeyValue(value, length, 16, dest);
    return true;
}

static void ParseConfigLine(const char* line) {
    if (ParseKeyText(line, "ImgPath", ImgPath, 512)) return;
    if (ParseKeyText(line, "CachePath", CachePath, 512)) return;
    int budget = MaxPicPixel;
    if (ParseKeyInt(line, "MaxPicPixel", &budget)) {
        MaxPicPixelGiven = true;
        // A budget below one pixel would leave the decoders nothing to
        // reduce to: such a line counts like an unreadable number.
        if (budget >= 1) MaxPicPixel = budget;
        return;
    }
    for (int slot = 0; slot < kBookmarkSlots; slot++) {
        char key[16];
        std::snprintf(key, sizeof key, "Bookmark%d", slot);
        char16_t folder[512];
        if (ParseKeyText(line, key, folder, 512)) {
            if (Bookmarks[slot]) Bookmarks[slot]->SetFolder(folder);
            return;
        }
    }
}

void LoadConfiguration() { ReadSettingsLines(kConfigName, ParseConfigLine); }

// Formats "key|value|\n" with the value as UTF-8.
static void FormatTextLine(char* out, const char* key, const char16_t* value) {
    char utf8[kSettingsLineBytes - 32];
    EncodeUtf8(value, utf8, sizeof utf8);
    std::snprintf(out, kSettingsLineBytes, "%s|%s|\n", key, utf8);
}

void SaveConfiguration() {
    char lines[7][kSettingsLineBytes];
    const char* list[7];
    int count = 0;
    const char16_t* onView = FolderOnView ? FolderOnView() : ImgPath;
    FormatTextLine(lines[count++], "ImgPath", onView ? onView : u"");
    FormatTextLine(lines[count++], "CachePath", CachePath);
    for (int slot = 0; slot < kBookmarkSlots; slot++) {
        char key[16];
        std::snprintf(key, sizeof key, "Bookmark%d", slot);
        FormatTextLine(lines[count++], key, Bookmarks[slot] ? Bookmarks[slot]->Folder() : u"");
    }
    if (MaxPicPixelGiven) std::snprintf(lines[count++], kSettingsLineBytes, "MaxPicPixel|%d|\n", MaxPicPixel);
    for (int i = 0; i < count; i++) list[i] = lines[i];
    char16_t path[kPathUnits];
    if (!SettingsWritePath(kConfigName, path)) path[0] = 0;
    WriteSettingsFile(path, list, count);
}
