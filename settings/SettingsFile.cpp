#include "settings/SettingsFile.h"

#include "app/Globals.h"
#include "codec/File.h"
#include "platform/Platform.h"
#include "util/Text.h"

// Appends text to out at *n; false when it does not fit.
static bool Append(char16_t* out, int* n, const char16_t* text) {
    for (int i = 0; text[i]; i++) {
        if (*n >= kPathUnits - 1) return false;
        out[(*n)++] = text[i];
    }
    out[*n] = 0;
    return true;
}

static bool JoinSettingsPath(const char16_t* folder, const char16_t* relative, char16_t* out) {
    int n = 0;
    out[0] = 0;
    return Append(out, &n, folder) && Append(out, &n, u"/") && Append(out, &n, relative);
}

bool SettingsWritePath(const char16_t* relative, char16_t* out) {
    // An installed copy keeps them out of PREFIX/bin even when the user
    // may write there (a prefix in the home folder).
    if (!Installed && plat::FolderWritable(ProgramFolder)) return JoinSettingsPath(ProgramFolder, relative, out);
    char16_t config[kPathUnits];
    if (!plat::ConfigFolder(config, kPathUnits)) return false;
    return JoinSettingsPath(config, relative, out);
}

bool SettingsReadPath(const char16_t* relative, char16_t* out) {
    uint32_t attributes;
    if (SettingsWritePath(relative, out) && plat::GetAttributes(out, &attributes)) return true;
    // Until the user has a copy, the one shipped with the skin.
    return JoinSettingsPath(Installed ? DataFolder : ProgramFolder, relative, out);
}

bool WriteSettingsFile(const char16_t* path, const char* const* lines, int count) {
    char16_t temp[kPathUnits];
    int n = 0;
    temp[0] = 0;
    bool ok = path && path[0] && Append(temp, &n, path) && Append(temp, &n, u".tmp");
    if (ok) {
        CreateFolders(path);
        File_t file;
        ok = file.Open(temp, File_t::MODE_TEXT_WRITE);
        if (ok) {
            plat::SetWaitCursor(true);
            for (int i = 0; i < count; i++) ok = file.WriteString(lines[i]) && ok;
            plat::SetWaitCursor(false);
            ok = file.Close() && ok;
            // Only a complete file may replace the one that holds the
            // user's settings.
            ok = ok && plat::RenameFile(temp, path);
            if (!ok) plat::DeleteFile(temp);
        }
    }
    if (!ok)
        plat::MessageBox(u"Unable to save the configuration!", u"Error!",
                         plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST, true);
    return ok;
}

void ReadSettingsLines(const char16_t* relative, void (*parse)(const char* line)) {
    char16_t path[512];
    if (!SettingsReadPath(relative, path)) return;
    File_t file;
    if (!file.Open(path, File_t::MODE_READ)) return;
    char line[kSettingsLineBytes];
    line[0] = 0;
    while (file.ReadLine(line, kSettingsLineBytes)) parse(line);
    file.Close();
}
