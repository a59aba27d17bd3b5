// Bounded copies, the case-folded order, path cutting, UTF-8 lines, folder
// trees on disk and the mail hand-off.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TempFolder.h"
#include "util/Text.h"
#include "util/Utf8Line.h"

namespace fs = std::filesystem;

TEST(Copies, CutExactlyAtCapacityAndReportTheStoppingCharacter) {
    char dst[8] = "xxxxxxx";
    EXPECT_EQ(CopyText("abcdef", dst, 4), 'd');
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(dst[4], 'x');  // nothing beyond the capacity is touched
    EXPECT_EQ(CopyText("abc", dst, 4), 0);
    EXPECT_EQ(CopyText(nullptr, dst, 4), 0);
    EXPECT_STREQ(dst, "");
    dst[0] = 'q';
    CopyText("abc", dst, 0);  // no room at all: nothing written
    EXPECT_EQ(dst[0], 'q');
    EXPECT_EQ(CopyText("abc", dst, 1), 'a');
    EXPECT_STREQ(dst, "");

    char16_t w[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(CopyWide(u"\u0416\u4E2Dxyz", w, 3), u'x');
    EXPECT_EQ(std::u16string(w), u"\u0416\u4E2D");
    EXPECT_EQ(w[3], u'x');
    // Widening and narrowing are the Latin-1 identity, cut the same way.
    WidenText("\xE9\x41\xFF", w, 4);
    EXPECT_EQ(std::u16string(w), u"\u00E9A\u00FF");
    EXPECT_EQ(NarrowText(u"\u00E9\u0152", dst, 8), 0);
    EXPECT_STREQ(dst, "\xE9\x52");
    EXPECT_EQ(NarrowText(u"abcdef", dst, 3), u'c');
    EXPECT_STREQ(dst, "ab");
    WidenText("abcdef", w, 3);
    EXPECT_EQ(std::u16string(w), u"ab");
}

// Both sides folded to lower case: '_' (0x5F) then sorts before letters
// ('a' is 0x61), where folding to upper case would put it after them.
// Letters beyond ASCII fold too, whatever the process locale.
TEST(CompareNoCase, FoldsToLowerCaseUnitByUnit) {
    struct Case { const char16_t *a, *b; int count, result; } cases[] = {
        {u"abc", u"ABD", -1, -1}, {u"abc", u"ABC", -1, 0}, {u"a", u"b", 0, 0},  {u"ab", u"abc", -1, -1},
        {u"abc", u"ab", -1, 1},   {u"abX", u"ABy", 2, 0},  {u"", u"", -1, 0},   {u"_x", u"A", -1, -1},
        {u"\u00C9T\u00C9", u"\u00E9t\u00E9", -1, 0},   {u"\u0416\u0410", u"\u0436\u0430", -1, 0},
        {u"\u0416", u"\u0437", -1, -1},                 {nullptr, u"a", -1, -1}};
    for (const Case& c : cases) EXPECT_EQ(CompareNoCase(c.a, c.b, c.count), c.result) << (c.a ? c.a[0] : 0);
}

TEST(Paths, CuttingAndTitles) {
    struct Case { const char16_t *in, *cut, *title; } cases[] = {
        {u"/A/B", u"/A", u"B"},       {u"/A", u"", u"A"},        {u"/A/", u"/A", u""},
        {u"/", u"", u""},             {u"", u"", u""},           {u"name", u"", u"name"},
        {u"/Pics/Trip.2009", u"/Pics", u"Trip"}, {u"/Pics/a.b.jpg", u"/Pics", u"a.b"},
        {u".hidden", u"", u""},       {u"/A/B.C", u"/A", u"B"},  {u"//x", u"/", u"x"},
    };
    for (const Case& c : cases) {
        char16_t buf[kPathUnits];
        CopyWide(c.in, buf, kPathUnits);
        CutLastComponent(buf);
        EXPECT_EQ(std::u16string(buf), c.cut);
        CopyWide(c.in, buf, kPathUnits);
        PathTitle(buf);
        EXPECT_EQ(std::u16string(buf), c.title);
    }
}

TEST(Utf8Lines, RoundTripAndLatin1Fallback) {
    const char16_t* texts[] = {u"/home/\u00E9t\u00E9", u"/\u0424\u043E\u0442\u043E/\u5199\u771F", u"/\U0001F600x",
                               u"/lone\xDC80", u""};
    for (const char16_t* t : texts) {
        char utf8[64];
        EXPECT_EQ(EncodeUtf8(t, utf8, sizeof utf8), 0);
        EXPECT_TRUE(IsUtf8(utf8, (int)std::strlen(utf8)));
        char16_t back[64];
        EXPECT_EQ(DecodeTextLine(utf8, (int)std::strlen(utf8), back, 64), 0);
        EXPECT_EQ(std::u16string(back), t);
    }
    // Not UTF-8: one unit per byte.
    char16_t back[16];
    DecodeTextLine("caf\xE9", 4, back, 16);
    EXPECT_EQ(std::u16string(back), u"caf\u00E9");
    EXPECT_FALSE(IsUtf8("\xC0\x80", 2));          // overlong
    EXPECT_FALSE(IsUtf8("\xE4\xB8", 2));          // cut short
    EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80", 4));  // beyond U+10FFFF
}

TEST(Utf8Lines, CapacityNeverSplitsACharacter) {
    char out[6];
    std::memset(out, 'x', sizeof out);
    EXPECT_NE(EncodeUtf8(u"ab\u4E2D", out, 5), 0);  // 2 + 3 bytes need 6
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(out[5], 'x');
    char16_t w[4] = {1, 1, 1, 1};
    EXPECT_NE(DecodeTextLine("ab\xF0\x9F\x98\x80", 6, w, 4), 0);  // the pair would need units 2 and 3
    EXPECT_EQ(std::u16string(w), u"ab");
    EXPECT_EQ(w[3], 1);
}

TEST(FolderTree, CreatesEveryFolderAlongThePathButNotTheFile) {
    TempFolder tmp;
    std::u16string path = tmp.Wide() + u"/Card/_cache/Lumatray/Pics/a.jpg";
    CreateFolders(path.c_str());
    EXPECT_TRUE(fs::is_directory(tmp.Path() + "/Card/_cache/Lumatray/Pics"));
    EXPECT_FALSE(fs::exists(tmp.Path() + "/Card/_cache/Lumatray/Pics/a.jpg"));
    CreateFolders(path.c_str());  // existing folders are no failure
    CreateFolders(u"");
    CreateFolders(u"/");
    CreateFolders(nullptr);

    // As long as the longest cache name (root and picture path together):
    // every folder along it, up to the last, is made.
    std::string deep = tmp.Path();
    while (deep.size() + 201 + 100 < kLongPathUnits) deep += "/" + std::string(200, 'a');
    deep += "/" + std::string(kLongPathUnits - 1 - 2 - deep.size() - 1, 'b');
    std::u16string longest = TempFolder::Utf16(deep + "/f");
    ASSERT_EQ(longest.size(), (size_t)kLongPathUnits - 1);
    CreateFolders(longest.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
}

TEST(FolderTree, DeletesNestedFoldersWithFilesButNeverFollowsLinks) {
    TempFolder tmp;
    std::string root = tmp.Path() + "/tree", outside = tmp.Path() + "/outside";
    for (const std::string& d : {root + "/a/b/c", root + "/empty", outside + "/keep"}) fs::create_directories(d);
    for (const std::string& f : {root + "/top.jpg", root + "/a/one.jpg", root + "/a/b/c/deep.jpg",
                                 outside + "/precious.jpg", outside + "/keep/more.jpg"})
        std::ofstream(f) << "x";
    fs::create_directory_symlink(outside, root + "/a/link");
    fs::create_symlink(outside + "/precious.jpg", root + "/filelink.jpg");

    DeleteTree(TempFolder::Utf16(root).c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(root)));
    EXPECT_TRUE(fs::exists(outside + "/precious.jpg"));
    EXPECT_TRUE(fs::exists(outside + "/keep/more.jpg"));

    // A link given as the folder itself goes as a link too.
    fs::create_directory_symlink(outside, tmp.Path() + "/direct");
    DeleteTree(TempFolder::Utf16(tmp.Path() + "/direct").c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmp.Path() + "/direct")));
    EXPECT_TRUE(fs::exists(outside + "/keep/more.jpg"));

    DeleteTree(u"");  // the root is never a candidate
    DeleteTree(TempFolder::Utf16(tmp.Path() + "/missing").c_str());
}

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
    EXPECT_EQ(ReadBytes(log), "--attach\n" + TempFolder::Utf8(picture) + "\n");
    MailRecord empty{44, nullptr, 0};
    EXPECT_EQ(ComposeMail(&empty), -1);
    setenv("PATH", path.c_str(), 1);
}
