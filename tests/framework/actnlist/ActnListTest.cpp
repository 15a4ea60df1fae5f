#include "framework/ActnList.h"

#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Streaming.h"

#include <QAction>
#include <QKeySequence>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ActionFixture : public ::testing::Test
{
protected:
    ActionFixture()
        : form(std::make_unique<TForm>(nullptr)), list(new TActionList(form.get())),
          action(new TAction(form.get())), button(new TButton(form.get())),
          menu(new TPopupMenu(form.get())), item(new TMenuItem(form.get()))
    {
        RegisterFrameworkClasses();
        action->SetActionList(list);
        action->SetCaption("&Undo");
        action->SetOnExecute([this](TObject *Sender) {
            ++executed;
            executedBy = static_cast<TBasicAction *>(Sender)->ActionComponent();
        });
        button->SetParent(form.get());
        menu->Items()->Add(item);
    }

    std::unique_ptr<TForm> form;
    TActionList *list;
    TAction *action;
    TButton *button;
    TPopupMenu *menu;
    TMenuItem *item;
    int executed = 0;
    TComponent *executedBy = nullptr;
};

using LinkedClients = ActionFixture;
using ExecutingActions = ActionFixture;
using ActionLifetimes = ActionFixture;
using ActionsInFormDescriptions = ActionFixture;

} // namespace

