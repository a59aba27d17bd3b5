// The program's folders: its own file, pictures, cache, configuration and
// a removable medium standing in for the storage card.
#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/FolderOverrides.h"
#include "platform/posix/PathUtf8.h"

namespace plat {

static std::mutex overrideLock;
static std::u16string overrides[FOLDER_KINDS];
static bool cardAbsent;

void SetFolderOverride(FolderKind kind, const char16_t* path) {
    std::lock_guard<std::mutex> hold(overrideLock);
    overrides[kind] = path ? path : u"";
}

bool FolderOverride(FolderKind kind, char16_t* out, int capacity, bool* fits) {
    std::lock_guard<std::mutex> hold(overrideLock);
    const std::u16string& s = overrides[kind];
    if (s.empty()) return false;
    *fits = (int)s.size() < capacity;
    if (*fits) {
        s.copy(out, s.size());
        out[s.size()] = 0;
    } else if (capacity > 0) {
        out[0] = 0;
    }
    return true;
}

void SetCardAbsent(bool absent) {
    std::lock_guard<std::mutex> hold(overrideLock);
    cardAbsent = absent;
}

bool CardAbsent() {
    std::lock_guard<std::mutex> hold(overrideLock);
    return cardAbsent;
}

static std::string HomeFolder() {
    const char* h = getenv("HOME");
    if (h && h[0] == '/') return h;
    struct passwd pw, *res = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &res) == 0 && res && res->pw_dir) return res->pw_dir;
    return "/";
}

static std::string UserName() {
    struct passwd pw, *res = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &res) == 0 && res && res->pw_name) return res->pw_name;
    const char* u = getenv("USER");
    return u ? u : "";
}

// An XDG base folder from its variable (only when absolute), else the default.
static std::string XdgFolder(const char* variable, const char* fallbackUnderHome) {
    const char* v = getenv(variable);
    if (v && v[0] == '/') return v;
    return HomeFolder() + "/" + fallbackUnderHome;
}

