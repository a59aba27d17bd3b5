// The mail hand-off against a stand-in composer on PATH.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"
#include "util/Text.h"

// One sequence, as availability is remembered once found.
TEST(ComposeMail, UnavailableUntilAComposerAppearsThenHandsTheFileOver) {
    TempFolder tmp;
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::string bin = tmp.Path() + "/bin", log = tmp.Path() + "/args.txt";
    mkdir(bin.c_str(), 0700);
    setenv("PATH", (tmp.Path() + "/nothing-here").c_str(), 1);
    EXPECT_EQ(ComposeMail(nullptr), 0);
    // Quotes, spaces and a dollar reach the composer as one argument.
    std::u16string picture = tmp.Wide() + u"/it's a \"$HOME\" \u5199\u771F.jpg";
    MailRecord record{44, picture.c_str(), 1};
    EXPECT_EQ(ComposeMail(&record), 0);  // no composer: nothing happens

    // The stand-in takes its time, as a composer the user writes in does:
    // the hand-off must not wait for it.
    std::string done = tmp.Path() + "/done";
    {
        std::ofstream script(bin + "/xdg-email");
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << log << ".part'\n"
               << "mv '" << log << ".part' '" << log << "'\nsleep 3\ntouch '" << done << "' 2>/dev/null\n";
    }
    chmod((bin + "/xdg-email").c_str(), 0755);
    setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    EXPECT_EQ(ComposeMail(nullptr), 1);  // looked for again, found now
    EXPECT_EQ(ComposeMail(&record), 0);
    EXPECT_NE(access(done.c_str(), F_OK), 0);  // returned while the composer still runs
    for (int i = 0; i < 60000 && access(log.c_str(), F_OK) != 0; i++) usleep(1000);
    std::stringstream got;
    got << std::ifstream(log).rdbuf();
    EXPECT_EQ(got.str(), "--attach\n" + TempFolder::Utf8(picture) + "\n");
    MailRecord empty{44, nullptr, 0};
    EXPECT_EQ(ComposeMail(&empty), -1);
    setenv("PATH", path.c_str(), 1);
}
