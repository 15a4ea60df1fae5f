#include "tests/app/main/MainWindowFixture.h"

using Lines = std::vector<std::string>;

TEST_F(MainWindow, ASuccessfulResetTakesTheKeyOffThatRowOnly)
{
    openWindow();
    connect("dc01.corp.example.com");
    TListItem *row = select("co-op");
    EXPECT_TRUE(form->btnReset->Enabled());
    form->btnReset->Click();
    EXPECT_EQ(row->ImageIndex(), -1);
    EXPECT_EQ(row->StateIndex(), 1); // still disabled
    EXPECT_EQ(form->lvUsers->Items()->Item(0)->ImageIndex(), 0);
    const Lines all = lines();
    EXPECT_EQ(Lines(all.end() - 2, all.end()),
              (Lines{"User was locked out.", "Lockout was successfully reset."}));
    EXPECT_FALSE(form->btnReset->Enabled());
    EXPECT_TRUE(row->Selected());

    // The directory file now says so: a new listing no longer shows the row.
    connect("dc01.corp.example.com");
    EXPECT_EQ(captions(), Lines{"jsmith"});
}

TEST_F(MainWindow, RefusedResetsKeepTheKeyAndSayWhy)
{
    openWindow();
    connect("bdc02.corp.example.com");
    select("jsmith");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "Not a primary domain controller.");
    EXPECT_EQ(form->lvUsers->Items()->Item(0)->ImageIndex(), 0);

    connect("hr.corp.example.com");
    select("jsmith");
    form->btnReset->Click();
    const Lines all = lines();
    EXPECT_EQ(Lines(all.end() - 2, all.end()), (Lines{"User was locked out.", "Access denied."}));
}

TEST_F(MainWindow, AnAccountThatIsNoLongerLockedOutIsLeftAlone)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    select("adoe");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "User was not locked out.");
}

TEST_F(MainWindow, WithNoRowSelectedTheButtonDoesNothing)
{
    openWindow();
    connect("dc01.corp.example.com");
    TListItem *row = select("jsmith");
    row->SetSelected(false); // a deselection enables the button too
    EXPECT_TRUE(form->btnReset->Enabled());
    const auto before = lines();
    form->btnReset->Click();
    EXPECT_EQ(lines(), before);
    EXPECT_TRUE(form->btnReset->Enabled());
}

TEST_F(MainWindow, TheResetGoesToTheServerNowInTheBox)
{
    openWindow();
    connect("dc01.corp.example.com");
    select("jsmith");
    form->tbServer->SetText("bdc02.corp.example.com");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "Not a primary domain controller.");
    form->tbServer->SetText("nowhere.example.com");
    select("co-op");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "Error 2351 returned from NetUserGetInfo");
}

TEST_F(MainWindow, TheResetUsesTheCaptionAsEditedInPlace)
{
    openWindow();
    connect("dc01.corp.example.com");
    TListItem *row = select("jsmith");
    row->SetCaption("nobody");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "Error 2221 returned from NetUserGetInfo");
}

TEST_F(MainWindow, RowsShowNamesEscapedAndTheResetReachesTheExactAccount)
{
    // U+202E turns "nimda" round: raw, the row would read "admin", like the
    // real administrator's.
    useDirectory(R"({ "servers": [ { "name": "dc", "accounts": [
        { "name": "admin", "fullName": "Administrator", "lockedOut": true },
        { "name": "\u202enimda", "fullName": "Adm\u200bin\u0007", "lockedOut": true } ] } ] })");
    openWindow();
    connect("dc");
    EXPECT_EQ(captions(), (Lines{"admin", "\\u202enimda"}));
    TListItem *row = select("\\u202enimda");
    EXPECT_EQ(row->SubItems()->Get(0), "Adm\\u200bin\\x07");

    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "Lockout was successfully reset.");
    connect("dc");
    EXPECT_EQ(captions(), Lines{"admin"}); // the real one is still locked out

    // The exact name goes with the row when the list is sorted.
    connect("dc", true);
    form->ListColumnClick(nullptr, form->lvUsers->Columns()->Items(0));
    form->ListColumnClick(nullptr, form->lvUsers->Columns()->Items(0));
    select("\\u202enimda");
    form->btnReset->Click();
    EXPECT_EQ(lines().back(), "User was not locked out.");
}
