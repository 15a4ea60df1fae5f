#include "components/mru/JMRU.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"
#include "tests/components/storage/StorageFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>

namespace {

const char mruKey[] = "Software\\Marrowlight Software\\Tumblerset\\MRU";

// The texts of a Qt menu's actions, in order; a separator shows as "---".
std::vector<std::string> shown(const QWidget *w)
{
    std::vector<std::string> texts;
    if (!w)
        return texts;
    for (const QAction *a : w->actions())
        texts.push_back(a->isSeparator() ? "---" : a->text().toStdString());
    return texts;
}

std::vector<String> entries(const TJMostRecentlyUsedList &list)
{
    std::vector<String> out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetItem(i));
    return out;
}

// A list on a form, with a File menu: Open, Recent (the root), Exit.
class MruFixture : public StorageFixture
{
protected:
    MruFixture()
        : form(nullptr), menu(new TPopupMenu(&form)), file(item("&File")), open(item("&Open")),
          recent(item("Recent")), exitItem(item("E&xit")), list(new TJMostRecentlyUsedList(&form))
    {
        menu->Items()->Add(file);
        file->Add(open);
        file->Add(recent);
        file->Add(exitItem);
        list->SetAutoSave(false);
        list->SetRootMenuItem(recent);
    }

    TMenuItem *item(const String &caption)
    {
        auto *i = new TMenuItem(&form);
        i->SetCaption(caption);
        return i;
    }

    std::vector<std::string> fileMenu() const { return shown(file->SubMenu()); }

    // A saved list as the registry holds it: a Count value (its raw bytes,
    // so any value can stand there) and the entries t0, t1, ...
    static void putSavedList(const QByteArray &count, int entries)
    {
        putRaw(HKEY_CURRENT_USER, mruKey, "Count", REG_DWORD, count);
        for (int i = 0; i < entries; ++i)
            putRaw(HKEY_CURRENT_USER, mruKey, IntToStr(i).c_str(), REG_SZ,
                   QByteArray::fromStdString("t" + IntToStr(i)) + '\0');
    }

    TForm form;
    TPopupMenu *menu;
    TMenuItem *file, *open, *recent, *exitItem;
    TJMostRecentlyUsedList *list;
};

using AddingEntries = MruFixture;
using MenuMirror = MruFixture;
using ClickingEntries = MruFixture;
using PersistedList = MruFixture;

} // namespace

TEST_F(AddingEntries, NewestFirstWithCaseOfAToZIgnoredOnly)
{
    int changes = 0;
    list->SetOnChange([&](TObject *sender) {
        EXPECT_EQ(sender, list);
        ++changes;
    });
    list->Add("");
    EXPECT_EQ(list->GetCount(), 0);
    list->Add("c:\\docs\\a.txt");
    list->Add("c:\\docs\\b.txt");
    list->Add("C:\\DOCS\\A.TXT"); // the same entry, brought up with its own text
    EXPECT_EQ(entries(*list), (std::vector<String>{"c:\\docs\\a.txt", "c:\\docs\\b.txt"}));
    list->Add("\xC3\xA9t\xC3\xA9"); // "été"
    list->Add("\xC3\x89t\xC3\x89"); // "ÉtÉ": a different entry
    EXPECT_EQ(list->GetCount(), 4);
    EXPECT_EQ(changes, 5);

    EXPECT_FALSE(list->Used("new"));
    EXPECT_TRUE(list->Used("C:\\docs\\B.txt"));
    EXPECT_EQ(list->GetItem(0), "c:\\docs\\b.txt");

    // No change, no notification.
    changes = 0;
    list->Delete("not there");
    list->BringToTop("c:\\docs\\b.txt");
    EXPECT_EQ(changes, 0);
    EXPECT_THROW(
        {
            try {
                list->BringToTop("Zed");
            } catch (const Exception &e) {
                EXPECT_STREQ(e.what(), "Cannot move Zed to top of MRU - it is not in the MRU");
                throw;
            }
        },
        Exception);
    EXPECT_THROW(list->GetItem(9), EStringListError);
}

