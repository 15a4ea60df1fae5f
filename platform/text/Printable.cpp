#include "platform/text/Printable.h"

#include <cstdint>

namespace text {

namespace {

// The code point of the well-formed UTF-8 sequence at text[pos] and its
// length, or a length of 0 when the byte there starts none.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(pos);
    if (first < 0x80)
        return {first, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        cp = first & 0x1F;
        min = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        cp = first & 0x0F;
        min = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        cp = first & 0x07;
        min = 0x10000;
    } else {
        return {0, 0};
    }
    if (pos + length > text.size())
        return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return {0, 0};
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {0, 0};
    return {cp, length};
}

bool mustEscape(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) // C0, DEL, C1
           || cp == 0x061C                         // Arabic letter mark
           || cp == 0x200E || cp == 0x200F         // left-to-right, right-to-left marks
           || (cp >= 0x2028 && cp <= 0x202E)       // separators, embeddings, overrides
           || (cp >= 0x2066 && cp <= 0x2069)       // isolates
           || cp == 0xFEFF;                        // invisible no-break space, byte-order mark
}

void appendHex(std::string &out, std::uint32_t value, int digits)
{
    static constexpr char hex[] = "0123456789abcdef";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 0xF];
}

} // namespace

std::string printable(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto [cp, length] = decodeAt(utf8, pos);
        if (length == 0) {
            out += "\\x";
            appendHex(out, static_cast<unsigned char>(utf8[pos]), 2);
            ++pos;
            continue;
        }
        if (!mustEscape(cp)) {
            out.append(utf8.substr(pos, length));
        } else if (cp < 0x80) {
            out += "\\x";
            appendHex(out, cp, 2);
        } else {
            out += "\\u";
            appendHex(out, cp, 4);
        }
        pos += length;
    }
    return out;
}

} // namespace text
