// File_t: line rules, short reads, the buffer boundary, modes, failing writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codec/File.h"
#include "tests/codec/CodecTestUtil.h"

namespace {

std::vector<std::string> Lines(const std::string& path, int capacity) {
    File_t f;
    EXPECT_TRUE(f.Open(path.c_str(), File_t::MODE_READ));
    std::vector<char> buf((size_t)capacity + 16, '\x7f');
    std::vector<std::string> out;
    while (f.ReadLine(buf.data(), capacity)) {
        // Nothing beyond capacity bytes is touched.
        for (size_t i = (size_t)capacity; i < buf.size(); i++) EXPECT_EQ(buf[i], '\x7f');
        out.emplace_back(buf.data());
    }
    EXPECT_EQ(buf[0], 0);
    return out;
}

}  // namespace

TEST(File, LineRules) {
    TempDir t;
    WriteBytes(t.File("a.txt"), "one\nabc\r\nlast");
    auto lines = Lines(t.File("a.txt"), 1024);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "one\n");
    EXPECT_EQ(lines[1], "abc\r\n");  // CR kept
    EXPECT_EQ(lines[2], "last");     // no final LF

    WriteBytes(t.File("empty.txt"), "");
    EXPECT_TRUE(Lines(t.File("empty.txt"), 1024).empty());

    // A zero byte ends a line.
    WriteBytes(t.File("nul.txt"), std::string("ab\0cd\n", 6));
    lines = Lines(t.File("nul.txt"), 1024);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "ab");
    EXPECT_EQ(lines[1], "cd\n");
}

TEST(File, LongLineComesInPieces) {
    TempDir t;
    std::string line(9000, 'x');
    line[0] = 'A';
    line[8702] = 'B';
    WriteBytes(t.File("long.txt"), line + "\nz");
    File_t f;
    ASSERT_TRUE(f.Open(t.File("long.txt").c_str(), File_t::MODE_READ));
    std::vector<char> buf(File_t::kLineCapacity);
    ASSERT_EQ(f.ReadLine(buf.data()), 1);
    EXPECT_EQ(strlen(buf.data()), 8702u);
    EXPECT_EQ(buf[0], 'A');
    ASSERT_EQ(f.ReadLine(buf.data()), 1);
    EXPECT_EQ(std::string(buf.data()), line.substr(8702) + "\n");
    EXPECT_EQ(buf[0], 'B');
    ASSERT_EQ(f.ReadLine(buf.data()), 1);
    EXPECT_EQ(std::string(buf.data()), "z");
    EXPECT_EQ(f.ReadLine(buf.data()), 0);

    // The small capacity of the settings readers: pieces of 1,022.
    auto lines = Lines(t.File("long.txt"), 1024);
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0].size(), 1022u);
}

TEST(File, ShortReadAndDelivered) {
    TempDir t;
    WriteBytes(t.File("b.bin"), "12345");
    File_t f;
    ASSERT_TRUE(f.Open(t.File("b.bin").c_str(), File_t::MODE_BINARY_READ));
    EXPECT_EQ(f.Mode(), File_t::MODE_READ);
    EXPECT_EQ(f.Binary(), 1);
    EXPECT_EQ(f.Size(), 5u);
    EXPECT_NE(f.LastWrite(), 0u);
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 8), 1);
    EXPECT_EQ(f.Delivered(), 5);
    EXPECT_EQ(std::string(buf, 5), "12345");
    EXPECT_EQ(f.Read(buf, 8), 0);
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(f.Size(), 0u);
    EXPECT_EQ(f.LastWrite(), 0u);
    EXPECT_EQ(f.Mode(), File_t::MODE_NONE);

    // Reads spanning several buffer refills.
    std::string big(10000, '\0');
    for (size_t i = 0; i < big.size(); i++) big[i] = (char)(i * 7);
    WriteBytes(t.File("big.bin"), big);
    ASSERT_TRUE(f.Open(t.File("big.bin").c_str(), File_t::MODE_READ));
    std::string got(10000, '\0');
    EXPECT_EQ(f.Read(got.data(), 3000), 1);
    EXPECT_EQ(f.Read(got.data() + 3000, 7000), 1);
    EXPECT_EQ(got, big);
}

TEST(File, ModesAndFailedOpen) {
    TempDir t;
    File_t f;
    EXPECT_FALSE(f.Open(t.File("missing").c_str(), File_t::MODE_BINARY_READ));
    EXPECT_EQ(f.Mode(), File_t::MODE_READ);  // stored, but behaves as closed
    char line[16] = "junk";
    EXPECT_EQ(f.ReadLine(line, 16), 1);
    EXPECT_EQ(line[0], 0);
    EXPECT_FALSE(f.WriteString("x"));
    EXPECT_FALSE(f.Open(t.File("x").c_str(), 7));
    EXPECT_EQ(f.Mode(), File_t::MODE_NONE);

    // Wrong-mode writes are refused.
    ASSERT_TRUE(f.Open(t.File("w.txt").c_str(), File_t::MODE_TEXT_WRITE));
    EXPECT_FALSE(f.Write("abcd", 4));
    EXPECT_TRUE(f.WriteString("ok\n"));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(t.File("w.txt")), "ok\n");
    // Mode 1 replaces an existing file.
    ASSERT_TRUE(f.Open(t.File("w.txt").c_str(), File_t::MODE_BINARY_WRITE));
    EXPECT_FALSE(f.WriteString("no"));
    EXPECT_TRUE(f.Write("\x01\x02", 2));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(t.File("w.txt")), "\x01\x02");
}

TEST(File, WriteBoundaryFlushesFirst) {
    TempDir t;
    File_t f;
    ASSERT_TRUE(f.Open(t.File("w.txt").c_str(), File_t::MODE_TEXT_WRITE));
    std::string a(4095, 'a');
    ASSERT_TRUE(f.WriteString(a.c_str()));
    // Nothing reached the file yet: the buffer holds 4,095 bytes.
    EXPECT_EQ(ReadBytes(t.File("w.txt")).size(), 0u);
    ASSERT_TRUE(f.WriteString("b"));
    EXPECT_EQ(ReadBytes(t.File("w.txt")), a);
    // Longer than the buffer still arrives whole.
    std::string c(9000, 'c');
    ASSERT_TRUE(f.WriteString(c.c_str()));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(t.File("w.txt")), a + "b" + c);
}

TEST(File, FullDiskIsReportedNotLooped) {
    File_t f;
    if (!f.Open("/dev/full", File_t::MODE_TEXT_WRITE)) GTEST_SKIP() << "no /dev/full";
    EXPECT_TRUE(f.WriteString("lost"));  // only buffered
    EXPECT_FALSE(f.Flush());
    EXPECT_TRUE(f.WriteFailed());
    EXPECT_FALSE(f.Close());
    // A fresh open starts clean.
    TempDir t;
    ASSERT_TRUE(f.Open(t.File("ok").c_str(), File_t::MODE_TEXT_WRITE));
    EXPECT_TRUE(f.Close());
}

TEST(File, Utf8PathsOpenAnyName) {
    TempDir t;
    std::string name = t.File("Фото 写真.txt");
    File_t f;
    ASSERT_TRUE(f.Open(name.c_str(), File_t::MODE_TEXT_WRITE));
    EXPECT_TRUE(f.WriteString("x"));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(name), "x");
    std::u16string wide = Utf16(name);
    ASSERT_TRUE(f.Open(wide.c_str(), File_t::MODE_READ));
    EXPECT_EQ(f.Size(), 1u);
}
