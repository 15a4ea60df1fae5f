#include "platform/text/TextConversion.h"

#include "platform/text/CaseFolding.h"

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

TEST(TextConversion, BytesThatAreNotUtf8SurviveTheRoundTripButNeverBecomeCharacters)
{
    // Latin-1 names, a lone continuation byte, a sequence cut short at the
    // very end, an overlong slash and an encoded surrogate: each byte is
    // carried as U+DC00 plus the byte, and comes back as itself.
    const struct
    {
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {"caf\xE9", u"caf\xDCE9"},
        {"caf\xE8", u"caf\xDCE8"},
        {"a\x80"
         "b",
         u"a\xDC80"
         "b"},
        {"ab\xE2\x82", u"ab\xDCE2\xDC82"},
        {"\xC0\xAF", u"\xDCC0\xDCAF"},
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        {"\xFF\xC3\xA9\xFE", u"\xDCFF\u00E9\xDCFE"},
    };
    for (const auto &c : cases) {
        const std::u16string wide = text::toUtf16(c.bytes);
        EXPECT_EQ(wide, c.wide);
        EXPECT_EQ(text::toUtf8(wide), c.bytes);
    }
}

TEST(TextConversion, OtherUnpairedSurrogatesAreReplaced)
{
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, u'z', 0xDC7F, 0};
    EXPECT_EQ(text::toUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBDz\xEF\xBF\xBD");
    const char16_t trailingHigh[] = {u'z', 0xD83D};
    EXPECT_EQ(text::toUtf8(std::u16string_view(trailingHigh, 2)), "z\xEF\xBF\xBD");
    // Beside one of them, a byte escape still stands for its byte.
    const char16_t mixed[] = {0xD800, u'c', 0xDCE9, 0};
    EXPECT_EQ(text::toUtf8(mixed), "\xEF\xBF\xBD"
                                   "c\xE9");
}

TEST(TextConversion, EscapesThatWouldSpellACharacterAreReplaced)
{
    // Not from this conversion (a server or a file sent them): as bytes they
    // would read "é", a different name.
    const char16_t spelled[] = {u'x', 0xDCC3, 0xDCA9, 0};
    EXPECT_EQ(text::toUtf8(spelled), "x\xEF\xBF\xBD\xEF\xBF\xBD");
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

namespace {

TEST(CaseFolding, KeepsEveryCharacterAndEveryByteThatIsNotUtf8)
{
    EXPECT_EQ(text::foldCase("GRÖSSE"), text::foldCase("Größe"));
    EXPECT_EQ(text::foldCase("ΜΆΪΟΣ"), text::foldCase("μάϊος"));
    // A leading U+FEFF makes another name, not the administrator's.
    EXPECT_EQ(text::foldCase("\uFEFFAdmin"), "\uFEFFadmin");
    // Two Latin-1 names stay two, and fold as what they are.
    EXPECT_EQ(text::foldCase("CAF\xE9"), "caf\xE9");
    EXPECT_NE(text::foldCase("caf\xE9"), text::foldCase("caf\xE8"));
    EXPECT_EQ(text::foldCase("\xC3\x89T\xC3"), "\xC3\xA9t\xC3");
}

} // namespace
