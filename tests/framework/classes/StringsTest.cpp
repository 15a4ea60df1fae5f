#include "framework/Classes.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

TEST(StringList, KeepsObjectsWithTheirLines)
{
    TStringList list;
    TObject a, b;
    list.AddObject("alpha", &a);
    list.AddObject("beta", &b);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Get(0), "beta");
    EXPECT_EQ(list.GetObject(0), &b);
    EXPECT_EQ(list.IndexOfObject(&a), 1);
    EXPECT_THROW(list.Get(2), EStringListError);
}

TEST(StringList, SortedListsInsertInOrderAndHandleDuplicates)
{
    TStringList list;
    list.SetSorted(true);
    list.Add("pear");
    list.Add("Apple");
    list.Add("fig");
    EXPECT_EQ(list.Text(), "Apple\nfig\npear\n");
    EXPECT_EQ(list.Add("PEAR"), 2); // ignored duplicate, case-blind
    EXPECT_EQ(list.Count(), 3);
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("fig"), EStringListError);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
}

TEST(StringList, CustomSortIsStableAndSeesTheList)
{
    TStringList list;
    for (const char *s : {"b2", "a1", "b1", "a2"})
        list.Add(s);
    list.CustomSort([](TStringList *l, int i, int j) { return l->Get(i)[0] - l->Get(j)[0]; });
    EXPECT_EQ(list.Text(), "a1\na2\nb2\nb1\n");
}

TEST(StringList, TextSplitsEveryKindOfLineBreakAndReportsChangesOnce)
{
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TObject *) { ++changes; };
    list.SetText("one\r\ntwo\rthree\nfour");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Get(3), "four");
    EXPECT_EQ(changes, 1);
    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(copy.Text(), list.Text());
}

TEST(StringList, AFailedBulkChangeStillEndsItsUpdateAndLaterChangesNotify)
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    list.Add("fig");
    int changes = 0;
    list.OnChange = [&](TObject *) { ++changes; };

    TStringList incoming;
    for (const char *s : {"apple", "fig", "pear"})
        incoming.Add(s);
    EXPECT_THROW(list.AddStrings(incoming), EStringListError);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_THROW(list.Move(0, 7), EStringListError);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_THROW(list.Exchange(0, 9), EStringListError);
    EXPECT_EQ(list.UpdateCount(), 0);

    changes = 0;
    list.Add("kiwi");
    EXPECT_EQ(changes, 1);

    // A handler that fails at the end of an update is heard once, not lost.
    list.OnChange = [](TObject *) { throw Exception("handler failed"); };
    EXPECT_THROW(list.SetText("a\nb"), Exception);
    EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(FormatText, FormatsLikeTheFramework)
{
    EXPECT_EQ(Format("Error %d returned from NetUserEnum", {53}),
              "Error 53 returned from NetUserEnum");
    EXPECT_EQ(Format("%s users found.", {"12"}), "12 users found.");
    EXPECT_EQ(Format("[%5d|%-4s|%.2f|%x|%%]", {42, "ab", 3.14159, 255}), "[   42|ab  |3.14|FF|%]");
    EXPECT_EQ(Format("%n", {1234567.5}), "1,234,567.50");
    EXPECT_EQ(Format("%u", {4294967295u}), "4294967295");
    EXPECT_THROW(Format("%d", {"text"}), EConvertError);
    EXPECT_THROW(Format("%d %d", {1}), EConvertError);
    EXPECT_THROW(Format("%", {1}), EConvertError);
}

TEST(FormatText, IntegerConversionRejectsJunk)
{
    EXPECT_EQ(StrToInt(" 42 "), 42);
    EXPECT_EQ(StrToInt("-7"), -7);
    EXPECT_THROW(StrToInt("4x"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt("99999999999"), EConvertError);
    EXPECT_EQ(StrToInt("+8"), 8);
    EXPECT_THROW(StrToInt("+-5"), EConvertError);
    EXPECT_THROW(StrToInt("++5"), EConvertError);
    EXPECT_EQ(StrToIntDef("nope", 3), 3);
}

TEST(CaseBlindText, OnlyTheLettersAToZFold)
{
    EXPECT_TRUE(SameText("c:\\Docs\\A.txt", "C:\\DOCS\\a.TXT"));
    EXPECT_FALSE(SameText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89")); // été, ÉTÉ in UTF-8
    EXPECT_FALSE(SameText("\xE9", "\xC9"));                           // é, É in Latin-1
    EXPECT_FALSE(SameText("abc", "abcd"));
    EXPECT_LT(CompareText("apple", "BANANA"), 0);
    EXPECT_GT(CompareText("abc", "AB"), 0);
    EXPECT_EQ(CompareText("MiXeD", "mixed"), 0);
}
