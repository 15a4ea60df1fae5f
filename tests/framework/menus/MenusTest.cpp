#include "framework/Menus.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

// The texts of a Qt widget's actions, in order; a separator shows as "---".
std::vector<std::string> shown(const QWidget *w)
{
    std::vector<std::string> texts;
    for (const QAction *a : w->actions())
        texts.push_back(a->isSeparator() ? "---" : a->text().toStdString());
    return texts;
}

TMenuItem *item(TComponent *owner, const String &caption)
{
    auto *i = new TMenuItem(owner);
    i->SetCaption(caption);
    return i;
}

class MenuFixture : public ::testing::Test
{
protected:
    MenuFixture() : owner(nullptr), menu(new TPopupMenu(&owner)) {}
    TComponent owner;
    TPopupMenu *menu;
};

using MenuTree = MenuFixture;
using MenuClicks = MenuFixture;

} // namespace

TEST_F(MenuTree, QtShowsTheChildrenInOrderAfterEveryChange)
{
    TMenuItem *root = menu->Items();
    TMenuItem *a = item(&owner, "&Open");
    TMenuItem *b = item(&owner, "-");
    TMenuItem *c = item(&owner, "Save && close");
    root->Add(a);
    root->Add(c);
    root->Insert(1, b);
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"&Open", "---", "Save && close"}));
    EXPECT_EQ(QKeySequence::mnemonic(a->QtAction()->text()), QKeySequence(Qt::ALT | Qt::Key_O));
    EXPECT_EQ(b->Parent(), root);
    EXPECT_EQ(root->IndexOf(c), 2);

    // MenuIndex moves and clamps to the siblings' range.
    c->SetMenuIndex(-5);
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"Save && close", "&Open", "---"}));
    c->SetMenuIndex(99);
    EXPECT_EQ(c->MenuIndex(), 2);
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"&Open", "---", "Save && close"}));

    // State changes reach the action at once.
    a->SetEnabled(false);
    a->SetChecked(true);
    c->SetVisible(false);
    b->SetCaption("Line");
    EXPECT_FALSE(a->QtAction()->isEnabled());
    EXPECT_TRUE(a->QtAction()->isChecked());
    EXPECT_FALSE(c->QtAction()->isVisible());
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"&Open", "Line", "Save && close"}));

    // Remove and Delete let go without freeing; freeing takes the item out.
    root->Remove(b);
    EXPECT_EQ(b->Parent(), nullptr);
    root->Delete(0);
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"Save && close"}));
    EXPECT_EQ(owner.ComponentCount(), 4);
    delete c;
    EXPECT_EQ(root->Count(), 0);
    EXPECT_TRUE(shown(menu->Menu()).empty());
    delete a;
    delete b;
}

TEST_F(MenuTree, ASubMenuExistsOnlyWhileTheItemHasChildren)
{
    TMenuItem *file = item(&owner, "&File");
    menu->Items()->Add(file);
    EXPECT_EQ(file->SubMenu(), nullptr);
    EXPECT_EQ(file->QtAction()->menu<QMenu *>(), nullptr);
    TMenuItem *recent = item(&owner, "Recent");
    file->Add(recent);
    ASSERT_NE(file->SubMenu(), nullptr);
    EXPECT_EQ(file->QtAction()->menu<QMenu *>(), file->SubMenu());
    EXPECT_EQ(shown(file->SubMenu()), (std::vector<std::string>{"Recent"}));
    EXPECT_EQ(recent->GetParentMenu(), menu);
    delete recent;
    EXPECT_EQ(file->QtAction()->menu<QMenu *>(), nullptr);

    // Freeing an item frees its branch.
    file->Add(item(&owner, "x"));
    file->Add(item(&owner, "y"));
    EXPECT_EQ(owner.ComponentCount(), 4);
    delete file;
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST_F(MenuTree, MisuseRaisesAndChangesNothing)
{
    TMenuItem *a = item(&owner, "a");
    TMenuItem *other = item(&owner, "other");
    menu->Items()->Add(a);
    EXPECT_THROW(other->Add(a), EMenuError);
    EXPECT_THROW(menu->Items()->Insert(5, other), EMenuError);
    EXPECT_THROW(menu->Items()->Items(1), EMenuError);
    EXPECT_EQ(a->Parent(), menu->Items());
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"a"}));
    a->SetMenuIndex(3); // a single child stays where it is
    EXPECT_EQ(a->MenuIndex(), 0);
    other->SetMenuIndex(1); // no parent: nothing to move
    EXPECT_EQ(other->MenuIndex(), -1);
}

