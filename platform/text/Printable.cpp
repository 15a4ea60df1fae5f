#include "platform/text/Printable.h"

#include <algorithm>
#include <cstdint>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace text {

namespace {

// A variation selector picks a glyph for the character before it; after a
// letter it shows as nothing ("admin" + U+FE0F reads "admin"), and after an
// ideograph it picks a variant that reads as the same character. Only the
// text and emoji styles of an emoji are kept: every keyboard writes "❤️"
// with U+FE0F, and the two styles look different.
bool variesPrevious(UChar32 selector, UChar32 previous)
{
    return (selector == 0xFE0E || selector == 0xFE0F) && previous >= 0 &&
           u_hasBinaryProperty(previous, UCHAR_EXTENDED_PICTOGRAPHIC);
}

// previous: the code point just before, when it was shown as it is; else -1.
bool mustEscape(UChar32 cp, UChar32 previous)
{
    // Most names are plain ASCII: no table needed.
    if (cp < 0x80)
        return cp < 0x20 || cp == 0x7F;
    switch (u_charType(cp)) {
    case U_CONTROL_CHAR:        // C1 (C0 and DEL above)
    case U_FORMAT_CHAR:         // direction marks, zero-width characters, tags, U+FEFF
    case U_LINE_SEPARATOR:      // U+2028
    case U_PARAGRAPH_SEPARATOR: // U+2029
        return true;
    default:
        break;
    }
    if (u_hasBinaryProperty(cp, UCHAR_VARIATION_SELECTOR))
        return !variesPrevious(cp, previous);
    // Shown as nothing: the Hangul fillers, U+180E, the combining grapheme
    // joiner, code points set aside for more of the same.
    return u_hasBinaryProperty(cp, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

void appendEscape(std::string &out, char kind, std::uint32_t value, int digits)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '\\';
    out += kind;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 0xF];
}

} // namespace

std::string printable(std::string_view utf8)
{
    // Nearly every name is plain printable ASCII, which stays as it is.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(utf8.data());
    const std::size_t size = utf8.size();
    UChar32 previous = -1;
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t start = pos;
        UChar32 cp = 0;
        // U8_NEXT takes int32_t offsets: decode from a window that fits.
        const auto windowLength =
            static_cast<int32_t>(std::min<std::size_t>(size - start, U8_MAX_LENGTH));
        int32_t used = 0;
        U8_NEXT(bytes + start, used, windowLength, cp);
        pos += static_cast<std::size_t>(used);
        if (cp < 0) {
            // Each byte of the ill-formed part on its own.
            for (std::size_t i = start; i < pos; ++i)
                appendEscape(out, 'x', bytes[i], 2);
            previous = -1;
        } else if (!mustEscape(cp, previous)) {
            out.append(utf8.substr(start, pos - start));
            previous = cp;
        } else {
            if (cp < 0x80)
                appendEscape(out, 'x', static_cast<std::uint32_t>(cp), 2);
            else if (cp <= 0xFFFF)
                appendEscape(out, 'u', static_cast<std::uint32_t>(cp), 4);
            else
                appendEscape(out, 'U', static_cast<std::uint32_t>(cp), 8);
            previous = -1;
        }
    }
    return out;
}

} // namespace text
