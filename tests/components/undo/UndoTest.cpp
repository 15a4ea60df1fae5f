#include "components/undo/undo.h"

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <QAction>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// Adds Amount to a counter; its inverse subtracts it again.
struct AmountRecord : JActionData
{
    int Amount;
};

// A document (a counter) with two undoable operations, add and take away,
// each the other's inverse, and a command whose captions are logged as the
// menu shows them.
class Document : public ::testing::Test
{
protected:
    Document()
        : form(std::make_unique<TForm>(nullptr)), add(new JAction(form.get())),
          takeAway(new JAction(form.get())), list(new TActionList(form.get())),
          command(new TAction(form.get())), menu(new TPopupMenu(form.get())),
          item(new TMenuItem(form.get()))
    {
        add->SetCaption("Undo add");
        takeAway->SetCaption("Undo take away");
        add->SetOnDo([this](JActionData *Data, pJActionData *Inverse) {
            perform(Data, +1, takeAway, Inverse);
        });
        takeAway->SetOnDo(
            [this](JActionData *Data, pJActionData *Inverse) { perform(Data, -1, add, Inverse); });
        command->SetActionList(list);
        command->SetCaption("Undo");
        command->SetEnabled(false);
        list->SetOnChange([this](TObject *) { shown.push_back(menuText()); });
        menu->Items()->Add(item);
        item->SetAction(command);
    }

    void perform(JActionData *Data, int Sign, JAction *InverseAction, pJActionData *Inverse)
    {
        const int amount = static_cast<AmountRecord *>(Data)->Amount;
        value += Sign * amount;
        performed.push_back(Sign * amount);
        auto *inverse = NewActionData<AmountRecord>(InverseAction);
        inverse->Amount = amount;
        *Inverse = inverse;
    }

    // The command as the menu shows it.
    std::string menuText() const { return item->QtAction()->text().toStdString(); }
    bool menuEnabled() const { return item->QtAction()->isEnabled(); }

    std::unique_ptr<TForm> form;
    JAction *add;
    JAction *takeAway;
    TActionList *list;
    TAction *command;
    TPopupMenu *menu;
    TMenuItem *item;
    int value = 0;
    std::vector<int> performed;
    std::vector<std::string> shown;
};

using SingleLevelUndo = Document;
using MultiLevelUndo = Document;
using FailingHandlers = Document;
using UndoRecords = Document;
using UndoInFormDescriptions = Document;

AmountRecord record(JAction *Action, int Amount)
{
    AmountRecord r;
    r.action = Action;
    r.Amount = Amount;
    return r;
}

} // namespace

TEST_F(SingleLevelUndo, UndoAlternatesBetweenUndoAndRedo)
{
    TUndoSingleBuffer buffer(nullptr);
    buffer.SetUndoAction(command);
    EXPECT_EQ(menuText(), "Undo");
    EXPECT_FALSE(menuEnabled());

    // The caller's record lives on the stack: releasing it would be caught.
    AmountRecord five = record(add, 5);
    JActionData *held = buffer.Do(&five);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->action, takeAway);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(five.Amount, 5);
    EXPECT_EQ(menuText(), "Undo add");
    EXPECT_TRUE(menuEnabled());

    buffer.Undo();
    EXPECT_EQ(value, 0);
    EXPECT_EQ(menuText(), "Undo take away");
    buffer.Undo();
    EXPECT_EQ(value, 5);
    EXPECT_EQ(menuText(), "Undo add");
    buffer.Undo();
    EXPECT_EQ(value, 0);
    EXPECT_EQ(performed, (std::vector<int>{5, -5, 5, -5}));
    EXPECT_TRUE(buffer.GetCanUndo());
}

TEST_F(SingleLevelUndo, WithoutACommandRecordsArePerformedAndHeldAlike)
{
    TUndoSingleBuffer buffer(nullptr);
    EXPECT_FALSE(buffer.GetCanUndo());
    buffer.Undo();
    EXPECT_TRUE(performed.empty());

    AmountRecord two = record(add, 2);
    buffer.Do(&two);
    buffer.Do(&two);
    buffer.Undo();
    EXPECT_EQ(value, 2);
    EXPECT_EQ(menuText(), "Undo");
}

