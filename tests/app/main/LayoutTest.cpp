#include "tests/app/main/MainWindowFixture.h"

namespace {

struct Expected
{
    const char *name;
    int left, top, width, height;
    const char *text;
    const char *hint;
    int tabOrder; // -1: not in the tab order
};

} // namespace

TEST_F(MainWindow, TheWindowIsAFixedDialogWithEveryControlInItsPlace)
{
    TMainForm &w = openWindow();
    EXPECT_EQ(w.Caption(), "Tumblerset");
    EXPECT_EQ(w.BorderStyle(), bsDialog);
    EXPECT_EQ(w.ClientWidth(), 385);
    EXPECT_EQ(w.ClientHeight(), 345);
    EXPECT_EQ(w.Color(), clBtnFace);
    EXPECT_TRUE(w.ShowHint());
    EXPECT_EQ(w.Font()->Height(), -11);

    // The label sizes itself to its text, and Liberation Sans stands in for
    // MS Sans Serif here: its place is exact, its size close.
    EXPECT_EQ(w.Server->Left(), 12);
    EXPECT_EQ(w.Server->Top(), 12);
    EXPECT_NEAR(w.Server->Width(), 34, 4);
    EXPECT_NEAR(w.Server->Height(), 13, 3);
    EXPECT_EQ(w.Server->Caption(), "Server:");
    EXPECT_TRUE(w.Server->AutoSize());

    const Expected controls[] = {
        {"tbServer", 56, 8, 153, 21, "",
         "Type the name of the domain server here. \\nLeave blank to get the list of local users",
         0},
        {"btnConnect", 216, 8, 61, 25, "Connect", "Connect to the server to get a list of users.",
         1},
        {"cbAll", 284, 12, 97, 17, "Show all users",
         "If unchecked, only locked out users are listed.", 2},
        {"btnReset", 148, 200, 89, 25, "Reset lockout",
         "Reset the lockout count on the selected user.", 3},
        {"Memo1", 8, 232, 369, 77, "", "Message pane", 4},
        {"lvUsers", 8, 40, 369, 153, "", "Select the locked out user here.", 5},
        {"Button1", 304, 316, 75, 25, "Close", "", 6},
        {"URLStatic1", 60, 320, 225, 17, "Visit the Marrowlight homepage",
         "www.marrowlight.example", -1},
    };
    for (const Expected &e : controls) {
        SCOPED_TRACE(e.name);
        auto *control = dynamic_cast<TControl *>(w.FindComponent(e.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Left(), e.left);
        EXPECT_EQ(control->Top(), e.top);
        EXPECT_EQ(control->Width(), e.width);
        EXPECT_EQ(control->Height(), e.height);
        EXPECT_EQ(control->Hint(), e.hint);
        if (e.name != std::string("lvUsers") && e.name != std::string("Memo1")) {
            EXPECT_EQ(control->Caption(), e.text);
        }
        if (e.tabOrder >= 0) {
            auto *windowed = dynamic_cast<TWinControl *>(control);
            ASSERT_NE(windowed, nullptr);
            EXPECT_EQ(windowed->TabOrder(), e.tabOrder);
        }
    }
    // The icon picture takes the size of its image.
    EXPECT_EQ(w.Image1->Left(), 4);
    EXPECT_EQ(w.Image1->Top(), 312);
    EXPECT_EQ(w.Image1->Width(), 32);
    EXPECT_EQ(w.Image1->Height(), 32);
}

TEST_F(MainWindow, StartsEmptyWithResetDisabledAndListSetUp)
{
    TMainForm &w = openWindow();
    EXPECT_FALSE(w.btnReset->Enabled());
    EXPECT_FALSE(w.cbAll->Checked());
    EXPECT_EQ(w.tbServer->Text(), "");
    EXPECT_EQ(w.Memo1->Lines()->Count(), 0);
    EXPECT_TRUE(w.Memo1->ReadOnly());
    EXPECT_EQ(w.lvUsers->Items()->Count(), 0);
    EXPECT_EQ(w.SortState().Column, 0);
    EXPECT_FALSE(w.SortState().Descending);
    ASSERT_EQ(w.lvUsers->Columns()->Count(), 2);
    EXPECT_EQ(w.lvUsers->Columns()->Items(0)->Caption(), "Logon");
    EXPECT_EQ(w.lvUsers->Columns()->Items(0)->Width(), 140);
    EXPECT_EQ(w.lvUsers->Columns()->Items(1)->Caption(), "Full name");
    EXPECT_EQ(w.lvUsers->Columns()->Items(1)->Width(), 200);
    EXPECT_EQ(w.lvUsers->SmallImages(), w.ImageList1);
    EXPECT_EQ(w.lvUsers->StateImages(), w.ImageList1);
    EXPECT_EQ(w.ImageList1->Count(), 2);
    EXPECT_EQ(w.ImageList1->Width(), 16);
    EXPECT_EQ(w.ImageList1->Height(), 16);
    EXPECT_EQ(w.URLStatic1->GetURL(), "https://www.marrowlight.example/");
}

TEST_F(MainWindow, RemembersTheServerNameForTheNextWindow)
{
    openWindow();
    connect("dc01.corp.example.com");
    openWindow();
    EXPECT_EQ(form->tbServer->Text(), "dc01.corp.example.com");
    // An empty box is remembered too.
    connect("");
    openWindow();
    EXPECT_EQ(form->tbServer->Text(), "");
}

TEST_F(MainWindow, CloseEndsTheApplicationsLoop)
{
    openWindow();
    form->Button1->Click();
    EXPECT_FALSE(form->Visible());
}
