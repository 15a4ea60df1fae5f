#pragma once

// Names that compare without regard to case, as Windows account, server and
// registry names do: one folding for every place that looks such a name up.

#include <string>
#include <string_view>

namespace text {

// The Unicode case folding of UTF-8 text ("Größe" and "GRÖSSE" fold alike).
// ASCII text, the common case, skips the full folding. Every character is
// kept, U+FEFF included, and bytes that are not UTF-8 fold as themselves.
std::string foldCase(std::string_view utf8);

} // namespace text
