#include "platform/text/TextConversion.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConversion, RoundTripsAccentsGreekCyrillicAndAstralCharacters)
{
    const std::string original = "Zoë Ødegård, Γιώργος Παπαδόπουλος, Дмитрий, 🔑";
    const std::u16string wide = text::toUtf16(original);
    EXPECT_EQ(wide.find(u"Γιώργος"), 13u);
    EXPECT_EQ(text::toUtf8(wide), original);
}

TEST(TextConversion, EmptyAndNullGiveEmpty)
{
    EXPECT_EQ(text::toUtf16(std::string_view()), u"");
    EXPECT_EQ(text::toUtf8(std::u16string_view()), "");
    EXPECT_EQ(text::toUtf16(static_cast<const char *>(nullptr)), u"");
    EXPECT_EQ(text::toUtf8(static_cast<const char16_t *>(nullptr)), "");
}

TEST(TextConversion, InvalidUtf8IsReplacedNotTrusted)
{
    // A lone continuation byte, a truncated sequence at the very end, an
    // overlong slash and an encoded surrogate: none may come through as a
    // character of its own.
    EXPECT_EQ(text::toUtf16("a\x80"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(text::toUtf16(std::string_view("ab\xE2\x82", 4)), u"ab\uFFFD");
    const std::u16string overlong = text::toUtf16("\xC0\xAF");
    EXPECT_EQ(overlong.find(u'/'), std::u16string::npos);
    const std::u16string surrogate = text::toUtf16("\xED\xA0\x80");
    for (char16_t c : surrogate)
        EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF);
}

TEST(TextConversion, UnpairedSurrogatesAreReplaced)
{
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, 0};
    EXPECT_EQ(text::toUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
    const char16_t trailingHigh[] = {u'z', 0xD83D};
    EXPECT_EQ(text::toUtf8(std::u16string_view(trailingHigh, 2)), "z\xEF\xBF\xBD");
}

TEST(TextConversion, VeryLongTextPassesWhole)
{
    std::string longName(1 << 20, 'a');
    longName += "é";
    const std::u16string wide = text::toUtf16(longName);
    ASSERT_EQ(wide.size(), (1u << 20) + 1);
    EXPECT_EQ(wide.back(), u'é');
    EXPECT_EQ(text::toUtf8(wide), longName);
}

TEST(WindowsConversionCalls, ReportTheSizeNeededAndNeverOverrun)
{
    const char *name = "Ångström";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0), 9); // with terminator
    char16_t small[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, small, 3), 0);
    EXPECT_EQ(small[3], u'#');
    char16_t wide[9];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, 9), 9);
    EXPECT_EQ(std::u16string(wide), u"Ångström");

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr), 11);
    char narrow[11];
    char tooSmall[5] = "####";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, tooSmall, 4, nullptr, nullptr), 0);
    EXPECT_STREQ(tooSmall, "####");
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, 11, nullptr, nullptr), 11);
    EXPECT_STREQ(narrow, name);
}

TEST(WindowsConversionCalls, RefuseBadArguments)
{
    char16_t out[4];
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 0, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", -2, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4), 0);
    // An explicit length reads exactly that many bytes, terminator or not.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 2, out, 4), 2);
}

} // namespace
