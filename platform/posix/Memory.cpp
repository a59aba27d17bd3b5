// Memory available to the process: the tightest of the system's free
// memory, the cgroup's limit and the address-space limit.
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/Platform.h"

namespace plat {

static bool ReadFileText(const char* path, char* buf, size_t cap) {
    FILE* f = fopen(path, "re");
    if (!f) return false;
    size_t n = fread(buf, 1, cap - 1, f);
    fclose(f);
    buf[n] = 0;
    return n > 0;
}

// MemAvailable of /proc/meminfo in bytes.
static bool SystemAvailable(uint64_t* bytes) {
    char buf[4096];
    if (!ReadFileText("/proc/meminfo", buf, sizeof buf)) return false;
    const char* p = strstr(buf, "MemAvailable:");
    unsigned long long kb;
    if (!p || sscanf(p + 13, "%llu", &kb) != 1) return false;
    *bytes = (uint64_t)kb * 1024;
    return true;
}

// The smallest memory.max - memory.current of this process's cgroup (v2)
// and its ancestors: a parent's limit binds as well.
static bool CgroupHeadroom(uint64_t* bytes) {
    char buf[4096];
    if (!ReadFileText("/proc/self/cgroup", buf, sizeof buf)) return false;
    const char* line = strstr(buf, "0::");
    if (!line) return false;
    char path[1024];
    int n = snprintf(path, sizeof path, "/sys/fs/cgroup%s", line + 3);
    if (n <= 0 || n >= (int)sizeof path) return false;
    char* nl = strchr(path, '\n');
    if (nl) *nl = 0;
    bool found = false;
    uint64_t best = UINT64_MAX;
    for (;;) {
        size_t len = strlen(path);
        while (len > 1 && path[len - 1] == '/') path[--len] = 0;
        char file[1100], value[64];
        unsigned long long max, cur;
        snprintf(file, sizeof file, "%s/memory.max", path);
        if (ReadFileText(file, value, sizeof value) && sscanf(value, "%llu", &max) == 1) {
            snprintf(file, sizeof file, "%s/memory.current", path);
            if (ReadFileText(file, value, sizeof value) && sscanf(value, "%llu", &cur) == 1) {
                uint64_t room = cur < max ? (uint64_t)(max - cur) : 0;
                if (room < best) best = room;
                found = true;
            }
        }
        char* slash = strrchr(path, '/');
        if (!slash || slash - path < (long)strlen("/sys/fs/cgroup")) break;
        *slash = 0;
    }
    if (found) *bytes = best;
    return found;
}

// RLIMIT_AS minus the address space in use.
static bool AddressSpaceHeadroom(uint64_t* bytes) {
    struct rlimit rl;
    if (getrlimit(RLIMIT_AS, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return false;
    char buf[256];
    unsigned long long pages;
    if (!ReadFileText("/proc/self/statm", buf, sizeof buf) || sscanf(buf, "%llu", &pages) != 1) return false;
    uint64_t used = (uint64_t)pages * (uint64_t)sysconf(_SC_PAGESIZE);
    *bytes = used < rl.rlim_cur ? (uint64_t)rl.rlim_cur - used : 0;
    return true;
}

uint64_t AvailableMemory() {
    uint64_t best = UINT64_MAX, v;
    if (SystemAvailable(&v) && v < best) best = v;
    if (CgroupHeadroom(&v) && v < best) best = v;
    if (AddressSpaceHeadroom(&v) && v < best) best = v;
    if (best == UINT64_MAX) {
        long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
        best = pages > 0 && size > 0 ? (uint64_t)pages * (uint64_t)size : 0;
    }
    return best;
}

}  // namespace plat