TEST_F(MultiLevelUndo, UndoTakesBackTheLastFirstThenSaysCantUndo)
{
    TUndoMultiBuffer buffer(nullptr);
    buffer.SetUndoAction(command);
    buffer.Undo();
    EXPECT_TRUE(performed.empty());
    EXPECT_EQ(menuText(), "Undo");
    EXPECT_FALSE(menuEnabled());

    AmountRecord a = record(add, 1);
    AmountRecord b = record(takeAway, 10);
    buffer.Do(&a);
    buffer.Do(&b);
    EXPECT_EQ(value, -9);
    EXPECT_EQ(buffer.Depth(), 2u);

    shown.clear();
    buffer.Undo();
    EXPECT_EQ(value, 1);
    // b's inverse is an add.
    EXPECT_EQ(menuText(), "Undo add");
    EXPECT_TRUE(menuEnabled());
    EXPECT_TRUE(buffer.GetCanUndo());

    shown.clear();
    buffer.Undo();
    EXPECT_EQ(value, 0);
    EXPECT_EQ(performed, (std::vector<int>{1, -10, 10, -1}));
    // The undone action's caption first, then the empty stack's.
    EXPECT_EQ(shown, (std::vector<std::string>{"Undo take away", "Can't undo", "Can't undo"}));
    EXPECT_EQ(menuText(), "Can't undo");
    EXPECT_FALSE(menuEnabled());
    EXPECT_FALSE(buffer.GetCanUndo());

    buffer.Undo();
    EXPECT_EQ(performed.size(), 4u);
}

TEST_F(MultiLevelUndo, TenThousandRecordsAreHeldAndFlushedWithoutTouchingTheCommand)
{
    TUndoMultiBuffer buffer(nullptr);
    buffer.SetUndoAction(command);
    AmountRecord one = record(add, 1);
    for (int i = 0; i < 10000; ++i)
        buffer.Do(&one);
    EXPECT_EQ(buffer.Depth(), 10000u);
    EXPECT_EQ(value, 10000);

    buffer.Flush();
    EXPECT_FALSE(buffer.GetCanUndo());
    EXPECT_EQ(menuText(), "Undo add");
    EXPECT_TRUE(menuEnabled());
    buffer.Undo();
    EXPECT_EQ(value, 10000);

    // What is still held when the buffer goes is released with it (the
    // sanitizer build checks that nothing is left).
    for (int i = 0; i < 100; ++i)
        buffer.Do(&one);
}

TEST_F(UndoRecords, AnActionWithNothingToUndoLeavesNothingHeld)
{
    JAction silent(nullptr);
    silent.SetCaption("Undo nothing");
    JAction forgetful(nullptr);
    forgetful.SetOnDo([](JActionData *, pJActionData *) {});
    AmountRecord quiet = record(&silent, 1);
    AmountRecord forgotten = record(&forgetful, 1);

    TUndoSingleBuffer single(nullptr);
    AmountRecord one = record(add, 1);
    single.Do(&one);
    EXPECT_EQ(single.Do(&quiet), nullptr);
    EXPECT_FALSE(single.GetCanUndo());

    TUndoMultiBuffer multi(nullptr);
    multi.SetUndoAction(command);
    multi.Do(&one);
    EXPECT_EQ(multi.Do(&quiet), nullptr);
    EXPECT_EQ(multi.Do(&forgotten), nullptr);
    EXPECT_EQ(multi.Depth(), 1u);
    // The command still shows what was last performed.
    EXPECT_EQ(menuText(), "");
    multi.Undo();
    EXPECT_EQ(value, 1);
    EXPECT_EQ(menuText(), "Can't undo");
}

TEST_F(UndoRecords, ARecordWithoutAnActionIsRefused)
{
    TUndoMultiBuffer multi(nullptr);
    TUndoSingleBuffer single(nullptr);
    AmountRecord orphan = record(nullptr, 1);
    EXPECT_THROW(multi.Do(&orphan), Exception);
    EXPECT_THROW(single.Do(nullptr), Exception);
    EXPECT_FALSE(multi.GetCanUndo());
    EXPECT_FALSE(single.GetCanUndo());
}

TEST_F(UndoRecords, AFreedCommandIsLetGo)
{
    TUndoMultiBuffer buffer(nullptr);
    buffer.SetUndoAction(command);
    delete command;
    EXPECT_EQ(buffer.UndoAction(), nullptr);
    AmountRecord one = record(add, 1);
    buffer.Do(&one);
    buffer.Undo();
    EXPECT_EQ(value, 0);
}