static std::string TrimSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// Creates every missing folder of an absolute path.
static bool MakeFolders(const std::string& path) {
    struct stat st;
    for (size_t i = 1; i <= path.size(); i++) {
        if (i < path.size() && path[i] != '/') continue;
        std::string prefix = path.substr(0, i);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static bool Answer(const std::string& utf8, char16_t* out, int capacity) {
    std::string p = TrimSlashes(utf8);
    if (p == "/") p.clear();  // the root folder is the empty path
    return StorePath(p.c_str(), out, capacity);
}

static int OverrideOr(FolderKind kind, char16_t* out, int capacity) {
    bool fits = false;
    if (!FolderOverride(kind, out, capacity, &fits)) return -1;
    return fits ? 1 : 0;
}

bool ProgramFile(char16_t* out, int capacity) {
    int o = OverrideOr(FOLDER_PROGRAM_FILE, out, capacity);
    if (o >= 0) return o == 1;
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return false;
    buf[n] = 0;
    return Answer(buf, out, capacity);
}

// XDG_PICTURES_DIR="$HOME/Pictures" from user-dirs.dirs; empty when unset.
static std::string UserPicturesDir() {
    std::string file = XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs";
    FILE* f = fopen(file.c_str(), "re");
    if (!f) return "";
    char line[4096];
    std::string result;
    while (fgets(line, sizeof line, f)) {
        const char* p = line;
        while (*p == ' ' || *p == '\t') p++;
        if (strncmp(p, "XDG_PICTURES_DIR=", 17) != 0) continue;
        p += 17;
        if (*p != '"') continue;
        p++;
        const char* end = strchr(p, '"');
        if (!end) continue;
        std::string value(p, end);
        if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
        if (!value.empty() && value[0] == '/') result = value;
    }
    fclose(f);
    return result;
}

bool PicturesFolder(char16_t* out, int capacity) {
    int o = OverrideOr(FOLDER_PICTURES, out, capacity);
    if (o >= 0) return o == 1;
    // The user's pictures folder as XDG names it, else ~/Pictures, else
    // home; nothing is created in the user's home for it.
    struct stat st;
    std::string dir = TrimSlashes(UserPicturesDir());
    if (dir.empty() || stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        dir = HomeFolder() + "/Pictures";
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) dir = HomeFolder();
    }
    return Answer(dir, out, capacity);
}

bool TempFolder(char16_t* out, int capacity) {
    int o = OverrideOr(FOLDER_TEMP, out, capacity);
    if (o >= 0) return o == 1;
    std::string dir = TrimSlashes(XdgFolder("XDG_CACHE_HOME", ".cache"));
    MakeFolders(dir);
    return Answer(dir, out, capacity);
}

bool ConfigFolder(char16_t* out, int capacity) {
    int o = OverrideOr(FOLDER_CONFIG, out, capacity);
    if (o >= 0) return o == 1;
    std::string dir = TrimSlashes(XdgFolder("XDG_CONFIG_HOME", ".config")) + "/lumatray";
    MakeFolders(dir);
    return Answer(dir, out, capacity);
}

// Undoes the octal escapes (\040 for a space) of /proc/self/mounts.
static std::string Unescape(const char* s) {
    std::string r;
    for (; *s; s++) {
        if (s[0] == '\\' && s[1] >= '0' && s[1] <= '3' && s[2] >= '0' && s[2] <= '7' && s[3] >= '0' && s[3] <= '7') {
            r += (char)((s[1] - '0') * 64 + (s[2] - '0') * 8 + (s[3] - '0'));
            s += 3;
        } else {
            r += *s;
        }
    }
    return r;
}

bool StorageCard(char16_t* out, int capacity) {
    if (CardAbsent()) return false;
    int o = OverrideOr(FOLDER_CARD, out, capacity);
    if (o >= 0) return o == 1;
    std::string user = UserName();
    if (user.empty()) return false;
    std::string prefixes[2] = {"/run/media/" + user + "/", "/media/" + user + "/"};
    FILE* f = fopen("/proc/self/mounts", "re");
    if (!f) return false;
    char line[8192];
    bool found = false;
    while (!found && fgets(line, sizeof line, f)) {
        char* sp = strchr(line, ' ');
        if (!sp) continue;
        char* end = strchr(sp + 1, ' ');
        if (!end) continue;
        *end = 0;
        std::string mount = Unescape(sp + 1);
        for (const std::string& p : prefixes) {
            if (mount.size() > p.size() && mount.compare(0, p.size(), p) == 0) {
                found = Answer(mount, out, capacity);
                break;
            }
        }
    }
    fclose(f);
    return found;
}

// The roots under which removable media are mounted, one folder a medium.
static std::vector<std::string> MediaRoots() {
    char16_t over[kUtf8PathBytes / 2];
    bool fits = false;
    if (FolderOverride(FOLDER_MEDIA, over, (int)(sizeof over / sizeof over[0]), &fits)) {
        PathUtf8 p(over);
        std::string root = fits && p.ok ? TrimSlashes(p.text) : "";
        return {root == "/" ? std::string() : root};
    }
    std::string user = UserName();
    if (user.empty()) return {};
    return {"/run/media/" + user, "/media/" + user};
}

// Something is mounted at path: it lies on another device than its parent.
static bool MountPoint(const std::string& path) {
    struct stat st, parent;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && stat((path + "/..").c_str(), &parent) == 0 &&
           st.st_dev != parent.st_dev;
}

bool OnAbsentMedium(const char16_t* path) {
    PathUtf8 p(path);
    if (!p.ok) return true;  // cannot tell: nothing proven
    std::string s = TrimSlashes(p.text);
    if (s == "/") return true;
    for (const std::string& root : MediaRoots()) {
        // The root and the folders above it hold every medium's mirror.
        if (root.compare(0, s.size(), s) == 0 && (root.size() == s.size() || root[s.size()] == '/')) return true;
        std::string prefix = root + "/";
        if (s.compare(0, prefix.size(), prefix) != 0) continue;
        size_t end = s.find('/', prefix.size());
        return !MountPoint(s.substr(0, end));
    }
    return false;
}

bool AbsolutePath(const char* argument, char16_t* out, int capacity) {
    if (!argument || !argument[0]) return false;
    std::string whole;
    if (argument[0] != '/') {
        char cwd[kUtf8PathBytes];
        if (!getcwd(cwd, sizeof cwd)) return false;  // the working folder is gone
        whole = cwd;
        whole += '/';
    }
    whole += argument;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= whole.size()) {
        size_t end = whole.find('/', i);
        if (end == std::string::npos) end = whole.size();
        std::string part = whole.substr(i, end - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();  // above the root is the root
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) path += "/" + part;
    return StorePath(path.c_str(), out, capacity);  // the root is the empty path
}

bool FolderWritable(const char16_t* path) {
    PathUtf8 p(path);
    struct stat st;
    return p.ok && stat(p.text, &st) == 0 && S_ISDIR(st.st_mode) && access(p.text, W_OK | X_OK) == 0;
}

}  // namespace plat
