#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "tests/support/TempFolder.h"

namespace {

// Sets an environment variable for one test and restores it.
struct ScopedEnv {
    std::string name;
    std::optional<std::string> old;
    ScopedEnv(const char* n, const std::string& value) : name(n) {
        if (const char* o = getenv(n)) old = o;
        setenv(n, value.c_str(), 1);
    }
    ~ScopedEnv() { old ? setenv(name.c_str(), old->c_str(), 1) : unsetenv(name.c_str()); }
};

std::u16string Query(bool (*fn)(char16_t*, int)) {
    char16_t buf[512];
    if (!fn(buf, 512)) return u"<none>";
    return buf;
}

TEST(Folders, XdgFoldersAreFoundAndTheStartFolderFallsBackToPicturesThenHome) {
    TempFolder t;
    ScopedEnv home("HOME", t.Path());
    ScopedEnv config("XDG_CONFIG_HOME", t.Path() + "/cfg");
    ScopedEnv cache("XDG_CACHE_HOME", t.Path() + "/cache/");
    mkdir((t.Path() + "/cfg").c_str(), 0700);
    std::ofstream(t.Path() + "/cfg/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                   << "XDG_PICTURES_DIR=\"$HOME/Bilder Ü\"\n";
    // The named folder does not exist yet, nor ~/Pictures: home, and
    // nothing is created for it.
    EXPECT_EQ(Query(plat::PicturesFolder), t.Wide());
    struct stat st;
    EXPECT_NE(stat((t.Path() + "/Bilder Ü").c_str(), &st), 0);
    mkdir((t.Path() + "/Pictures").c_str(), 0700);
    EXPECT_EQ(Query(plat::PicturesFolder), t.Wide("Pictures"));
    mkdir((t.Path() + "/Bilder Ü").c_str(), 0700);
    EXPECT_EQ(Query(plat::PicturesFolder), t.Wide("Bilder Ü"));
    EXPECT_EQ(Query(plat::TempFolder), t.Wide("cache"));     // no trailing '/'
    EXPECT_EQ(Query(plat::ConfigFolder), t.Wide("cfg/lumatray"));
    EXPECT_TRUE(plat::FolderWritable(t.Wide("cfg/lumatray").c_str()));
    EXPECT_FALSE(plat::FolderWritable(t.Wide("missing").c_str()));

    // Without user-dirs.dirs: ~/Pictures.
    unlink((t.Path() + "/cfg/user-dirs.dirs").c_str());
    EXPECT_EQ(Query(plat::PicturesFolder), t.Wide("Pictures"));
}

TEST(Folders, ProgramFileIsThisExecutable) {
    std::u16string self = Query(plat::ProgramFile);
    ASSERT_NE(self, u"<none>");
    EXPECT_EQ(self[0], u'/');
    EXPECT_NE(self.find(u"test_platform"), std::u16string::npos);
}

std::u16string Absolute(const char* argument) {
    char16_t buf[512];
    if (!plat::AbsolutePath(argument, buf, 512)) return u"<none>";
    return buf;
}

// The command line's path: relative ones from the working folder, dots
// and doubled slashes resolved by name, whatever the bytes of the name.
TEST(Folders, ArgumentsBecomeAbsolutePathsByName) {
    TempFolder t;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.Path().c_str()), 0);
    EXPECT_EQ(Absolute("Trip/a.jpg"), t.Wide("Trip/a.jpg"));
    EXPECT_EQ(Absolute("./Trip//b.jpg"), t.Wide("Trip/b.jpg"));
    EXPECT_EQ(Absolute("."), t.Wide());
    EXPECT_EQ(Absolute("Trip/../Trip/"), t.Wide("Trip"));
    EXPECT_EQ(Absolute("caf\xc3\xa9 \xff.jpg"), t.Wide() + u"/caf\u00e9 " + u"\xdcff" + u".jpg");
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(Absolute("/"), u"");  // the root is the empty path
    EXPECT_EQ(Absolute("/../.."), u"");
    EXPECT_EQ(Absolute("//home///ann/"), u"/home/ann");
    EXPECT_EQ(Absolute(""), u"<none>");
    EXPECT_EQ(Absolute(("/" + std::string(600, 'a')).c_str()), u"<none>");  // longer than a path buffer
}

}  // namespace