TEST_F(FailingHandlers, LeaveBufferAndCommandAsTheyWereAndLoseNoRecord)
{
    JAction failing(nullptr);
    failing.SetCaption("Undo failing");
    // Hands back an inverse, then fails: the inverse must not be lost.
    failing.SetOnDo([this](JActionData *, pJActionData *Inverse) {
        *Inverse = NewActionData<AmountRecord>(add);
        throw std::runtime_error("disk full");
    });

    TUndoMultiBuffer multi(nullptr);
    multi.SetUndoAction(command);
    AmountRecord one = record(add, 1);
    AmountRecord bad = record(&failing, 1);
    multi.Do(&one);
    EXPECT_THROW(multi.Do(&bad), std::runtime_error);
    EXPECT_EQ(multi.Depth(), 1u);
    EXPECT_EQ(menuText(), "Undo add");

    // An undo that fails: its record is gone from the stack and released.
    AmountRecord two = record(add, 2);
    multi.Do(&two);
    // Put the failing record on top through a handler that hands it back.
    JAction handsBack(nullptr);
    handsBack.SetCaption("Undo hands back");
    handsBack.SetOnDo([&failing](JActionData *, pJActionData *Inverse) {
        *Inverse = NewActionData<AmountRecord>(&failing);
    });
    AmountRecord trigger = record(&handsBack, 0);
    multi.Do(&trigger);
    EXPECT_EQ(multi.Depth(), 3u);
    EXPECT_EQ(menuText(), "Undo hands back");
    EXPECT_THROW(multi.Undo(), std::runtime_error);
    EXPECT_EQ(multi.Depth(), 2u);
    EXPECT_EQ(menuText(), "Undo hands back");
    EXPECT_TRUE(menuEnabled());

    TUndoSingleBuffer single(nullptr);
    single.Do(&trigger);
    EXPECT_THROW(single.Undo(), std::runtime_error);
    // Still held: the failed undo can be tried again.
    EXPECT_TRUE(single.GetCanUndo());
}

TEST_F(UndoInFormDescriptions, BuffersFindTheirCommandByName)
{
    undo::Register();
    RegisterFrameworkClasses();
    RegisterClasses<TUndoSingleBuffer, TUndoMultiBuffer, JAction>();
    TForm read(nullptr);
    ReadComponentFromText(read,
                          "object Form1: TForm\n"
                          "  object ActionList1: TActionList\n"
                          "    object EditUndo: TAction\n"
                          "      Caption = 'Can''t undo'\n"
                          "      Enabled = False\n"
                          "    end\n"
                          "  end\n"
                          "  object Typing: JAction\n"
                          "    Caption = 'Undo typing'\n"
                          "  end\n"
                          "  object Single: TUndoSingleBuffer\n"
                          "    UndoAction = EditUndo\n"
                          "  end\n"
                          "  object Multi: TUndoMultiBuffer\n"
                          "    UndoAction = EditUndo\n"
                          "  end\n"
                          "end\n",
                          "undo.dfm");
    auto *editUndo = dynamic_cast<TAction *>(read.FindComponent("EditUndo"));
    auto *typing = dynamic_cast<JAction *>(read.FindComponent("Typing"));
    auto *single = dynamic_cast<TUndoSingleBuffer *>(read.FindComponent("Single"));
    auto *multi = dynamic_cast<TUndoMultiBuffer *>(read.FindComponent("Multi"));
    ASSERT_TRUE(editUndo && typing && single && multi);
    EXPECT_EQ(single->UndoAction(), editUndo);
    EXPECT_EQ(multi->UndoAction(), editUndo);
    EXPECT_EQ(typing->Caption(), "Undo typing");
    EXPECT_FALSE(editUndo->Enabled());

    AmountRecord one = record(typing, 1);
    multi->Do(&one);
    EXPECT_EQ(editUndo->Caption(), "Undo typing");
    EXPECT_TRUE(editUndo->Enabled());

    const String text = WriteComponentToText(read);
    EXPECT_NE(text.find("UndoAction = EditUndo"), String::npos) << text;
    EXPECT_EQ(ComponentPalettePage(TUndoSingleBuffer::StaticClassInfo()), "Marrowlight");
    EXPECT_EQ(ComponentPalettePage(TUndoMultiBuffer::StaticClassInfo()), "Marrowlight");
    EXPECT_EQ(ComponentPalettePage(JAction::StaticClassInfo()), "Marrowlight");
}
