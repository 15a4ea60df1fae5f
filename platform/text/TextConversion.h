#pragma once

// Conversion between the 8-bit text of the window side (UTF-8 on Linux) and the
// UTF-16 text of the account interface, lossless for any bytes: a Linux name
// is bytes, and one that is not UTF-8 ("caf\xe9" from a Latin-1 passwd) must
// still be found again by its exact bytes.
//
// Each byte of ill-formed UTF-8 becomes a lone low surrogate, byte 0xXY as
// U+DCXY (the "surrogate escape" that Python and others use for file names);
// well-formed UTF-8 never yields a lone surrogate, so nothing is mistaken for
// a character of its own. On the way back such a surrogate becomes its byte
// again, when the result reads back as the same UTF-16; every other unpaired
// surrogate (from a server or a file, not from this conversion) becomes
// U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// A null pointer gives an empty string; otherwise reads up to the terminator.
std::u16string toUtf16(const char *utf8);
std::string toUtf8(const char16_t *utf16);

} // namespace text

// The Windows conversion calls, for code written against them. Only the
// active code page (CP_ACP) and CP_UTF8 exist here, and both are UTF-8.
// A source length of -1 means "up to and including the terminator". A
// destination size of 0 asks for the size needed. Never writes past the
// destination: when it is too small the result is 0.
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LPWSTR = char16_t *;
using LPCWSTR = const char16_t *;

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

int MultiByteToWideChar(UINT codePage, DWORD flags, const char *source, int sourceBytes,
                        LPWSTR destination, int destinationChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars,
                        char *destination, int destinationBytes, const char *defaultChar,
                        int *usedDefaultChar);
