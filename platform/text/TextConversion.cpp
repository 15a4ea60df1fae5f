#include "platform/text/TextConversion.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

namespace text {

namespace {
constexpr UChar32 replacementCharacter = 0xFFFD;
}

std::u16string toUtf16(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    // UTF-16 never needs more code units than UTF-8 has bytes, so one pass
    // into a buffer of that size suffices. ICU replaces each ill-formed
    // sequence (its maximal subpart) with U+FFFD.
    if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        throw std::length_error("text too long to convert");
    std::u16string result(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), replacementCharacter, nullptr, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("UTF-8 conversion failed: ") + u_errorName(status));
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string toUtf8(std::u16string_view utf16)
{
    if (utf16.empty())
        return {};
    // Three bytes per UTF-16 code unit cover every case, U+FFFD included.
    if (utf16.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max() / 3))
        throw std::length_error("text too long to convert");
    std::string result(utf16.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf16.data(),
                       static_cast<int32_t>(utf16.size()), replacementCharacter, nullptr, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("UTF-16 conversion failed: ") + u_errorName(status));
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::u16string toUtf16(const char *utf8)
{
    return utf8 ? toUtf16(std::string_view(utf8)) : std::u16string();
}

std::string toUtf8(const char16_t *utf16)
{
    return utf16 ? toUtf8(std::u16string_view(utf16)) : std::string();
}

} // namespace text

namespace {

bool knownCodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_UTF8;
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char *source, int sourceBytes,
                        LPWSTR destination, int destinationChars)
{
    if (!knownCodePage(codePage) || !source || sourceBytes == 0 || sourceBytes < -1 ||
        destinationChars < 0 || (destinationChars > 0 && !destination))
        return 0;
    const std::size_t length =
        sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceBytes);
    const std::u16string converted = text::toUtf16(std::string_view(source, length));
    if (converted.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;
    const int needed = static_cast<int>(converted.size());
    if (destinationChars == 0)
        return needed;
    if (needed > destinationChars)
        return 0;
    std::copy(converted.begin(), converted.end(), destination);
    return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceChars, char *destination,
                        int destinationBytes, const char *, int *usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = 0;
    if (!knownCodePage(codePage) || !source || sourceChars == 0 || sourceChars < -1 ||
        destinationBytes < 0 || (destinationBytes > 0 && !destination))
        return 0;
    const std::size_t length = sourceChars == -1 ? std::char_traits<char16_t>::length(source) + 1
                                                 : static_cast<std::size_t>(sourceChars);
    const std::string converted = text::toUtf8(std::u16string_view(source, length));
    if (converted.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;
    const int needed = static_cast<int>(converted.size());
    if (destinationBytes == 0)
        return needed;
    if (needed > destinationBytes)
        return 0;
    std::memcpy(destination, converted.data(), converted.size());
    return needed;
}
