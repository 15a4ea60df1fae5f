#include "app/AccountListing.h"

#include "platform/netapi/MemoryProvider.h"

#include <gtest/gtest.h>
#include <memory>

using netapi::MemoryProvider;

namespace {

class RecordingView : public ListingView
{
public:
    bool showAll = false;
    int logonPrompts = 0;
    std::function<bool()> onLogon = [] { return false; };
    std::function<bool()> afterBatch = [] { return true; };
    std::vector<ListedAccount> rows;
    std::vector<std::string> lines;

    bool ShowAllUsers() const override { return showAll; }
    void AddRow(const ListedAccount &account) override { rows.push_back(account); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void AddLine(const std::string &line) override { lines.push_back(line); }
    bool AfterBatch() override { return afterBatch(); }
    bool AskForLogon(const std::string &) override
    {
        ++logonPrompts;
        return onLogon();
    }
};

class AccountListing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memory = std::make_shared<MemoryProvider>();
        netapi::installProviders(memory, memory);
        add("", "alice", "Alice Archer");
        add("", "bob", "Bob Baker").lockedOut = true;
        add("", "carol", "").disabled = true;
        auto &both = add("", "dave", "Dave Døssing");
        both.lockedOut = both.disabled = true;
    }
    void TearDown() override { netapi::installProviders(nullptr, nullptr); }

    MemoryProvider::Account &add(const std::string &server, const std::string &name,
                                 const std::string &fullName)
    {
        return memory->addAccount(server, {name, fullName});
    }

    std::shared_ptr<MemoryProvider> memory;
    RecordingView view;
};

} // namespace

TEST_F(AccountListing, OnlyLockedOutAccountsGetRowsButEveryAccountCounts)
{
    RunAccountListing("", view);
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.rows[0].name, "bob");
    EXPECT_EQ(view.rows[1].fullName, "Dave Døssing");
    EXPECT_TRUE(view.rows[1].lockedOut && view.rows[1].disabled);
    EXPECT_EQ(view.lines,
              (std::vector<std::string>{"2 disabled users found.", "2 locked out users found."}));
}

TEST_F(AccountListing, ShowAllUsersListsEveryAccountOneBatchAtATime)
{
    view.showAll = true;
    int batches = 0;
    view.afterBatch = [&] { return ++batches, true; };
    RunAccountListing("", view);
    EXPECT_EQ(view.rows.size(), 4u);
    EXPECT_EQ(batches, 4); // one account per call, as the smallest batches allow
    EXPECT_EQ(view.lines.front(), "4 users found.");
    EXPECT_EQ(memory->callCount(MemoryProvider::Call::GetInfo), 4u);
}

TEST_F(AccountListing, AQuietServerSaysSoAndCountsZeroRowsToo)
{
    add("quiet.example.com", "eve", "Eve");
    RunAccountListing("quiet.example.com", view);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.lines,
              (std::vector<std::string>{"No disabled users found.", "No locked out users found."}));
    view.lines.clear();
    view.showAll = true;
    memory->addServer("empty.example.com");
    RunAccountListing("empty.example.com", view);
    EXPECT_EQ(view.lines.front(), "0 users found.");
}

TEST_F(AccountListing, RefusalsAndFailuresGiveOneLineInsteadOfTheSummary)
{
    RunAccountListing("no-such-server", view);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Invalid server name."});

    add("locked.example.com", "x", "");
    memory->setResult(MemoryProvider::Call::Enumerate, 5);
    view.lines.clear();
    RunAccountListing("locked.example.com", view);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Access denied."});
    memory->setResult(MemoryProvider::Call::Enumerate, 0);

    // An unreachable server must not read as one without lockouts; the rows
    // that came before the failure stay.
    view.showAll = true;
    view.lines.clear();
    memory->setEnumFailure("", 2, 53);
    RunAccountListing("", view);
    EXPECT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Error 53 returned from NetUserEnum"});
}

TEST_F(AccountListing, AccountsThatCouldNotBeCheckedAreShownUnmarkedAndCounted)
{
    view.showAll = true;
    memory->setAccountResult("", "bob", MemoryProvider::Call::GetInfo, 5);
    memory->setAccountResult("", "dave", MemoryProvider::Call::GetInfo, 2221);
    EXPECT_EQ(RunAccountListing("", view), ListingOutcome::SummaryUnchecked);
    ASSERT_EQ(view.rows.size(), 4u);
    EXPECT_FALSE(view.rows[1].lockedOut);
    EXPECT_FALSE(view.rows[1].checked);
    EXPECT_TRUE(view.rows[2].checked);
    EXPECT_EQ(view.lines, (std::vector<std::string>{"4 users found.", "1 disabled users found.",
                                                    "No locked out users found.",
                                                    "2 users could not be checked."}));
}

TEST_F(AccountListing, ANewerListingEndsTheRunningOneWithoutALine)
{
    view.showAll = true;
    int batches = 0;
    view.afterBatch = [&] { return ++batches < 2; };
    RunAccountListing("", view);
    EXPECT_EQ(view.rows.size(), 2u);
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(AccountListing, ServerNamesOfAnyLengthReachTheProviderWhole)
{
    const std::string longName = "domain-controller-01.emea.corp.example.com";
    const std::string unicodeName = "kontroller-ødegård.example";
    add(longName, "frank", "").lockedOut = true;
    add(unicodeName, "gustav", "").lockedOut = true;
    RunAccountListing(longName, view);
    RunAccountListing(unicodeName, view);
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(memory->calls().front().server, longName);
}

TEST_F(AccountListing, ARefusedLogonAsksForCredentialsAndTriesAgain)
{
    add("dc.example.com", "henry", "").lockedOut = true;
    memory->setResult(MemoryProvider::Call::Enumerate, 1326);
    view.onLogon = [&] {
        memory->setResult(MemoryProvider::Call::Enumerate, 0);
        return true;
    };
    RunAccountListing("dc.example.com", view);
    EXPECT_EQ(view.logonPrompts, 1);
    EXPECT_EQ(view.rows.size(), 1u);

    // Declined: the refusal is reported by its number.
    memory->setResult(MemoryProvider::Call::Enumerate, 1326);
    view.onLogon = [] { return false; };
    view.lines.clear();
    RunAccountListing("dc.example.com", view);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Error 1326 returned from NetUserEnum"});
}
