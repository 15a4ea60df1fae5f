#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/MemoryProvider.h"
#include "tests/app/main/MainWindowFixture.h"

#include <QTimer>

using Lines = std::vector<std::string>;

TEST_F(MainWindow, AListingShowsLockedOutAccountsWithTheirMarks)
{
    openWindow();
    connect("dc01.corp.example.com");
    EXPECT_EQ(captions(), (Lines{"jsmith", "co-op"}));
    TListItem *both = form->lvUsers->Items()->Item(1);
    EXPECT_EQ(both->SubItems()->Get(0), "Zoë Østergaard");
    EXPECT_EQ(both->ImageIndex(), 0);
    EXPECT_EQ(both->StateIndex(), 1);
    EXPECT_EQ(form->lvUsers->Items()->Item(0)->StateIndex(), -1);
    EXPECT_EQ(lines(), (Lines{"2 disabled users found.", "2 locked out users found.",
                              "1 users could not be checked."}));
}

TEST_F(MainWindow, ShowAllUsersListsEveryAccountAndCountsTheRows)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    EXPECT_EQ(captions(), (Lines{"jsmith", "adoe", "Bwayne", "co-op", "coop", "svc-backup"}));
    EXPECT_EQ(form->lvUsers->Items()->Item(2)->ImageIndex(), -1);
    EXPECT_EQ(form->lvUsers->Items()->Item(2)->StateIndex(), 1);
    EXPECT_EQ(lines(), (Lines{"6 users found.", "2 disabled users found.",
                              "2 locked out users found.", "1 users could not be checked."}));
}

TEST_F(MainWindow, AnEmptyServerBoxListsThisComputer)
{
    openWindow();
    connect("", true);
    EXPECT_EQ(captions(), Lines{"localadmin"});
    EXPECT_EQ(lines(),
              (Lines{"1 users found.", "No disabled users found.", "No locked out users found."}));
}

TEST_F(MainWindow, EachConnectStartsAfreshWithTheResetButtonDisabled)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    select("adoe");
    EXPECT_TRUE(form->btnReset->Enabled());
    connect("dc01.corp.example.com");
    EXPECT_FALSE(form->btnReset->Enabled());
    EXPECT_EQ(captions().size(), 2u);
    EXPECT_EQ(lines().size(), 3u);
}

TEST_F(MainWindow, FailedListingsSayWhyInOneLine)
{
    openWindow();
    connect("nowhere.example.com");
    EXPECT_EQ(lines(), Lines{"Invalid server name."});
    connect("secure.corp.example.com");
    EXPECT_EQ(lines(), Lines{"Access denied."});
    // Rows that came before the failure stay.
    connect("branch.corp.example.com", true);
    EXPECT_EQ(captions(), (Lines{"a1", "a2"}));
    EXPECT_EQ(lines(), Lines{"Error 53 returned from NetUserEnum"});
}