TEST_F(MenuClicks, ATriggeredActionRunsOnClickAndMayFreeItsItem)
{
    TMenuItem *a = item(&owner, "a");
    TMenuItem *b = item(&owner, "b");
    menu->Items()->Add(a);
    menu->Items()->Add(b);
    int clicks = 0;
    a->SetOnClick([&](TObject *sender) {
        EXPECT_EQ(sender, a);
        ++clicks;
    });
    a->QtAction()->trigger();
    EXPECT_EQ(clicks, 1);

    // The handler frees the very item being clicked.
    b->SetOnClick([&](TObject *sender) { delete static_cast<TMenuItem *>(sender); });
    QAction *action = b->QtAction();
    action->trigger();
    EXPECT_EQ(menu->Items()->Count(), 1);
    EXPECT_EQ(shown(menu->Menu()), (std::vector<std::string>{"a"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A disabled item is not clicked.
    a->SetEnabled(false);
    a->QtAction()->trigger();
    EXPECT_EQ(clicks, 1);
}

TEST_F(MenuClicks, AnExceptionInOnClickDoesNotEscapeIntoQt)
{
    TMenuItem *a = item(&owner, "a");
    menu->Items()->Add(a);
    a->SetOnClick([](TObject *) { throw Exception("handler failed"); });
    EXPECT_NO_THROW(a->QtAction()->trigger());
}

TEST(MenusInForms, MainAndPopupMenusAreReadWithNestedItemsAndWrittenBack)
{
    RegisterFrameworkClasses();
    const String text = "object Form1: TForm\n"
                        "  Menu = MainMenu1\n"
                        "  object Edit1: TEdit\n"
                        "    PopupMenu = PopupMenu1\n"
                        "  end\n"
                        "  object MainMenu1: TMainMenu\n"
                        "    object File1: TMenuItem\n"
                        "      Caption = '&File'\n"
                        "      object Open1: TMenuItem\n"
                        "        Caption = '&Open'\n"
                        "        Checked = True\n"
                        "      end\n"
                        "      object N1: TMenuItem\n"
                        "        Caption = '-'\n"
                        "      end\n"
                        "      object Recent1: TMenuItem\n"
                        "        Caption = 'Recent'\n"
                        "        Enabled = False\n"
                        "      end\n"
                        "    end\n"
                        "  end\n"
                        "  object PopupMenu1: TPopupMenu\n"
                        "    object Copy1: TMenuItem\n"
                        "      Caption = '&Copy'\n"
                        "      Visible = False\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    const auto root = ReadNewComponentFromText(text, "menus.dfm");
    auto *form = dynamic_cast<TForm *>(root.get());
    ASSERT_NE(form, nullptr);
    auto *mainMenu = dynamic_cast<TMainMenu *>(form->FindComponent("MainMenu1"));
    auto *popup = dynamic_cast<TPopupMenu *>(form->FindComponent("PopupMenu1"));
    auto *edit = dynamic_cast<TEdit *>(form->FindComponent("Edit1"));
    ASSERT_TRUE(mainMenu && popup && edit);
    EXPECT_EQ(form->Menu(), mainMenu);
    EXPECT_EQ(edit->PopupMenu(), popup);

    TMenuItem *file = mainMenu->Items()->Items(0);
    EXPECT_EQ(file->Caption(), "&File");
    EXPECT_EQ(shown(mainMenu->MenuBar()), (std::vector<std::string>{"&File"}));
    ASSERT_NE(file->SubMenu(), nullptr);
    EXPECT_EQ(shown(file->SubMenu()), (std::vector<std::string>{"&Open", "---", "Recent"}));
    EXPECT_TRUE(file->Items(0)->Checked());
    EXPECT_FALSE(file->Items(2)->QtAction()->isEnabled());
    EXPECT_FALSE(popup->Items()->Items(0)->QtAction()->isVisible());

    // The bar sits in the form's window.
    EXPECT_EQ(mainMenu->MenuBar()->parentWidget(), form->Widget());

    const String written = WriteComponentToText(*form);
    const auto again = ReadNewComponentFromText(written, "written");
    EXPECT_EQ(WriteComponentToText(*again), written);
    EXPECT_NE(written.find("    object File1: TMenuItem\n"
                           "      Caption = '&File'\n"
                           "      object Open1: TMenuItem\n"),
              String::npos)
        << written;
    EXPECT_NE(written.find("Menu = MainMenu1"), String::npos) << written;
    EXPECT_NE(written.find("PopupMenu = PopupMenu1"), String::npos) << written;

    // Freeing the menus lets go of them everywhere.
    delete popup;
    EXPECT_EQ(edit->PopupMenu(), nullptr);
    delete mainMenu;
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_EQ(form->FindComponent("Open1"), nullptr);
}

TEST(MenusInForms, AFormFreedWithItsMenuBarFreesEachWidgetOnce)
{
    TForm form(nullptr);
    auto *menu = new TMainMenu(&form);
    menu->Items()->Add(item(&form, "&File"));
    form.SetMenu(menu);
    form.Widget();
    EXPECT_EQ(menu->MenuBar()->parentWidget(), form.Widget());
    // The form's widget goes before the components it owns; no double free.
}

TEST(MenusInForms, TheMenuBarSitsAboveTheClientAreaNotOverIt)
{
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(0, 0, 80, 20);
    form.Show();
    auto *menu = new TMainMenu(&form);
    menu->Items()->Add(item(&form, "&File"));

    form.SetMenu(menu);
    const int bar = menu->MenuBar()->height();
    ASSERT_GT(bar, 0);
    EXPECT_EQ(form.ClientHeight(), 100);
    EXPECT_EQ(form.Height(), 100 + bar);
    // The control keeps its client position and shows below the bar.
    EXPECT_EQ(edit->Top(), 0);
    EXPECT_EQ(edit->Widget()->y(), bar);
    EXPECT_EQ(menu->MenuBar()->geometry().bottom() + 1, bar);

    // Without the menu the client area moves back up, its size kept.
    delete menu;
    EXPECT_EQ(form.ClientHeight(), 100);
    EXPECT_EQ(form.Height(), 100);
    EXPECT_EQ(edit->Widget()->y(), 0);
}
