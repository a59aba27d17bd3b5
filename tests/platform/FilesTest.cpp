// Files, folders, the user's standard folders and the UTF-8 of their names
// through the platform layer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>

#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempFolder.h"

namespace {

std::map<std::u16string, plat::DirEntry> List(const std::u16string& folder) {
    std::map<std::u16string, plat::DirEntry> r;
    plat::Dir* d = plat::OpenDir(folder.c_str());
    EXPECT_NE(d, nullptr);
    plat::DirEntry e;
    while (d && plat::NextDirEntry(d, &e)) r[e.name] = e;
    plat::CloseDir(d);
    return r;
}

TEST(Files, WriteListReadWithNonLatinNames) {
    TempFolder t;
    std::u16string folder = t.Wide("Фото 写真");
    ASSERT_TRUE(plat::CreateFolder(folder.c_str()));
    EXPECT_FALSE(plat::CreateFolder(folder.c_str()));  // exists already
    std::u16string file = folder + u"/Лето_夏 😀.jpg";
    int h = plat::FileOpen(file.c_str(), plat::FILE_WRITE_CREATE);
    ASSERT_GE(h, 0);
    EXPECT_EQ(plat::FileWrite(h, "12345", 5), 5);
    plat::FileClose(h);

    auto top = List(t.Wide());
    ASSERT_EQ(top.size(), 1u);  // "." and ".." are not listed
    EXPECT_EQ(top.begin()->second.attributes, (uint32_t)plat::ATTR_DIRECTORY);
    const plat::DirEntry e = List(folder)[u"Лето_夏 😀.jpg"];
    EXPECT_EQ(e.size, 5u);
    EXPECT_EQ(e.attributes, (uint32_t)plat::ATTR_NORMAL);
    // The file time is 100 ns units since 1601: within a minute of now.
    auto now = std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1);
    EXPECT_NEAR((double)e.time, ((uint64_t)now + 11644473600ULL) * 1e7, 6e8);

    h = plat::FileOpen(file.c_str(), plat::FILE_READ);
    char buf[16] = {};
    EXPECT_EQ(plat::FileRead(h, buf, sizeof buf), 5);
    EXPECT_EQ(plat::FileRead(h, buf + 5, sizeof buf - 5), 0);
    uint64_t size = 0;
    plat::FileTime time = 0;
    EXPECT_TRUE(plat::FileInfo(h, &size, &time) && size == 5u && time == e.time);
    plat::FileClose(h);
    EXPECT_STREQ(buf, "12345");
    EXPECT_EQ(plat::FileOpen(folder.c_str(), plat::FILE_READ), -1);  // a folder is no file

    std::u16string renamed = folder + u"/ß.jpg";
    EXPECT_TRUE(plat::RenameFile(file.c_str(), renamed.c_str()));
    uint32_t attr = 0;
    EXPECT_FALSE(plat::GetAttributes(file.c_str(), &attr));
    EXPECT_FALSE(plat::RemoveFolder(folder.c_str()));  // not empty
    EXPECT_TRUE(plat::DeleteFile(renamed.c_str()));
    EXPECT_TRUE(plat::RemoveFolder(folder.c_str()));
    // The root is the empty path.
    EXPECT_TRUE(plat::GetAttributes(u"", &attr));
    EXPECT_TRUE(attr & plat::ATTR_DIRECTORY);
    EXPECT_EQ(plat::OpenDir(u"/no/such/folder"), nullptr);
}

// A name that is not UTF-8 can be listed and opened; a named pipe nobody
// writes (an ordinary open would block for good) is neither listed nor
// opened; a link to a folder is marked and removed as a link.
TEST(Files, OddNamesPipesAndLinks) {
    TempFolder t;
    std::string raw = t.Path() + "/latin1-\xE9t\xE9.jpg";  // ISO-8859-1 bytes
    fclose(fopen(raw.c_str(), "wb"));
    ASSERT_EQ(mkfifo((t.Path() + "/zz.jpg").c_str(), 0600), 0);
    std::string target = t.Path() + "/target";
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    fclose(fopen((target + "/keep.jpg").c_str(), "wb"));
    ASSERT_EQ(symlink(target.c_str(), (t.Path() + "/link").c_str()), 0);

    auto entries = List(t.Wide());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[u"link"].attributes, (uint32_t)(plat::ATTR_DIRECTORY | plat::ATTR_LINK));
    EXPECT_EQ(entries[u"target"].attributes, (uint32_t)plat::ATTR_DIRECTORY);
    std::u16string latin1 = t.Wide() + u"/" + entries.begin()->first;
    int h = plat::FileOpen(latin1.c_str(), plat::FILE_READ);
    EXPECT_GE(h, 0);
    plat::FileClose(h);
    EXPECT_TRUE(plat::DeleteFile(latin1.c_str()));
    EXPECT_EQ(access(raw.c_str(), F_OK), -1);

    std::u16string fifo = t.Wide("zz.jpg");
    EXPECT_EQ(plat::FileOpen(fifo.c_str(), plat::FILE_READ), -1);
    EXPECT_EQ(plat::FileOpen(fifo.c_str(), plat::FILE_WRITE_CREATE), -1);
    EXPECT_EQ(plat::OpenStream(fifo.c_str(), "rb"), nullptr);
    EXPECT_EQ(plat::OpenStream(fifo.c_str(), "wb"), nullptr);

    EXPECT_TRUE(plat::RemoveFolder(t.Wide("link").c_str()));
    EXPECT_EQ(access((target + "/keep.jpg").c_str(), F_OK), 0);  // the target is untouched
}

