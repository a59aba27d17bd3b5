// The mail composer: xdg-email, started directly (no shell, so no quoting
// of the attachment's name can go wrong).
#include <errno.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/Platform.h"
#include "platform/posix/PathUtf8.h"

extern char** environ;

namespace plat {

// Full path of xdg-email on PATH, or empty.
static std::string FindComposer() {
    const char* path = getenv("PATH");
    if (!path) return "";
    std::string all = path;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        // An empty PATH element means the current folder.
        std::string candidate = end > start ? all.substr(start, end - start) : std::string(".");
        candidate += "/xdg-email";
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

bool MailAvailable() { return !FindComposer().empty(); }

int ComposeMailWith(const char16_t* attachment) {
    std::string composer = FindComposer();
    PathUtf8 file(attachment);
    if (composer.empty() || !file.ok) return -1;
    char attach[] = "--attach";
    char* argv[] = {composer.data(), attach, file.text, nullptr};
    pid_t pid;
    if (posix_spawn(&pid, composer.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    // The composer may stay open for as long as the user writes: the
    // caller (the interface thread) never waits for it. A thread of its
    // own reaps it, so no zombie is left behind.
    std::thread([pid] {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

}  // namespace plat
