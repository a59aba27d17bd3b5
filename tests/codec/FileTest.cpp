// File_t: line rules, short reads, modes, the write boundary, failing writes.
#include <gtest/gtest.h>

#include "codec/File.h"
#include "tests/codec/CodecTestUtil.h"
#include "tests/support/FileSizeLimit.h"

// Every line of the bytes; fails when ReadLine writes past capacity bytes.
static std::vector<std::string> Lines(const std::string& bytes, int capacity = File_t::kLineCapacity) {
    TempFolder t;
    WriteBytes(t.File("a.txt"), bytes);
    File_t f;
    EXPECT_TRUE(f.Open(t.File("a.txt").c_str(), File_t::MODE_READ));
    std::vector<char> buf((size_t)capacity + 16, '\x7f');
    std::vector<std::string> out;
    while (f.ReadLine(buf.data(), capacity)) {
        EXPECT_EQ(std::string(buf.data() + capacity, 16), std::string(16, '\x7f'));
        out.emplace_back(buf.data());
    }
    return out;
}

TEST(File, LineRules) {
    std::string longLine(9000, 'x');
    longLine[8702] = 'B';
    struct { std::string bytes; std::vector<std::string> lines; } cases[] = {
        {"one\nabc\r\nlast", {"one\n", "abc\r\n", "last"}},  // CR kept, no final LF
        {"", {}},
        {std::string("ab\0cd\n", 6), {"ab", "cd\n"}},  // a zero byte ends a line
        {longLine + "\nz", {longLine.substr(0, 8702), longLine.substr(8702) + "\n", "z"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Lines(c.bytes), c.lines);
    EXPECT_EQ(Lines(longLine, 1024)[0].size(), 1022u);  // the settings readers' capacity
}

TEST(File, ShortReadsAndModes) {
    TempFolder t;
    std::string big(10000, '\0'), name = t.File("Фото 写真.bin");
    for (size_t i = 0; i < big.size(); i++) big[i] = (char)(i * 7);
    WriteBytes(name, big);
    File_t f;
    ASSERT_TRUE(f.Open(TempFolder::Utf16(name).c_str(), File_t::MODE_BINARY_READ));
    EXPECT_EQ(f.Mode(), File_t::MODE_READ);  // mode 4 is kept as 2 with the binary flag
    EXPECT_EQ(f.Binary(), 1);
    EXPECT_EQ(f.Size(), 10000u);
    std::string got(10010, '\0');
    EXPECT_EQ(f.Read(got.data(), 3000), 1);         // across buffer refills
    EXPECT_EQ(f.Read(got.data() + 3000, 7010), 1);  // short: the end came after some bytes
    EXPECT_EQ(f.Delivered(), 10000);
    EXPECT_EQ(got.substr(0, 10000), big);
    EXPECT_EQ(f.Read(got.data(), 8), 0);
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(f.Mode(), File_t::MODE_NONE);

    ASSERT_TRUE(f.Open(name.c_str(), File_t::MODE_READ));
    EXPECT_EQ(f.Binary(), 0);
    EXPECT_FALSE(f.Open(t.File("missing").c_str(), File_t::MODE_READ));
    EXPECT_FALSE(f.WriteString("x"));
    EXPECT_FALSE(f.Open(name.c_str(), 7));
    EXPECT_EQ(f.Mode(), File_t::MODE_NONE);
}

TEST(File, WritesFlushBeforeTheBufferFills) {
    TempFolder t;
    std::string path = t.File("Пейзаж 風景.txt"), a(4095, 'a'), c(9000, 'c');
    WriteBytes(path, std::string(10000, 'o'));
    File_t f;
    ASSERT_TRUE(f.Open(path.c_str(), File_t::MODE_TEXT_WRITE));
    EXPECT_FALSE(f.Write("abcd", 4));  // binary writes need mode 3
    ASSERT_TRUE(f.WriteString(a.c_str()));
    EXPECT_EQ(ReadBytes(path), "");  // replaced; 4,095 bytes still fit the buffer
    ASSERT_TRUE(f.WriteString("b"));
    EXPECT_EQ(ReadBytes(path), a);  // flushed before the 4,096th byte
    ASSERT_TRUE(f.WriteString(c.c_str()));  // longer than the buffer arrives whole
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(path), a + "b" + c);

    ASSERT_TRUE(f.Open(path.c_str(), File_t::MODE_BINARY_WRITE));
    EXPECT_FALSE(f.WriteString("no"));
    EXPECT_TRUE(f.Write("\x01\x02", 2));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes(path), "\x01\x02");
}

// A full disk is reported after a bounded number of tries, not looped on.
TEST(File, FullDiskIsReported) {
    File_t f;
    TempFolder t;
    {
        FileSizeLimit full(0);
        ASSERT_TRUE(f.Open(t.File("full").c_str(), File_t::MODE_TEXT_WRITE));
        EXPECT_TRUE(f.WriteString("lost"));  // only buffered
        EXPECT_FALSE(f.Flush());
        EXPECT_FALSE(f.Close());
    }
    ASSERT_TRUE(f.Open(t.File("ok").c_str(), File_t::MODE_TEXT_WRITE));
    EXPECT_TRUE(f.Close());  // a fresh open starts clean
}
