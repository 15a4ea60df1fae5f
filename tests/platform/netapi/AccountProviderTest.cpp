#include "platform/netapi/AccountProvider.h"

#include <gtest/gtest.h>

namespace {

using namespace netapi;

constexpr std::uint32_t moreData = 234;
constexpr std::uint32_t accessDenied = 5;

AccountEntry named(std::size_t i)
{
    return AccountEntry{"user" + std::to_string(i), {}, {}, {}};
}

// Every call of a listing until it ends: the batch sizes and the last code.
std::pair<std::vector<std::size_t>, std::uint32_t> listAll(std::size_t count, std::uint32_t endCode,
                                                           std::uint32_t prefMaxLen)
{
    std::vector<std::size_t> batches;
    std::uint32_t handle = 0;
    std::uint32_t code = moreData;
    while (code == moreData && batches.size() < 100) {
        std::vector<AccountEntry> out;
        code = listBatch(prefMaxLen, handle, count, endCode, named, out);
        batches.push_back(out.size());
    }
    return {batches, code};
}

TEST(ListBatch, HandsOutBatchesAndAFailureAloneAfterTheLastAccount)
{
    const std::uint32_t everything = 0xFFFFFFFF;
    const std::uint32_t oneRecord = 1;
    EXPECT_EQ(listAll(3, 0, everything), (std::pair{std::vector<std::size_t>{3}, 0u}));
    EXPECT_EQ(listAll(3, 0, oneRecord), (std::pair{std::vector<std::size_t>{1, 1, 1}, 0u}));
    EXPECT_EQ(listAll(0, 0, oneRecord), (std::pair{std::vector<std::size_t>{0}, 0u}));
    // The accounts before a failure stay valid: it comes on a call of its own.
    EXPECT_EQ(listAll(2, accessDenied, everything),
              (std::pair{std::vector<std::size_t>{2, 0}, accessDenied}));
    EXPECT_EQ(listAll(0, accessDenied, everything),
              (std::pair{std::vector<std::size_t>{0}, accessDenied}));

    // Two records' worth of room holds two of these.
    const auto room = static_cast<std::uint32_t>(2 * BatchBudget::recordBytes(named(1)));
    EXPECT_EQ(listAll(5, 0, room), (std::pair{std::vector<std::size_t>{2, 2, 1}, 0u}));
}

TEST(BatchBudget, ABudgetBelowTheSmallestRecordTakesOneAccountOfAnySize)
{
    const std::size_t smallest = BatchBudget::recordBytes(AccountEntry{});
    const AccountEntry large{std::string(300, 'x'), "comment", {}, "Full Name"};
    for (const std::size_t limit : {std::size_t{0}, std::size_t{1}, smallest - 1}) {
        BatchBudget budget(static_cast<std::uint32_t>(limit));
        EXPECT_TRUE(budget.take(large)) << limit;
        EXPECT_TRUE(budget.full()) << limit;
        EXPECT_FALSE(budget.take(AccountEntry{})) << limit;
    }
    // Room for exactly one smallest record: a second, however small, waits.
    BatchBudget exact(static_cast<std::uint32_t>(smallest));
    EXPECT_TRUE(exact.take(AccountEntry{}));
    EXPECT_FALSE(exact.take(AccountEntry{}));
}

TEST(JustListed, ManyLookupsInAnyOrderAreEachAnsweredOnce)
{
    JustListed<std::size_t> listed;
    listed.start("");
    for (std::size_t i = 0; i < 100; ++i)
        listed.add("user" + std::to_string(i), i);
    // In order for a while, then one far ahead, then the rest backwards.
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_EQ(listed.take("", "user" + std::to_string(i)), i);
    EXPECT_EQ(listed.take("", "user70"), 70u);
    for (std::size_t i = 100; i-- > 40;) {
        if (i != 70) {
            EXPECT_EQ(listed.take("", "user" + std::to_string(i)), i);
        }
    }
    for (std::size_t i = 0; i < 100; ++i)
        EXPECT_EQ(listed.take("", "user" + std::to_string(i)), std::nullopt) << i;
    // Once all are answered, the next batch starts afresh.
    listed.add("again", 5);
    EXPECT_EQ(listed.take("", "again"), 5u);
}

TEST(JustListed, EachListedAccountAnswersOnceAndOnlyOnItsServer)
{
    JustListed<std::size_t> listed;
    std::uint32_t handle = 1;
    std::vector<AccountEntry> out;
    listed.start("dc01");
    EXPECT_EQ(listBatch(0xFFFFFFFF, handle, 4, 0, named, out, &listed), 0u);
    ASSERT_EQ(out.size(), 3u);

    EXPECT_EQ(listed.take("dc01", "user1"), 1u);
    EXPECT_EQ(listed.take("dc01", "user1"), std::nullopt); // once
    EXPECT_EQ(listed.take("dc02", "user2"), std::nullopt); // another server's account
    EXPECT_EQ(listed.take("dc01", "user3"), 3u);           // out of order
    EXPECT_EQ(listed.take("dc01", "user0"), std::nullopt); // never in this batch

    // A reset clears it; the next batch replaces what is left.
    listed.clear();
    EXPECT_EQ(listed.take("dc01", "user2"), std::nullopt);
    listed.start("dc01");
    listed.add("a", 7);
    listed.start("dc01");
    EXPECT_EQ(listed.take("dc01", "a"), std::nullopt);
}

} // namespace
