#pragma once

// Names come from files, servers and the command line, and may hold anything:
// escape sequences that steer a terminal, line breaks that forge a second
// line, marks that reverse the direction of the text after them, characters
// that show as nothing and make two names look alike. Every name the program
// prints or shows goes through this one routine first.

#include <string>
#include <string_view>

namespace text {

// The text with every character that is invisible or acts on the text around
// it written as a visible escape: controls (C0, DEL, C1), format characters
// (direction marks and overrides, zero-width spaces and joiners, the
// byte-order mark, tag characters), line and paragraph separators, and the
// characters Unicode says to show as nothing (the Hangul fillers, U+180E,
// variation selectors but the text and emoji styles of an emoji). The escape is
// "\x1b" below U+0080, "\u200b" up to U+FFFF and "\U000e0041" beyond; a byte
// that is not part of well-formed UTF-8 is "\xff". Everything else,
// backslashes included, is left as it is, so ordinary names ("CORP\jsmith",
// "Anna Müller", "用户") come out unchanged.
std::string printable(std::string_view utf8);

} // namespace text
