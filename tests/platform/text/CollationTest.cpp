#include "platform/text/Collation.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(WordSort, HyphenAndApostropheWeighLessThanLettersButBreakTies)
{
    const text::WordCollator collator("C.UTF-8");
    EXPECT_LT(collator.compare("co op", "con"), 0);
    EXPECT_LT(collator.compare("con", "co-op"), 0);
    EXPECT_LT(collator.compare("coop", "co-op"), 0);
    EXPECT_GT(collator.compare("co-op", "coop"), 0);
    EXPECT_LT(collator.compare("co-op", "cop"), 0);
    EXPECT_LT(collator.compare("obrien", "o'brien"), 0);
    EXPECT_LT(collator.compare("o'brien", "obrient"), 0);
    EXPECT_LT(collator.compare("ab-c", "a-bc"), 0);
    EXPECT_LT(collator.compare("co-op", "co--op"), 0);
    EXPECT_EQ(collator.compare("co-op", "co-op"), 0);
    // Letter case still outweighs a hyphen, as accents do.
    EXPECT_LT(collator.compare("co-op", "Coop"), 0);
    EXPECT_LT(collator.compare("a b", "ab"), 0);
    EXPECT_LT(collator.compare(" z", "a"), 0);
    EXPECT_LT(collator.compareIgnoringCase("COOP", "co-op"), 0);
}

TEST(WordSort, LowerCaseComesBeforeItsUpperCaseButNotBeforeLaterLetters)
{
    const text::WordCollator collator("C");
    EXPECT_LT(collator.compare("smith", "Smith"), 0);
    EXPECT_LT(collator.compare("Smith", "smithe"), 0);
    EXPECT_LT(collator.compare("Adams", "baker"), 0);
    std::vector<std::string> names = {"Bob", "alice", "bob", "Alice", "Émile", "emile", "Zoë"};
    std::sort(names.begin(), names.end(), [&](const std::string &a, const std::string &b) {
        return collator.compare(a, b) < 0;
    });
    EXPECT_EQ(names,
              (std::vector<std::string>{"alice", "Alice", "bob", "Bob", "emile", "Émile", "Zoë"}));
}

TEST(WordSort, NeutralLocalesUseTheRootOrderAndOthersTheirOwn)
{
    EXPECT_EQ(text::WordCollator("").localeName(), "root");
    EXPECT_EQ(text::WordCollator("POSIX").localeName(), "root");
    EXPECT_EQ(text::WordCollator("C.UTF-8").localeName(), "root");
    const text::WordCollator swedish("sv_SE.UTF-8@euro");
    EXPECT_EQ(swedish.localeName(), "sv_SE");
    // Swedish puts Ö after Z; the neutral order files it under O.
    EXPECT_GT(swedish.compare("Öberg", "Zetterlund"), 0);
    EXPECT_LT(text::WordCollator("C").compare("Öberg", "Zetterlund"), 0);
}

TEST(WordSort, SortKeysOrderAsTheComparisonDoes)
{
    const text::WordCollator collator("C");
    const std::vector<std::string> ordered = {"co op",   "con",   "coop",  "co-op", "co--op",
                                              "cop",     "ab",    "ab-c",  "a-bc",  "Ødegård",
                                              "o'brien", "smith", "Smith", "Zoë"};
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
        const int byCompare = collator.compare(ordered[i], ordered[i + 1]);
        const int byKey = collator.sortKey(ordered[i]).compare(collator.sortKey(ordered[i + 1]));
        EXPECT_EQ(byCompare < 0, byKey < 0) << ordered[i] << " / " << ordered[i + 1];
        EXPECT_EQ(byCompare > 0, byKey > 0) << ordered[i] << " / " << ordered[i + 1];
    }
    EXPECT_LT(collator.sortKey("coop"), collator.sortKey("co-op"));
    EXPECT_EQ(collator.sortKey("co-op"), collator.sortKey("co-op"));
}

TEST(WordSort, InvalidUtf8CompareSafely)
{
    const text::WordCollator collator("C");
    const std::string truncated("ab\xE2\x82", 4);
    EXPECT_NE(collator.compare(truncated, "ab"), 0);
    EXPECT_EQ(collator.compare(std::string_view(), ""), 0);
}

TEST(CaseBlindComparison, IgnoresCaseButNotAccents)
{
    const text::WordCollator collator("C");
    EXPECT_EQ(collator.compareIgnoringCase("JSMITH", "jsmith"), 0);
    EXPECT_EQ(collator.compareIgnoringCase("ÉLODIE", "élodie"), 0);
    EXPECT_NE(collator.compareIgnoringCase("elodie", "élodie"), 0);
    EXPECT_LT(collator.compareIgnoringCase("apple", "Banana"), 0);
}

TEST(WindowsComparisonCalls, FollowTheUserCollator)
{
    EXPECT_LT(lstrcmpA("con", "coop"), 0);
    EXPECT_LT(lstrcmpA("coop", "co-op"), 0);
    EXPECT_LT(lstrcmpA(nullptr, "a"), 0);
    EXPECT_EQ(lstrcmpA(nullptr, ""), 0);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "Server", -1, "SERVER", -1),
              CSTR_EQUAL);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "server", -1, "SERVER", -1), CSTR_LESS_THAN);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "beta", 4, "alphabet", 5),
              CSTR_GREATER_THAN);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, 3, "a", -1), 0);
}

} // namespace