TEST_F(AddingEntries, MaxItemsPushesOutTheOldestAndTheirMenuItems)
{
    for (int i = 0; i < 11; ++i)
        list->Add("f" + IntToStr(i));
    EXPECT_EQ(list->GetCount(), 10);
    EXPECT_EQ(list->GetItem(9), "f1");
    EXPECT_EQ(list->GetMenuItem("f0"), nullptr);
    EXPECT_EQ(recent->Count(), 10);

    list->SetMaxItems(5); // takes effect at the next addition
    EXPECT_EQ(list->GetCount(), 10);
    list->Add("g");
    EXPECT_EQ(list->GetCount(), 5);
    EXPECT_EQ(recent->Count(), 5);
    EXPECT_EQ(list->ComponentCount(), 5); // the menu items it owns

    list->SetMaxItems(0);
    list->Add("h");
    EXPECT_EQ(list->IndexOf("h"), -1);
}

TEST_F(AddingEntries, NameOrderUsesTheLocaleAndIgnoresBringToTop)
{
    list->Add("beta");
    list->Add("Alpha");
    list->Add("gamma");
    list->SetSortBy(skName);
    EXPECT_EQ(entries(*list), (std::vector<String>{"Alpha", "beta", "gamma"}));
    list->Add("Delta");
    EXPECT_EQ(entries(*list), (std::vector<String>{"Alpha", "beta", "Delta", "gamma"}));
    EXPECT_NO_THROW(list->BringToTop("not an entry"));
    list->BringToTop("gamma");
    EXPECT_EQ(list->GetItem(3), "gamma");
    // The menu follows the name order.
    EXPECT_EQ(shown(recent->SubMenu()),
              (std::vector<std::string>{"&0 Alpha", "&1 beta", "&2 Delta", "&3 gamma"}));
}

TEST_F(MenuMirror, SubMenuCaptionsAcceleratorsAndTheDisabledRoot)
{
    list->Loaded();
    EXPECT_FALSE(recent->Enabled());
    EXPECT_FALSE(recent->QtAction()->isEnabled());
    list->Add("c:\\docs\\a.txt");
    EXPECT_TRUE(recent->QtAction()->isEnabled());
    TMenuItem *first = list->GetMenuItem("c:\\docs\\a.txt");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Caption(), "&0 a.txt");
    EXPECT_EQ(QKeySequence::mnemonic(first->QtAction()->text()), QKeySequence(Qt::ALT | Qt::Key_0));

    for (int i = 1; i < 10; ++i)
        list->Add("d:f" + IntToStr(i));
    list->SetMaxItems(40);
    for (int i = 10; i < 37; ++i)
        list->Add("e" + IntToStr(i));
    const auto texts = shown(recent->SubMenu());
    ASSERT_EQ(texts.size(), 37u);
    EXPECT_EQ(texts[0], "&0 e36");
    EXPECT_EQ(texts[10], "&A e26");
    EXPECT_EQ(texts[35], "&Z f1");           // the file-name part follows a ':' too
    EXPECT_EQ(texts[36], "c:\\docs\\a.txt"); // number 36: no accelerator

    list->SetNumberOffset(1);
    list->Add("z");
    EXPECT_EQ(list->GetMenuItem("z")->Caption(), "&1 z");
    EXPECT_EQ(list->GetMenuItem("e26")->Caption(), "&C e26");
    EXPECT_EQ(list->GetMenuItem("d:f3")->Caption(), "&Z f3");
    EXPECT_EQ(list->GetMenuItem("d:f2")->Caption(), "d:f2");

    // A root the application disabled itself stays disabled.
    list->Clear();
    EXPECT_FALSE(recent->Enabled());
    EXPECT_EQ(recent->SubMenu(), nullptr);
    recent->SetEnabled(true);
    list->Loaded();
    EXPECT_FALSE(recent->Enabled());
}