TEST_F(LinkedClients, TakeTheActionsStateAndFollowEveryChange)
{
    action->SetHint("Take back|Takes back the last change");
    action->SetEnabled(false);
    action->SetShortCut(scCtrl | 'Z');
    button->SetAction(action);
    item->SetAction(action);

    EXPECT_EQ(button->Caption(), "&Undo");
    EXPECT_FALSE(button->Enabled());
    EXPECT_EQ(button->Hint(), "Take back|Takes back the last change");
    EXPECT_EQ(static_cast<QPushButton *>(button->Widget())->text(), "&Undo");

    QAction *shown = item->QtAction();
    EXPECT_EQ(shown->text(), "&Undo");
    EXPECT_FALSE(shown->isEnabled());
    EXPECT_EQ(shown->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(shown->statusTip(), "Takes back the last change");

    action->SetCaption("&Redo");
    action->SetEnabled(true);
    EXPECT_TRUE(shown->isEnabled());
    action->SetVisible(false);
    action->SetChecked(true);
    EXPECT_EQ(button->Caption(), "&Redo");
    EXPECT_TRUE(button->Enabled());
    EXPECT_FALSE(button->Visible());
    EXPECT_EQ(shown->text(), "&Redo");
    EXPECT_FALSE(shown->isVisible());
    EXPECT_TRUE(shown->isChecked());

    // The action's own QAction, for tool bars, shows the same.
    QAction *own = action->QtAction();
    EXPECT_EQ(own->text(), "&Redo");
    EXPECT_FALSE(own->isVisible());
    EXPECT_EQ(own->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

TEST_F(LinkedClients, UnlinkedKeepWhatTheyShowAndFollowNoMore)
{
    button->SetAction(action);
    button->SetAction(nullptr);
    action->SetCaption("Changed");
    EXPECT_EQ(button->Caption(), "&Undo");
    EXPECT_EQ(action->ClientCount(), 0);
    button->Click();
    EXPECT_EQ(executed, 0);
}

TEST_F(ExecutingActions, AClickRunsTheActionForItsClient)
{
    button->SetAction(action);
    item->SetAction(action);
    button->Click();
    EXPECT_EQ(executed, 1);
    EXPECT_EQ(executedBy, button);
    item->QtAction()->trigger();
    EXPECT_EQ(executed, 2);
    EXPECT_EQ(executedBy, item);
    // Only while it executes.
    EXPECT_EQ(action->ActionComponent(), nullptr);
    action->QtAction()->trigger();
    EXPECT_EQ(executed, 3);
}

TEST_F(ExecutingActions, ADisabledActionDoesNotRunButUpdateMayEnableIt)
{
    button->SetAction(action);
    action->SetEnabled(false);
    button->Click();
    EXPECT_EQ(executed, 0);

    action->SetOnUpdate([this](TObject *) { action->SetEnabled(true); });
    button->Click();
    EXPECT_EQ(executed, 1);
    EXPECT_TRUE(button->Enabled());
}

TEST_F(ExecutingActions, TheListOrTheClientsOwnHandlerComesFirst)
{
    button->SetAction(action);
    int seenByList = 0;
    list->SetOnExecute([&](TBasicAction *Action, bool &Handled) {
        ++seenByList;
        Handled = Action == action && seenByList == 1;
    });
    button->Click();
    EXPECT_EQ(seenByList, 1);
    EXPECT_EQ(executed, 0);
    button->Click();
    EXPECT_EQ(executed, 1);

    int own = 0;
    button->SetOnClick([&](TObject *) { ++own; });
    button->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(executed, 1);
}

TEST_F(ActionLifetimes, AFreedActionLeavesItsClientsAsTheyWere)
{
    button->SetAction(action);
    item->SetAction(action);
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(item->Action(), nullptr);
    EXPECT_EQ(button->Caption(), "&Undo");
    EXPECT_EQ(item->QtAction()->text(), "&Undo");
    button->Click();
    item->Click();
    EXPECT_EQ(list->ActionCount(), 0);
}

TEST_F(ActionLifetimes, AFreedClientOrListLeavesTheAction)
{
    button->SetAction(action);
    item->SetAction(action);
    EXPECT_EQ(action->ClientCount(), 2);
    delete button;
    delete item;
    EXPECT_EQ(action->ClientCount(), 0);
    action->SetCaption("Still here");

    delete list;
    EXPECT_EQ(action->ActionList(), nullptr);
    action->Execute();
    EXPECT_EQ(executed, 1);
}

TEST_F(ActionLifetimes, AHandlerMayFreeTheClientThatRanIt)
{
    button->SetAction(action);
    action->SetOnExecute([this](TObject *) {
        delete button;
        button = nullptr;
        ++executed;
    });
    TButton *clicked = button;
    clicked->Click();
    EXPECT_EQ(executed, 1);
    EXPECT_EQ(action->ClientCount(), 0);
    EXPECT_EQ(action->ActionComponent(), nullptr);
}

TEST_F(ActionLifetimes, AHandlerMayFreeTheActionItRuns)
{
    item->SetAction(action);
    action->SetOnExecute([this](TObject *) { delete action; });
    item->QtAction()->trigger();
    EXPECT_EQ(item->Action(), nullptr);
}

TEST_F(ActionLifetimes, FreedImagesLeaveTheList)
{
    auto *images = new TImageList(form.get());
    list->SetImages(images);
    action->SetImageIndex(0);
    EXPECT_EQ(action->Images(), images);
    delete images;
    EXPECT_EQ(list->Images(), nullptr);
    EXPECT_EQ(action->Images(), nullptr);
}

TEST_F(ActionsInFormDescriptions, ClientsLinkByNameAndKeepWhatTheDescriptionSets)
{
    TForm read(nullptr);
    ReadComponentFromText(read,
                          "object Form1: TForm\n"
                          "  object ImageList1: TImageList\n"
                          "  end\n"
                          "  object ActionList1: TActionList\n"
                          "    Images = ImageList1\n"
                          "    object EditUndo: TAction\n"
                          "      Caption = '&Undo'\n"
                          "      Hint = 'Take back'\n"
                          "      ShortCut = 16474\n"
                          "    end\n"
                          "  end\n"
                          "  object Button1: TButton\n"
                          "    Action = EditUndo\n"
                          "  end\n"
                          "  object Button2: TButton\n"
                          "    Caption = 'Own'\n"
                          "    Action = EditUndo\n"
                          "  end\n"
                          "  object PopupMenu1: TPopupMenu\n"
                          "    object Undo1: TMenuItem\n"
                          "      Action = EditUndo\n"
                          "    end\n"
                          "  end\n"
                          "end\n",
                          "actions.dfm");
    auto *undo = dynamic_cast<TAction *>(read.FindComponent("EditUndo"));
    auto *list1 = dynamic_cast<TActionList *>(read.FindComponent("ActionList1"));
    auto *button1 = dynamic_cast<TButton *>(read.FindComponent("Button1"));
    auto *button2 = dynamic_cast<TButton *>(read.FindComponent("Button2"));
    auto *undo1 = dynamic_cast<TMenuItem *>(read.FindComponent("Undo1"));
    ASSERT_TRUE(undo && list1 && button1 && button2 && undo1);
    EXPECT_EQ(undo->ActionList(), list1);
    EXPECT_EQ(undo->Images(), read.FindComponent("ImageList1"));
    EXPECT_EQ(button1->Action(), undo);
    EXPECT_EQ(button1->Caption(), "&Undo");
    EXPECT_EQ(button1->Hint(), "Take back");
    EXPECT_EQ(button2->Caption(), "Own");
    EXPECT_EQ(undo1->QtAction()->text(), "&Undo");
    EXPECT_EQ(undo1->ShortCut(), scCtrl | 'Z');

    // Written back: the link, and no copy of what the clients take from it.
    const String text = WriteComponentToText(read);
    EXPECT_NE(text.find("Action = EditUndo"), String::npos) << text;
    EXPECT_NE(text.find("Caption = 'Own'"), String::npos) << text;
    EXPECT_EQ(text.find("Caption = '&Undo'"), text.rfind("Caption = '&Undo'")) << text;
    EXPECT_EQ(text.find("Hint = 'Take back'"), text.rfind("Hint = 'Take back'")) << text;

    TForm copy(nullptr);
    ReadComponentFromText(copy, text, "copy.dfm");
    auto *again = dynamic_cast<TAction *>(copy.FindComponent("EditUndo"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ActionList(), copy.FindComponent("ActionList1"));
    EXPECT_EQ(dynamic_cast<TButton *>(copy.FindComponent("Button1"))->Action(), again);
    EXPECT_EQ(dynamic_cast<TMenuItem *>(copy.FindComponent("Undo1"))->Action(), again);
}

TEST_F(ActionsInFormDescriptions, AnActionOutsideAListIsRefused)
{
    TForm read(nullptr);
    EXPECT_THROW(ReadComponentFromText(read,
                                       "object Form1: TForm\n"
                                       "  object Button1: TButton\n"
                                       "    object EditUndo: TAction\n"
                                       "    end\n"
                                       "  end\n"
                                       "end\n",
                                       "bad.dfm"),
                 EReadError);
    EXPECT_EQ(read.ComponentCount(), 0);
}
