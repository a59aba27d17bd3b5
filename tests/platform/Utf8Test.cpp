#include <gtest/gtest.h>

#include <string>

#include "platform/Utf8.h"
#include "tests/support/TempFolder.h"

namespace {

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