TEST_F(MenuMirror, ALongFileNameIsShownWhole)
{
    const String name(300, 'n');
    list->Add("c:\\" + name);
    EXPECT_EQ(list->GetMenuItem("c:\\" + name)->Caption(), "&0 " + name);
}

TEST_F(MenuMirror, InsertKindsPlaceTheEntriesBesideTheRoot)
{
    list->SetMenuKind(mkInsertBefore);
    list->Add("a");
    list->Add("b");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "&0 b", "&1 a", "Recent", "E&xit"}));

    list->Clear();
    list->SetMenuKind(mkInsertAfter);
    list->Add("a");
    list->Add("b");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "&0 b", "&1 a", "E&xit"}));
    list->Add("a");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "&0 a", "&1 b", "E&xit"}));

    list->SetMenuKind(mkInsertWithSeparator);
    list->Add("c");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "---", "&0 c", "&1 a",
                                                    "&2 b", "E&xit"}));
    EXPECT_EQ(list->RootMenuItem()->Caption(), "-");
    list->Clear();
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "E&xit"}));
    EXPECT_EQ(list->RootMenuItem(), recent);

    // Leaving the separator kind takes the separator away.
    list->Add("d");
    list->SetMenuKind(mkSubMenu);
    EXPECT_EQ(list->RootMenuItem(), recent);
    list->Add("e");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "E&xit"}));
    EXPECT_EQ(shown(recent->SubMenu()), (std::vector<std::string>{"&0 e", "&1 d"}));
}

TEST_F(MenuMirror, EverySwitchOfKindPlacesTheEntriesBesideTheRootAtOnce)
{
    // The File menu and the root's own sub-menu for the entries newest-first
    // under each kind.
    const auto placed = [](TJMRUMenuKind kind, const std::string &first,
                           const std::string &second) {
        using Texts = std::vector<std::string>;
        const Texts entries{"&0 " + first, "&1 " + second};
        switch (kind) {
        case mkInsertBefore:
            return std::pair{Texts{"&Open", entries[0], entries[1], "Recent", "E&xit"}, Texts{}};
        case mkInsertAfter:
            return std::pair{Texts{"&Open", "Recent", entries[0], entries[1], "E&xit"}, Texts{}};
        case mkInsertWithSeparator:
            return std::pair{Texts{"&Open", "Recent", "---", entries[0], entries[1], "E&xit"},
                             Texts{}};
        case mkSubMenu:
            break;
        }
        return std::pair{Texts{"&Open", "Recent", "E&xit"}, entries};
    };
    const auto menus = [&] { return std::pair{fileMenu(), shown(recent->SubMenu())}; };
    delete list;
    for (const auto from : {mkInsertBefore, mkInsertAfter, mkInsertWithSeparator, mkSubMenu})
        for (const auto to : {mkInsertBefore, mkInsertAfter, mkInsertWithSeparator, mkSubMenu}) {
            if (from == to)
                continue;
            SCOPED_TRACE(TJMRUMenuKindInfo().Literals[from] + " to " +
                         TJMRUMenuKindInfo().Literals[to]);
            auto *mru = new TJMostRecentlyUsedList(&form);
            mru->SetAutoSave(false);
            mru->SetRootMenuItem(recent);
            mru->SetMenuKind(from);
            mru->Add("a");
            mru->Add("b");
            EXPECT_EQ(menus(), placed(from, "b", "a"));
            mru->SetMenuKind(to);
            // The separator comes with the next change of the list.
            if (to != mkInsertWithSeparator) {
                EXPECT_EQ(menus(), placed(to, "b", "a"));
            }
            mru->Add("a");
            EXPECT_EQ(menus(), placed(to, "a", "b"));
            delete mru;
            EXPECT_EQ(menus(), (std::pair{std::vector<std::string>{"&Open", "Recent", "E&xit"},
                                          std::vector<std::string>{}}));
        }
}

