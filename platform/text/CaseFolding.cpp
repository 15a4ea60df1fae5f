#include "platform/text/CaseFolding.h"

#include "platform/text/TextConversion.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace text {

std::string foldCase(std::string_view utf8)
{
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string lower(utf8);
        for (char &c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return lower;
    }
    // Through the lossless conversion: a leading U+FEFF stays (Qt's UTF-8
    // decoding would drop it, and "\ufeffadmin" would match "admin"), and
    // bytes that are not UTF-8 stay themselves, so "caf\xe9" and "caf\xe8"
    // remain two names. ICU leaves those escapes as they are.
    const std::u16string wide = toUtf16(utf8);
    if (wide.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max() / 3))
        throw std::length_error("text too long to fold");
    // Full folding grows a text at most threefold ("ΐ" becomes three).
    std::u16string folded(wide.size() * 3, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), wide.data(),
                      static_cast<int32_t>(wide.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("case folding failed: ") + u_errorName(status));
    folded.resize(static_cast<std::size_t>(length));
    return toUtf8(folded);
}

} // namespace text