TEST(Files, WriteStoppedPartWayReportsTheBytesTaken) {
    TempFolder t;
    int h = plat::FileOpen(t.Wide("big.bin").c_str(), plat::FILE_WRITE_CREATE);
    ASSERT_GE(h, 0);
    std::string data(300, 'x');
    long first, second;
    {
        FileSizeLimit limit(100);  // the system takes 100 bytes, then refuses
        ASSERT_TRUE(limit.Ok());
        first = plat::FileWrite(h, data.data(), 300);
        second = plat::FileWrite(h, data.data(), 200);
    }
    plat::FileClose(h);
    EXPECT_EQ(first, 100);
    EXPECT_EQ(second, -1);
    struct stat st;
    ASSERT_EQ(stat((t.Path() + "/big.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100);
}

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

std::u16string Absolute(const char* argument) {
    char16_t buf[512];
    if (!plat::AbsolutePath(argument, buf, 512)) return u"<none>";
    return buf;
}

// The command line's path: relative ones from the working folder, dots
// and doubled slashes resolved by name, whatever the bytes of the name.
// The program file is this executable.
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
    EXPECT_EQ(Query(plat::ProgramFile).rfind(u"/test_platform"), Query(plat::ProgramFile).size() - 14);
    EXPECT_EQ(Absolute("/"), u"");  // the root is the empty path
    EXPECT_EQ(Absolute("/../.."), u"");
    EXPECT_EQ(Absolute("//home///ann/"), u"/home/ann");
    EXPECT_EQ(Absolute(""), u"<none>");
    EXPECT_EQ(Absolute(("/" + std::string(600, 'a')).c_str()), u"<none>");  // longer than a path buffer
}

// Whole conversions through the test folders' helpers.
const auto ToUtf8 = TempFolder::Utf8;
const auto ToUtf16 = TempFolder::Utf16;

TEST(Utf8, InvalidBytesSurviveARoundTrip) {
    // Stray continuation, overlong '/', encoded surrogate, truncated
    // sequence at the end, a byte above F4: each must come back unchanged.
    const std::string names[] = {"a\x80z", "\xC0\xAF", "\xED\xA0\x80", "ok\xE2\x82", "\xFF\xFE", "\xF5\x80\x80\x80"};
    for (const auto& n : names) {
        EXPECT_FALSE(plat::IsValidUtf8(n.data(), (int)n.size()));
        std::u16string wide = ToUtf16(n);
        for (char16_t c : wide) EXPECT_TRUE(c < 0xD800 || c > 0xDFFF || (c >= 0xDC80 && c <= 0xDCFF));
        EXPECT_EQ(ToUtf8(wide), n);
    }
    // The overlong slash must never become a real '/'.
    EXPECT_EQ(ToUtf16("\xC0\xAF").find(u'/'), std::u16string::npos);
}

TEST(Utf8, UnpairedSurrogatesAreReplacedAndOverflowIsCutAtACharacterBoundary) {
    std::u16string lone = {u'a', (char16_t)0xD800, u'b', (char16_t)0xDFFF};
    EXPECT_EQ(ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    char small[6];
    // "ab" + a 4-byte character needs 7 bytes with the terminator.
    EXPECT_EQ(plat::Utf16ToUtf8(u"ab😀", small, sizeof small), -1);
    EXPECT_STREQ(small, "ab");
    char exact[7];
    EXPECT_EQ(plat::Utf16ToUtf8(u"ab😀", exact, sizeof exact), 6);
    char16_t wide[3];
    EXPECT_EQ(plat::Utf8ToUtf16("a\xF0\x9F\x98\x80", wide, 3), -1);  // the pair does not fit
    EXPECT_EQ(std::u16string(wide), u"a");
    EXPECT_EQ(plat::Utf16ToUtf8(nullptr, exact, sizeof exact), 0);
    EXPECT_STREQ(exact, "");
}

}  // namespace