TEST_F(MainWindow, TheCursorIsAnHourglassOnlyWhileAListingRuns)
{
    auto memory = std::make_shared<netapi::MemoryProvider>();
    memory->addAccount("dc", {"a"});
    memory->addAccount("dc", {"b"});
    netapi::installProviders(memory, memory);
    openWindow();
    std::vector<TCursor> seen;
    memory->setHook([&](const auto &) { seen.push_back(Screen->Cursor()); });
    connect("dc");
    ASSERT_FALSE(seen.empty());
    for (TCursor c : seen)
        EXPECT_EQ(c, crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(MainWindow, ASecondConnectDuringAListingTakesOver)
{
    auto memory = std::make_shared<netapi::MemoryProvider>();
    for (const char *name : {"old1", "old2", "old3", "old4"})
        memory->addAccount("first", {name}).lockedOut = true;
    memory->addAccount("second", {"new1"}).lockedOut = true;
    memory->setDelay(netapi::MemoryProvider::Call::Enumerate, std::chrono::milliseconds(3));
    netapi::installProviders(memory, memory);
    openWindow();
    bool pressed = false;
    memory->setHook([&](const netapi::MemoryProvider::CallRecord &call) {
        // In the middle of the first listing the operator connects again: the
        // click waits in the queue until the listing pumps messages.
        if (!pressed && call.server == "first" && call.user == "old2") {
            pressed = true;
            QTimer::singleShot(0, [this] {
                form->tbServer->SetText("second");
                form->btnConnect->Click();
            });
        }
    });
    connect("first");
    EXPECT_TRUE(pressed);
    // Only the newest listing's rows and lines; the older one stopped quietly.
    EXPECT_EQ(captions(), Lines{"new1"});
    EXPECT_EQ(lines(), (Lines{"No disabled users found.", "1 locked out users found."}));
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(MainWindow, CloseDuringAListingEndsItAtTheNextBatch)
{
    auto memory = std::make_shared<netapi::MemoryProvider>();
    for (const char *name : {"u1", "u2", "u3", "u4"})
        memory->addAccount("dc", {name}).lockedOut = true;
    // A slow link: every batch takes longer than the pump's polling interval.
    memory->setDelay(netapi::MemoryProvider::Call::Enumerate, std::chrono::milliseconds(3));
    netapi::installProviders(memory, memory);
    openWindow();
    memory->setHook([&](const netapi::MemoryProvider::CallRecord &call) {
        if (call.user == "u2")
            QTimer::singleShot(0, [this] { form->Button1->Click(); });
    });
    connect("dc");
    EXPECT_EQ(captions(), (Lines{"u1", "u2"}));
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(MainWindow, AListingAfterTheWindowWasClosedAndShownAgainRunsInFull)
{
    auto memory = std::make_shared<netapi::MemoryProvider>();
    for (const char *name : {"u1", "u2", "u3", "u4"})
        memory->addAccount("dc", {name}).lockedOut = true;
    netapi::installProviders(memory, memory);
    openWindow();
    form->Button1->Click();
    form->Show();
    connect("dc");
    EXPECT_EQ(captions(), (Lines{"u1", "u2", "u3", "u4"}));
    EXPECT_EQ(lines(), (Lines{"No disabled users found.", "4 locked out users found."}));
}

TEST_F(MainWindow, ARefusedLogonAsksForCredentialsAndRetries)
{
    auto memory = std::make_shared<netapi::MemoryProvider>();
    memory->addAccount("dc", {"x"}).lockedOut = true;
    memory->setResult(netapi::MemoryProvider::Call::Enumerate, 1326);
    netapi::installProviders(memory, memory);
    openWindow();
    int asked = 0;
    form->SetLogonPrompt([&](const std::string &server) {
        EXPECT_EQ(server, "dc");
        ++asked;
        memory->setResult(netapi::MemoryProvider::Call::Enumerate, 0);
        return true;
    });
    connect("dc");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(captions(), Lines{"x"});
}

TEST_F(MainWindow, EachRowsTooltipTellsWhyAndUntilWhenAsPlainText)
{
    useDirectory(R"({ "servers": [ { "name": "dc.test", "accounts": [
      { "name": "<b>kim</b>", "lockedOut": true, "failedLogons": 3,
        "lastFailedLogon": "2026-12-08T09:00:00Z", "lockedOutSince": "2026-12-08T09:00:00Z",
        "unlocksAt": null } ] } ] })");
    openWindow();
    connect("dc.test");
    ASSERT_EQ(captions(), (Lines{"<b>kim</b>"}));
    const std::string hint = form->lvUsers->Items()->Item(0)->Hint();
    EXPECT_TRUE(hint.starts_with("<b>kim</b>: locked\nFailed logons: 3\n")) << hint;
    EXPECT_TRUE(hint.ends_with("\nUnlocks at: only when an administrator resets it")) << hint;
}
