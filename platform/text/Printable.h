#pragma once

// Names come from files, servers and the command line, and may hold anything:
// escape sequences that steer a terminal, line breaks that forge a second
// line, marks that reverse the direction of the text after them. Every name
// the program prints or shows goes through this one routine first.

#include <string>
#include <string_view>

namespace text {

// The text with every control character (C0, DEL, C1), line and paragraph
// separator, direction mark or override and byte-order mark (U+FEFF, which
// shows as nothing) written as a visible escape
// ("\x1b", "\u202e"), and every byte that is not part of well-formed UTF-8
// written as "\xff". Everything else, backslashes included, is left as it is,
// so ordinary names ("CORP\jsmith", "Anna Müller") come out unchanged.
std::string printable(std::string_view utf8);

} // namespace text
