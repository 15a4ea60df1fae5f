#include "platform/text/Collation.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/tblcoll.h>
#include <vector>

namespace text {

namespace {

// Makes only the hyphen and the apostrophe ignorable to ICU; tieBreak() then
// gives them their small weight. ICU's "shifted" option would ignore every
// blank and punctuation mark, which a word sort does not, and its quaternary
// level would put "co-op" before "coop".
constexpr char16_t wordSortTailoring[] = u"&[last tertiary ignorable] = '-' = ''";

bool weighsLittle(char c)
{
    return c == '-' || c == '\'';
}

// Where the hyphens and apostrophes stand: for each, in order, how many other
// characters precede it (UTF-8 continuation bytes do not count), and itself.
struct LightMark
{
    std::uint32_t after;
    char mark;
};

std::vector<LightMark> lightMarks(std::string_view text)
{
    std::vector<LightMark> marks;
    std::uint32_t others = 0;
    for (const char c : text) {
        if (weighsLittle(c))
            marks.push_back({others, c});
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++others;
    }
    return marks;
}

// Orders texts that ICU finds equal once hyphens and apostrophes are ignored:
// at the first mark that differs, the text whose mark stands later, or that
// has none left, comes first. So "coop" < "co-op" and "ab-c" < "a-bc".
int tieBreak(std::string_view a, std::string_view b)
{
    const std::vector<LightMark> first = lightMarks(a);
    const std::vector<LightMark> second = lightMarks(b);
    for (std::size_t i = 0; i < first.size() && i < second.size(); ++i) {
        if (first[i].after != second[i].after)
            return first[i].after > second[i].after ? -1 : 1;
        if (first[i].mark != second[i].mark)
            return first[i].mark < second[i].mark ? -1 : 1;
    }
    return first.size() < second.size() ? -1 : first.size() > second.size() ? 1 : 0;
}

bool isNeutralLocale(const std::string &name)
{
    const std::string base = name.substr(0, name.find_first_of(".@"));
    return base.empty() || base == "C" || base == "POSIX";
}

std::string icuLocaleId(const std::string &posix)
{
    if (isNeutralLocale(posix))
        return "root";
    // "de_DE.UTF-8@euro": ICU wants neither the encoding nor the modifier.
    return posix.substr(0, posix.find_first_of(".@"));
}

std::unique_ptr<icu::Collator> makeCollator(const std::string &localeId,
                                            UColAttributeValue strength)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> base(
        icu::Collator::createInstance(icu::Locale(localeId.c_str()), status));
    if (U_FAILURE(status) || !base)
        throw std::runtime_error("no collation for locale " + localeId);
    icu::UnicodeString rules;
    if (auto *ruleBased = dynamic_cast<icu::RuleBasedCollator *>(base.get()))
        rules = ruleBased->getRules();
    rules.append(icu::UnicodeString(wordSortTailoring));
    auto tailored = std::make_unique<icu::RuleBasedCollator>(rules, status);
    if (U_FAILURE(status))
        throw std::runtime_error("cannot tailor the collation for locale " + localeId);
    tailored->setAttribute(UCOL_STRENGTH, strength, status);
    tailored->setAttribute(UCOL_CASE_FIRST, UCOL_LOWER_FIRST, status);
    tailored->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
    if (U_FAILURE(status))
        throw std::runtime_error("cannot set up the collation for locale " + localeId);
    return tailored;
}

int sign(UCollationResult result)
{
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

icu::StringPiece piece(std::string_view text)
{
    return icu::StringPiece(text.data(), static_cast<int32_t>(text.size()));
}

} // namespace

struct WordCollator::Collators
{
    std::string localeId;
    std::unique_ptr<icu::Collator> caseSensitive;
    std::unique_ptr<icu::Collator> caseBlind;
};

WordCollator::WordCollator(const std::string &locale) : m_collators(std::make_unique<Collators>())
{
    m_collators->localeId = icuLocaleId(locale);
    try {
        m_collators->caseSensitive = makeCollator(m_collators->localeId, UCOL_TERTIARY);
        m_collators->caseBlind = makeCollator(m_collators->localeId, UCOL_SECONDARY);
    } catch (const std::runtime_error &) {
        // A locale whose rules do not take the tailoring still sorts sensibly
        // in the neutral order.
        m_collators->localeId = "root";
        m_collators->caseSensitive = makeCollator("root", UCOL_TERTIARY);
        m_collators->caseBlind = makeCollator("root", UCOL_SECONDARY);
    }
}

WordCollator::~WordCollator() = default;

int WordCollator::compare(std::string_view a, std::string_view b) const
{
    // Ill-formed UTF-8 compares as U+FFFD; nothing is read past either view.
    UErrorCode status = U_ZERO_ERROR;
    const int result = sign(m_collators->caseSensitive->compareUTF8(piece(a), piece(b), status));
    return result != 0 ? result : tieBreak(a, b);
}

int WordCollator::compareIgnoringCase(std::string_view a, std::string_view b) const
{
    UErrorCode status = U_ZERO_ERROR;
    const int result = sign(m_collators->caseBlind->compareUTF8(piece(a), piece(b), status));
    return result != 0 ? result : tieBreak(a, b);
}

std::string WordCollator::sortKey(std::string_view text) const
{
    const icu::UnicodeString source = icu::UnicodeString::fromUTF8(piece(text));
    std::string key(64, '\0');
    for (;;) {
        const int32_t needed = m_collators->caseSensitive->getSortKey(
            source, reinterpret_cast<uint8_t *>(key.data()), static_cast<int32_t>(key.size()));
        if (needed <= static_cast<int32_t>(key.size())) {
            // ICU's key keeps its terminating zero byte, which no other byte of
            // it is, so the tie-break appended after it counts only between
            // texts ICU finds equal. Each mark then adds bytes that memcmp
            // orders as tieBreak() does; fewer marks make a shorter key.
            key.resize(static_cast<std::size_t>(std::max(needed, 0)));
            for (const LightMark &mark : lightMarks(text)) {
                const std::uint32_t later = 0xFFFFFFFFu - mark.after;
                key.push_back(static_cast<char>(later >> 24));
                key.push_back(static_cast<char>(later >> 16));
                key.push_back(static_cast<char>(later >> 8));
                key.push_back(static_cast<char>(later));
                key.push_back(mark.mark);
            }
            return key;
        }
        key.resize(static_cast<std::size_t>(needed));
    }
}

std::string WordCollator::localeName() const
{
    return m_collators->localeId;
}

std::string userCollationLocale()
{
    for (const char *variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

const WordCollator &userCollator()
{
    static const WordCollator collator(userCollationLocale());
    return collator;
}

} // namespace text

int lstrcmpA(const char *a, const char *b)
{
    return text::userCollator().compare(a ? a : "", b ? b : "");
}

int CompareStringA(LCID, std::uint32_t flags, const char *a, int aLength, const char *b,
                   int bLength)
{
    if ((!a && aLength != 0) || (!b && bLength != 0) || aLength < -1 || bLength < -1)
        return 0;
    const std::string_view first = aLength == -1
                                       ? std::string_view(a)
                                       : std::string_view(a, static_cast<std::size_t>(aLength));
    const std::string_view second = bLength == -1
                                        ? std::string_view(b)
                                        : std::string_view(b, static_cast<std::size_t>(bLength));
    const text::WordCollator &collator = text::userCollator();
    const int result = (flags & NORM_IGNORECASE) ? collator.compareIgnoringCase(first, second)
                                                 : collator.compare(first, second);
    return result < 0 ? CSTR_LESS_THAN : result == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN;
}
