#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "platform/Platform.h"
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

plat::FileTime NowAsFileTime() {
    auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    return ((uint64_t)s.count() + 11644473600ULL) * 10000000ULL;
}

TEST(Files, WriteListReadWithNonLatinNames) {
    TempFolder t;
    ASSERT_FALSE(t.Path().empty());
    std::u16string folder = t.Wide("Фото 写真");
    ASSERT_TRUE(plat::CreateFolder(folder.c_str()));
    EXPECT_FALSE(plat::CreateFolder(folder.c_str()));  // exists already
    std::u16string file = folder + u"/Лето_夏 😀.jpg";
    int h = plat::FileOpen(file.c_str(), plat::FILE_WRITE_CREATE);
    ASSERT_GE(h, 0);
    EXPECT_EQ(plat::FileWrite(h, "12345", 5), 5);
    EXPECT_TRUE(plat::FileSync(h));
    plat::FileClose(h);

    auto top = List(t.Wide());
    ASSERT_EQ(top.size(), 1u);  // "." and ".." are not listed
    EXPECT_EQ(top.begin()->first, u"Фото 写真");
    EXPECT_TRUE(top.begin()->second.attributes & plat::ATTR_DIRECTORY);

    auto inner = List(folder);
    ASSERT_EQ(inner.count(u"Лето_夏 😀.jpg"), 1u);
    const plat::DirEntry& e = inner[u"Лето_夏 😀.jpg"];
    EXPECT_EQ(e.size, 5u);
    EXPECT_FALSE(e.attributes & plat::ATTR_DIRECTORY);
    // The file time is 100 ns units since 1601: within a minute of now.
    plat::FileTime now = NowAsFileTime();
    EXPECT_LT(e.time > now ? e.time - now : now - e.time, 600000000ULL);

    h = plat::FileOpen(file.c_str(), plat::FILE_READ);
    ASSERT_GE(h, 0);
    char buf[16] = {};
    EXPECT_EQ(plat::FileRead(h, buf, sizeof buf), 5);
    EXPECT_EQ(plat::FileRead(h, buf, sizeof buf), 0);
    uint64_t size = 0;
    plat::FileTime time = 0;
    EXPECT_TRUE(plat::FileInfo(h, &size, &time));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(time, e.time);
    plat::FileClose(h);
    EXPECT_EQ(std::string(buf), "12345");

    FILE* f = plat::OpenStream(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(plat::OpenStream(folder.c_str(), "rb"), nullptr);  // a folder is no stream
    EXPECT_EQ(plat::FileOpen(folder.c_str(), plat::FILE_READ), -1);

    std::u16string renamed = folder + u"/ß.jpg";
    EXPECT_TRUE(plat::RenameFile(file.c_str(), renamed.c_str()));
    uint32_t attr = 0;
    EXPECT_FALSE(plat::GetAttributes(file.c_str(), &attr));
    EXPECT_TRUE(plat::GetAttributes(renamed.c_str(), &attr));
    EXPECT_EQ(attr, (uint32_t)plat::ATTR_NORMAL);
    EXPECT_FALSE(plat::RemoveFolder(folder.c_str()));  // not empty
    EXPECT_TRUE(plat::DeleteFile(renamed.c_str()));
    EXPECT_TRUE(plat::RemoveFolder(folder.c_str()));
    EXPECT_TRUE(List(t.Wide()).empty());
}

TEST(Files, NameThatIsNotUtf8CanBeListedAndOpened) {
    TempFolder t;
    std::string raw = t.Path() + "/latin1-\xE9t\xE9.jpg";  // ISO-8859-1 bytes
    FILE* f = fopen(raw.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("x", f);
    fclose(f);
    auto entries = List(t.Wide());
    ASSERT_EQ(entries.size(), 1u);
    std::u16string full = t.Wide() + u"/" + entries.begin()->first;
    int h = plat::FileOpen(full.c_str(), plat::FILE_READ);
    EXPECT_GE(h, 0);
    plat::FileClose(h);
    EXPECT_TRUE(plat::DeleteFile(full.c_str()));
    EXPECT_EQ(access(raw.c_str(), F_OK), -1);
}

// A named pipe nobody writes blocks an ordinary open for good: it is not
// listed, and every open of it fails at once instead of waiting.
TEST(Files, NamedPipeIsNotListedAndNeverBlocksAnOpen) {
    TempFolder t;
    std::string fifo = t.Path() + "/zz.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fclose(fopen((t.Path() + "/a.jpg").c_str(), "wb"));
    auto entries = List(t.Wide());
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.count(u"a.jpg"), 1u);
    std::u16string wide = t.Wide("zz.jpg");
    EXPECT_EQ(plat::FileOpen(wide.c_str(), plat::FILE_READ), -1);
    EXPECT_EQ(plat::FileOpen(wide.c_str(), plat::FILE_WRITE_CREATE), -1);
    EXPECT_EQ(plat::OpenStream(wide.c_str(), "rb"), nullptr);
    EXPECT_EQ(plat::OpenStream(wide.c_str(), "wb"), nullptr);
}

TEST(Files, LinkToAFolderIsMarkedAndRemovedAsALink) {
    TempFolder t;
    std::string target = t.Path() + "/target";
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    std::string keep = target + "/keep.jpg";
    fclose(fopen(keep.c_str(), "wb"));
    ASSERT_EQ(symlink(target.c_str(), (t.Path() + "/link").c_str()), 0);
    auto entries = List(t.Wide());
    ASSERT_EQ(entries.count(u"link"), 1u);
    EXPECT_EQ(entries[u"link"].attributes, (uint32_t)(plat::ATTR_DIRECTORY | plat::ATTR_LINK));
    EXPECT_EQ(entries[u"target"].attributes, (uint32_t)plat::ATTR_DIRECTORY);
    EXPECT_TRUE(plat::RemoveFolder(t.Wide("link").c_str()));
    EXPECT_EQ(access(keep.c_str(), F_OK), 0);  // the target is untouched
}

TEST(Files, RootIsTheEmptyPathAndMissingFoldersFailCleanly) {
    uint32_t attr = 0;
    EXPECT_TRUE(plat::GetAttributes(u"", &attr));
    EXPECT_TRUE(attr & plat::ATTR_DIRECTORY);
    plat::Dir* d = plat::OpenDir(u"");
    ASSERT_NE(d, nullptr);
    plat::CloseDir(d);
    EXPECT_EQ(plat::OpenDir(u"/no/such/folder/anywhere"), nullptr);
    EXPECT_EQ(plat::FileOpen(nullptr, plat::FILE_READ), -1);
    EXPECT_EQ(plat::FileRead(-1, &attr, 1), -1);
    EXPECT_FALSE(plat::NextDirEntry(nullptr, nullptr));
}

TEST(Files, WriteStoppedPartWayReportsTheBytesTaken) {
    TempFolder t;
    int h = plat::FileOpen(t.Wide("big.bin").c_str(), plat::FILE_WRITE_CREATE);
    ASSERT_GE(h, 0);
    // A file size limit makes the system take 100 bytes, then refuse.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 100;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    char data[300];
    memset(data, 'x', sizeof data);
    long first = plat::FileWrite(h, data, sizeof data);
    long second = plat::FileWrite(h, data + 100, 200);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    plat::FileClose(h);
    EXPECT_EQ(first, 100);
    EXPECT_EQ(second, -1);
    struct stat st;
    ASSERT_EQ(stat((t.Path() + "/big.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100);
}

}  // namespace
