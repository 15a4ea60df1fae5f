#pragma once

// Conversion between the 8-bit text of the window side (UTF-8 on Linux) and the
// UTF-16 text of the account interface. Invalid input never passes through:
// ill-formed UTF-8 and unpaired surrogates become U+FFFD.

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
