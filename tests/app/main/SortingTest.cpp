#include "tests/app/main/MainWindowFixture.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeView>

using Lines = std::vector<std::string>;

namespace {
std::vector<std::string> fullNames(TListView *list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->Items()->Count(); ++i)
        out.push_back(list->Items()->Item(i)->SubItems()->Get(0));
    return out;
}
} // namespace

TEST_F(MainWindow, TheFirstClickOnLogonSortsDescendingAndEachClickReverses)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    TListColumn *logon = form->lvUsers->Columns()->Items(0);
    form->ListColumnClick(form->lvUsers, logon);
    EXPECT_TRUE(form->SortState().Descending);
    // Word sort: the hyphen weighs less than any letter but still counts, so
    // coop comes before co-op whichever way they arrived.
    EXPECT_EQ(captions(), (Lines{"svc-backup", "jsmith", "co-op", "coop", "Bwayne", "adoe"}));
    form->ListColumnClick(form->lvUsers, logon);
    EXPECT_EQ(captions(), (Lines{"adoe", "Bwayne", "coop", "co-op", "jsmith", "svc-backup"}));
}

TEST_F(MainWindow, SortingByFullNameKeepsNamelessAccountsTogether)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    TListColumn *fullName = form->lvUsers->Columns()->Items(1);
    form->ListColumnClick(form->lvUsers, fullName);
    EXPECT_FALSE(form->SortState().Descending);
    EXPECT_EQ(form->SortState().Column, 1);
    const auto ascending = fullNames(form->lvUsers);
    EXPECT_EQ(ascending,
              (Lines{"", "", "Anna Doe", "Backup Service", "John Smith", "Zoë Østergaard"}));
    form->ListColumnClick(form->lvUsers, fullName);
    const auto descending = fullNames(form->lvUsers);
    EXPECT_EQ(descending.back(), "");
    EXPECT_EQ(descending[descending.size() - 2], "");
    EXPECT_EQ(descending.front(), "Zoë Østergaard");
}

TEST_F(MainWindow, TheSortStateOutlivesListingsWhichArriveUnsorted)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    form->ListColumnClick(form->lvUsers, form->lvUsers->Columns()->Items(0));
    connect("dc01.corp.example.com", true);
    EXPECT_EQ(captions().front(), "jsmith"); // arrival order
    EXPECT_TRUE(form->SortState().Descending);
}

TEST_F(MainWindow, AHeaderClickOnTheRealHeaderSorts)
{
    openWindow();
    connect("dc01.corp.example.com", true);
    auto *view = qobject_cast<QTreeView *>(form->lvUsers->Widget());
    ASSERT_NE(view, nullptr);
    QHeaderView *header = view->header();
    const int x = header->sectionViewportPosition(1) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(form->SortState().Column, 1);
}