TEST_F(MenuMirror, ARootOutsideAnyMenuKeepsTheEntriesUntilItIsPlaced)
{
    TMenuItem *loose = item("Loose");
    list->SetRootMenuItem(loose);
    for (const auto kind : {mkInsertBefore, mkInsertAfter, mkInsertWithSeparator}) {
        list->SetMenuKind(kind);
        list->Add("x" + IntToStr(kind));
        EXPECT_EQ(loose->Parent(), nullptr);
    }
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->RootMenuItem(), loose);

    file->Add(loose);
    list->Add("y");
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "Recent", "E&xit", "Loose", "---",
                                                    "&0 y", "&1 x2", "&2 x1", "&3 x0"}));
}

TEST_F(MenuMirror, FreeingTheRootLeavesTheListAlone)
{
    list->Add("a");
    delete recent;
    EXPECT_EQ(list->RootMenuItem(), nullptr);
    EXPECT_EQ(list->GetMenuItem("a"), nullptr); // its item went with the root
    list->Add("b");
    EXPECT_EQ(entries(*list), (std::vector<String>{"b", "a"}));
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"&Open", "E&xit"}));
}

TEST_F(ClickingEntries, AClickThroughQtReachesOnSelectAndHidesTheEntry)
{
    list->Add("c:\\a.txt");
    list->Add("c:\\b.txt");
    std::vector<String> selected;
    list->SetOnSelect([&](TObject *sender, const String &text, bool &opened) {
        EXPECT_EQ(sender, list);
        EXPECT_TRUE(opened);
        selected.push_back(text);
    });
    list->GetMenuItem("c:\\a.txt")->QtAction()->trigger();
    EXPECT_EQ(selected, (std::vector<String>{"c:\\a.txt"}));
    EXPECT_EQ(entries(*list), (std::vector<String>{"c:\\b.txt"}));
    EXPECT_EQ(shown(recent->SubMenu()), (std::vector<std::string>{"&0 b.txt"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A handler that says "not opened" keeps it; so does HideInUse off.
    list->SetOnSelect([&](TObject *, const String &, bool &opened) { opened = false; });
    list->GetMenuItem("c:\\b.txt")->QtAction()->trigger();
    EXPECT_EQ(list->GetCount(), 1);
    list->SetOnSelect(nullptr);
    list->GetMenuItem("c:\\b.txt")->QtAction()->trigger();
    EXPECT_EQ(list->GetCount(), 1);
}

TEST_F(PersistedList, TheLayoutOnDiskAndARoundTripAcrossTwoLives)
{
    {
        TComponent owner(nullptr);
        auto *first = new TJMostRecentlyUsedList(&owner);
        first->Storage()->SetKey(mruKey);
        for (const char *text : {"e", "d", "c", "b", "a"})
            first->Add(text);
        first->Save();
        first->Delete("e");
        first->Delete("d"); // saved on destruction: 3 entries
    }
    const registry::Hive hive = onDisk();
    ASSERT_NE(hive.findKey(mruKey), nullptr);
    EXPECT_TRUE(holdsValue(hive, mruKey, "Count", REG_DWORD, QByteArray("\3\0\0\0", 4)));
    EXPECT_TRUE(holdsValue(hive, mruKey, "0", REG_SZ, QByteArray("a\0", 2)));
    EXPECT_NE(hive.findValue(mruKey, "4"), nullptr); // left from the longer save

    TComponent owner(nullptr);
    auto *second = new TJMostRecentlyUsedList(&owner);
    second->Storage()->SetKey(mruKey);
    second->Loaded();
    EXPECT_EQ(entries(*second), (std::vector<String>{"a", "b", "c"}));
    EXPECT_FALSE(second->Storage()->IsOpen());
}

TEST_F(PersistedList, FifteenStoredEntriesLoadTheFirstTen)
{
    putSavedList(QByteArray("\x0f\0\0\0", 4), 15);
    list->Storage()->SetKey(mruKey);
    list->Load();
    std::vector<String> expected;
    for (int i = 0; i < 10; ++i)
        expected.push_back("t" + IntToStr(i));
    EXPECT_EQ(entries(*list), expected);
    EXPECT_EQ(shown(recent->SubMenu()).front(), "&0 t0");

    // A blank key: Load only clears, Save does nothing.
    list->Storage()->SetKey("");
    list->Save();
    list->Load();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(PersistedList, AStoredCountFarAboveTheValuesStillLoadsAtOnce)
{
    putSavedList(QByteArray("\xff\xff\xff\x7f", 4), 3);
    list->Storage()->SetKey(mruKey);
    list->Load();
    EXPECT_EQ(entries(*list), (std::vector<String>{"t0", "t1", "t2"}));

    // In name order too, the first MaxItems of the stored order are kept.
    for (const auto &[i, text] :
         std::vector<std::pair<int, const char *>>{{0, "z"}, {1, "y"}, {2, "x"}})
        putRaw(HKEY_CURRENT_USER, mruKey, IntToStr(i).c_str(), REG_SZ, QByteArray(text) + '\0');
    list->SetSortBy(skName);
    list->SetMaxItems(2);
    list->Load();
    EXPECT_EQ(entries(*list), (std::vector<String>{"y", "z"}));
}

TEST_F(PersistedList, ReadFromAFormDescriptionAndWrittenBack)
{
    putRaw(HKEY_CURRENT_USER, mruKey, "Count", REG_DWORD, QByteArray("\1\0\0\0", 4));
    putRaw(HKEY_CURRENT_USER, mruKey, "0", REG_SZ, QByteArray("c:\\x.txt\0", 9));
    RegisterFrameworkClasses();
    JMRU::Register();
    RegisterClasses<TJMostRecentlyUsedList>();
    const String text = "object Form1: TForm\n"
                        "  object MainMenu1: TMainMenu\n"
                        "    object File1: TMenuItem\n"
                        "      Caption = '&File'\n"
                        "      object Recent1: TMenuItem\n"
                        "        Caption = 'Recent'\n"
                        "      end\n"
                        "    end\n"
                        "  end\n"
                        "  object MRU1: TJMostRecentlyUsedList\n"
                        "    Storage.Key = 'Software\\Marrowlight Software\\Tumblerset\\MRU'\n"
                        "    Storage.RegistryRootKey = atrkCurrentUser\n"
                        "    HideInUse = False\n"
                        "    NumberOffset = 1\n"
                        "    SortBy = skName\n"
                        "    MaxItems = 5\n"
                        "    RootMenuItem = Recent1\n"
                        "  end\n"
                        "end\n";
    const auto root = ReadNewComponentFromText(text, "mru.dfm");
    auto *mru = dynamic_cast<TJMostRecentlyUsedList *>(root->FindComponent("MRU1"));
    auto *recent1 = dynamic_cast<TMenuItem *>(root->FindComponent("Recent1"));
    ASSERT_TRUE(mru && recent1);
    EXPECT_EQ(mru->Storage()->Key(), mruKey);
    EXPECT_FALSE(mru->HideInUse());
    EXPECT_EQ(mru->SortBy(), skName);
    EXPECT_EQ(mru->MaxItems(), 5u);
    EXPECT_EQ(mru->RootMenuItem(), recent1);
    EXPECT_EQ(entries(*mru), (std::vector<String>{"c:\\x.txt"}));
    EXPECT_EQ(shown(recent1->SubMenu()), (std::vector<std::string>{"&1 x.txt"}));

    // The list's own items are not part of the description.
    const String written = WriteComponentToText(*root);
    EXPECT_EQ(written.find("TMenuItem\n        Caption = '&1"), String::npos) << written;
    EXPECT_NE(written.find("    RootMenuItem = Recent1\n"), String::npos) << written;
    const auto again = ReadNewComponentFromText(written, "written");
    EXPECT_EQ(WriteComponentToText(*again), written);
}
