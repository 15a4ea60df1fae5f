#include "platform/text/Printable.h"

#include <gtest/gtest.h>

namespace {

using text::printable;

TEST(Printable, OrdinaryNamesComeOutUnchanged)
{
    for (const char *name : {"jsmith", "CORP\\jsmith", "Anna Müller", "Ζήτα",
                             "dc01.corp.example.com", "用户", "emoji \xF0\x9F\x94\x91", ""})
        EXPECT_EQ(printable(name), name);
}

TEST(Printable, WhatCouldSteerATerminalOrForgeALineIsEscaped)
{
    // A title change and a colour, as planted in two server names.
    EXPECT_EQ(printable("\x1b]0;owned\x07"), "\\x1b]0;owned\\x07");
    EXPECT_EQ(printable("dc\x1b[31m\r\nTumblerset: all good"),
              "dc\\x1b[31m\\x0d\\x0aTumblerset: all good");
    EXPECT_EQ(printable(std::string("a\0b\tc\x7f", 6)), "a\\x00b\\x09c\\x7f");
    // C1 controls (CSI is U+009B), line separators, direction overrides.
    EXPECT_EQ(printable("\xC2\x9B"
                        "31m"),
              "\\u009b31m");
    EXPECT_EQ(printable("user\xE2\x80\xAEgpj.exe"), "user\\u202egpj.exe");
    EXPECT_EQ(printable("a\xE2\x80\xA8"
                        "b"),
              "a\\u2028b");
    // An invisible byte-order mark would make two names look alike.
    EXPECT_EQ(printable("\xEF\xBB\xBF"
                        "admin"),
              "\\ufeffadmin");
}

TEST(Printable, WhatShowsAsNothingIsEscaped)
{
    // Each would make a name read as another: "zw" + U+200B + "admin" reads
    // "zwadmin".
    const struct
    {
        const char *name;
        const char *shown;
    } cases[] = {
        {"zw\u200Badmin", "zw\\u200badmin"},          // zero-width space (Cf)
        {"ad\u200Cmin\u200D", "ad\\u200cmin\\u200d"}, // zero-width non-joiner, joiner
        {"ad\u00ADmin", "ad\\u00admin"},              // soft hyphen
        {"ad\u2060min", "ad\\u2060min"},              // word joiner
        {"ad\u180Emin", "ad\\u180emin"},              // Mongolian vowel separator
        {"\u115F\u1160ad\u3164\uFFA0", "\\u115f\\u1160ad\\u3164\\uffa0"}, // Hangul fillers
        {"ad\u034Fmin", "ad\\u034fmin"},                              // combining grapheme joiner
        {"admin\U000E0041\U000E007F", "admin\\U000e0041\\U000e007f"}, // tag characters
        {"x\U000E0000\U000E0FFF", "x\\U000e0000\\U000e0fff"},         // reserved, ignorable
        {"ad\uFFF9min\u2029", "ad\\ufff9min\\u2029"},                 // annotation, paragraph
        // A variation selector shows as nothing after a letter, and picks
        // a look-alike variant of an ideograph...
        {"admin\uFE0F", "admin\\ufe0f"},
        {"\uFE0Fadmin", "\\ufe0fadmin"},
        {"a\U000E0100", "a\\U000e0100"},
        {"\u845B\U000E0100\u98FE", "\u845B\\U000e0100\u98FE"},
        {"\u1820\u180B", "\u1820\\u180b"},
        {"\u2764\uFE0F\uFE0F", "\u2764\uFE0F\\ufe0f"},
        {"\u200B\uFE0F", "\\u200b\\ufe0f"},
        // ...but after an emoji picks its text or emoji style, as typed.
        {"\u2764\uFE0F \u2764\uFE0E \U0001F511\uFE0F",
         "\u2764\uFE0F \u2764\uFE0E \U0001F511\uFE0F"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(printable(c.name), c.shown) << c.shown;
        EXPECT_EQ(printable(printable(c.name)), c.shown) << c.shown;
    }
}

TEST(Printable, BytesThatAreNotUtf8AreShownAsBytes)
{
    EXPECT_EQ(printable("caf\xE9"), "caf\\xe9");             // Latin-1
    EXPECT_EQ(printable("\xC0\xAF"), "\\xc0\\xaf");          // overlong '/'
    EXPECT_EQ(printable("\xED\xA0\x80"), "\\xed\\xa0\\x80"); // a surrogate
    EXPECT_EQ(printable("\xE2\x80"), "\\xe2\\x80");          // cut short
    // Escaping twice changes nothing more.
    const std::string once = printable("\x1b\xff");
    EXPECT_EQ(printable(once), once);
}

} // namespace
