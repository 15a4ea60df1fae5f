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
