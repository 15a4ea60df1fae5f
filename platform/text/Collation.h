#pragma once

// Locale-aware comparison of 8-bit (UTF-8) text, as a word sort: letters in the
// locale's alphabetical order, a lower-case letter before its upper-case form,
// blanks before letters, and the hyphen and the apostrophe weighing less than
// any letter but still breaking ties, so that "co op" < "con" < "coop" <
// "co-op" < "cop". Built on ICU collation.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace text {

class WordCollator
{
public:
    // locale: a POSIX locale name such as "de_DE.UTF-8"; "", "C" and "POSIX"
    // (with any encoding) use ICU's root collation, the locale-neutral order.
    explicit WordCollator(const std::string &locale);
    ~WordCollator();
    WordCollator(const WordCollator &) = delete;
    WordCollator &operator=(const WordCollator &) = delete;

    // Negative, zero or positive. Case counts (lower case first).
    int compare(std::string_view a, std::string_view b) const;
    // Case is ignored; accents still count.
    int compareIgnoringCase(std::string_view a, std::string_view b) const;
    // Bytes that sort with memcmp as compare() orders the texts, for sorting
    // many rows without comparing them again and again.
    std::string sortKey(std::string_view text) const;

    // The ICU locale the order follows ("root" for the neutral order).
    std::string localeName() const;

private:
    struct Collators;
    std::unique_ptr<Collators> m_collators;
};

// The user's locale as the C library sees it: LC_ALL, then LC_COLLATE, then LANG.
std::string userCollationLocale();

// One collator for the user's locale, made at first use.
const WordCollator &userCollator();

} // namespace text

// The Windows comparison calls, over the user's collator.
using LCID = std::uint32_t;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr std::uint32_t NORM_IGNORECASE = 0x00000001;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// Case-sensitive word sort; a null pointer counts as empty. -1, 0 or 1.
int lstrcmpA(const char *a, const char *b);
// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 for bad arguments. Every
// locale means the user's; of the flags only NORM_IGNORECASE has an effect.
// A length of -1 means "up to the terminator".
int CompareStringA(LCID locale, std::uint32_t flags, const char *a, int aLength, const char *b,
                   int bLength);
