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
