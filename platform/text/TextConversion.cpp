#include "platform/text/TextConversion.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <unicode/utypes.h>

namespace text {

namespace {

constexpr UChar32 replacementCharacter = 0xFFFD;
constexpr char16_t escapeBase = 0xDC00;

bool isByteEscape(UChar32 c)
{
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF;
}

int32_t checkedLength(std::size_t size, std::size_t unitsPerInput)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) / unitsPerInput)
        throw std::length_error("text too long to convert");
    return static_cast<int32_t>(size);
}

// The ill-formed parts carried as escapes; the rest as ICU decodes it.
std::u16string toUtf16Escaping(std::string_view utf8)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(utf8.data());
    const int32_t length = checkedLength(utf8.size(), 1);
    std::u16string result;
    result.reserve(utf8.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            // Every byte of the maximal ill-formed part, each on its own.
            for (int32_t j = start; j < i; ++j)
                result += static_cast<char16_t>(escapeBase + bytes[j]);
        } else if (U_IS_BMP(c)) {
            result += static_cast<char16_t>(c);
        } else {
            result += U16_LEAD(c);
            result += U16_TRAIL(c);
        }
    }
    return result;
}

// Byte escapes become their bytes when withBytes is set; every other
// unpaired surrogate becomes U+FFFD.
std::string toUtf8Escaping(std::u16string_view utf16, bool withBytes)
{
    const int32_t length = checkedLength(utf16.size(), 3);
    std::string result;
    result.reserve(utf16.size() * 3);
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U16_NEXT(utf16.data(), i, length, c);
        if (U_IS_SURROGATE(c)) {
            if (withBytes && isByteEscape(c)) {
                result += static_cast<char>(c - escapeBase);
                continue;
            }
            c = replacementCharacter;
        }
        char encoded[U8_MAX_LENGTH];
        int32_t used = 0;
        U8_APPEND_UNSAFE(encoded, used, c);
        result.append(encoded, static_cast<std::size_t>(used));
    }
    return result;
}

// What toUtf8Escaping(utf16, true) must read back as: the text with every
// unpaired surrogate but the byte escapes replaced.
std::u16string withOtherSurrogatesReplaced(std::u16string_view utf16)
{
    std::u16string result(utf16);
    const auto length = static_cast<int32_t>(utf16.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c = 0;
        U16_NEXT(utf16.data(), i, length, c);
        if (U_IS_SURROGATE(c) && !isByteEscape(c))
            result[static_cast<std::size_t>(start)] = static_cast<char16_t>(replacementCharacter);
    }
    return result;
}

} // namespace

std::u16string toUtf16(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    // Most names are ASCII, which widens unit by unit.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::u16string(utf8.begin(), utf8.end());
    // Well-formed text, nearly always: one pass through ICU into a buffer
    // that UTF-16 never outgrows.
    const int32_t sourceLength = checkedLength(utf8.size(), 1);
    std::u16string result(utf8.size(), u'\0');
    int32_t length = 0;
    int32_t substitutions = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(result.data(), sourceLength, &length, utf8.data(), sourceLength,
                         replacementCharacter, &substitutions, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("UTF-8 conversion failed: ") + u_errorName(status));
    if (substitutions > 0)
        return toUtf16Escaping(utf8);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string toUtf8(std::u16string_view utf16)
{
    if (utf16.empty())
        return {};
    if (std::all_of(utf16.begin(), utf16.end(), [](char16_t c) { return c < 0x80; })) {
        std::string ascii(utf16.size(), '\0');
        std::transform(utf16.begin(), utf16.end(), ascii.begin(),
                       [](char16_t c) { return static_cast<char>(c); });
        return ascii;
    }
    // Three bytes per UTF-16 code unit cover every case, U+FFFD included.
    const int32_t sourceLength = checkedLength(utf16.size(), 3);
    std::string result(utf16.size() * 3, '\0');
    int32_t length = 0;
    int32_t substitutions = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), sourceLength * 3, &length, utf16.data(), sourceLength,
                       replacementCharacter, &substitutions, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("UTF-16 conversion failed: ") + u_errorName(status));
    if (substitutions == 0) {
        result.resize(static_cast<std::size_t>(length));
        return result;
    }
    // Escaped bytes next to each other or to other text can spell a
    // character ("\udcc3\udca9" would read as "é"): they stand for bytes only
    // when the bytes read back as exactly these escapes.
    result = toUtf8Escaping(utf16, true);
    if (toUtf16(result) != withOtherSurrogatesReplaced(utf16))
        result = toUtf8Escaping(utf16, false);
    return result;
}

std::u16string toUtf16(const char *utf8)
{
    return utf8 ? toUtf16(std::string_view(utf8)) : std::u16string();
}

std::string toUtf8(const char16_t *utf16)
{
    if (!utf16)
        return {};
    // Finding the end and whether it is all ASCII in one pass.
    std::size_t length = 0;
    char16_t seen = 0;
    for (; utf16[length]; ++length)
        seen |= utf16[length];
    const std::u16string_view text(utf16, length);
    if (seen >= 0x80)
        return toUtf8(text);
    std::string ascii(length, '\0');
    std::transform(text.begin(), text.end(), ascii.begin(),
                   [](char16_t c) { return static_cast<char>(c); });
    return ascii;
}

} // namespace text

namespace {

// Whether a conversion call names a code page this system converts and
// buffers that make sense: a source of -1 (zero-terminated) or more units,
// and a destination when it gives room for one.
template <class SourceChar, class DestinationChar>
bool validRequest(UINT codePage, const SourceChar *source, int sourceUnits,
                  const DestinationChar *destination, int destinationUnits)
{
    return (codePage == CP_ACP || codePage == CP_UTF8) && source && sourceUnits != 0 &&
           sourceUnits >= -1 && destinationUnits >= 0 && (destinationUnits == 0 || destination);
}

// The answer to a conversion: with no room given, the units it needs;
// else the units written, or 0 when it does not fit.
template <class Text, class DestinationChar>
int deliver(const Text &converted, DestinationChar *destination, int destinationUnits)
{
    if (converted.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;
    const int needed = static_cast<int>(converted.size());
    if (destinationUnits == 0)
        return needed;
    if (needed > destinationUnits)
        return 0;
    std::copy(converted.begin(), converted.end(), destination);
    return needed;
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char *source, int sourceBytes,
                        LPWSTR destination, int destinationChars)
{
    if (!validRequest(codePage, source, sourceBytes, destination, destinationChars))
        return 0;
    const std::size_t length =
        sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceBytes);
    return deliver(text::toUtf16(std::string_view(source, length)), destination, destinationChars);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceChars, char *destination,
                        int destinationBytes, const char *, int *usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = 0;
    if (!validRequest(codePage, source, sourceChars, destination, destinationBytes))
        return 0;
    const std::size_t length = sourceChars == -1 ? std::char_traits<char16_t>::length(source) + 1
                                                 : static_cast<std::size_t>(sourceChars);
    return deliver(text::toUtf8(std::u16string_view(source, length)), destination,
                   destinationBytes);
}
