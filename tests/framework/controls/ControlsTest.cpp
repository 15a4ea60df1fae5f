#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Ownership, AParentFreesItsChildrenBeforeItsOwnWidget)
{
    TApplication application;
    auto *form = new TForm(&application);
    auto *panel = new TCustomControl(form);
    panel->SetParent(form);
    auto *label = new TLabel(form);
    label->SetParent(panel);
    auto *edit = new TEdit(form);
    edit->SetParent(panel);
    QPointer<QWidget> labelWidget = label->Widget();
    QPointer<QWidget> panelWidget = panel->Widget();
    EXPECT_EQ(labelWidget->parentWidget(), panelWidget.data());

    // A child freed first leaves its parent and takes its widget along.
    delete edit;
    EXPECT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(form->ComponentCount(), 2);

    // The parent, freed before the owner, frees the controls it holds.
    delete panel;
    EXPECT_TRUE(labelWidget.isNull());
    EXPECT_TRUE(panelWidget.isNull());
    EXPECT_EQ(form->ComponentCount(), 0);
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST(Ownership, FreeingAFormFreesEverythingOnIt)
{
    TApplication application;
    auto *form = new TForm(&application);
    auto *memo = new TMemo(form);
    memo->SetParent(form);
    memo->Lines()->Add("line");
    auto *combo = new TComboBox(form);
    combo->SetParent(form);
    QPointer<QWidget> formWidget = form->Widget();
    QPointer<QWidget> memoWidget = memo->Widget();
    delete form;
    EXPECT_TRUE(formWidget.isNull());
    EXPECT_TRUE(memoWidget.isNull());
    EXPECT_EQ(application.ComponentCount(), 1) << "only the screen is left";
}

TEST(Ownership, ReparentingMovesTheWidget)
{
    TApplication application;
    auto *first = new TForm(&application);
    auto *second = new TForm(&application);
    auto *button = new TButton(first);
    button->SetParent(first);
    button->SetBounds(5, 6, 70, 20);
    button->SetParent(second);
    EXPECT_EQ(button->Widget()->parentWidget(), second->Widget());
    EXPECT_EQ(button->Widget()->geometry(), QRect(5, 6, 70, 20));
    EXPECT_EQ(first->ControlCount(), 0);
    EXPECT_THROW(first->SetParent(first), EInvalidOperation);
    // Freed by its owner while on another form.
    delete first;
    EXPECT_EQ(second->ControlCount(), 0);
}

TEST(Ownership, AWidgetDeletedBehindTheControlsBackIsNotDeletedAgain)
{
    TApplication application;
    auto *form = new TForm(&application);
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    QPointer<QWidget> editWidget = edit->Widget();
    delete form->Widget();
    EXPECT_TRUE(editWidget.isNull());
    delete form;
    EXPECT_EQ(application.ComponentCount(), 1);
}

TEST(Alignment, AlignedChildrenFollowTheirParentsSize)
{
    TApplication application;
    auto *form = new TForm(&application);
    form->SetBounds(0, 0, 200, 100);
    auto *panel = new TCustomControl(form);
    panel->SetParent(form);
    panel->SetAlign(alClient);
    auto *top = new TEdit(form);
    top->SetParent(panel);
    top->SetAlign(alTop);
    auto *rest = new TMemo(form);
    rest->SetParent(panel);
    rest->SetAlign(alClient);
    EXPECT_EQ(panel->BoundsRect(), Rect(0, 0, 200, 100));
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 21));
    EXPECT_EQ(rest->BoundsRect(), Rect(0, 21, 200, 100));
    form->SetClientWidth(300);
    EXPECT_EQ(top->Width(), 300);
    EXPECT_EQ(rest->Widget()->geometry(), QRect(0, 21, 300, 79));
}

TEST(MemoLines, AddInsertDeleteAndText)
{
    TMemo memo(nullptr);
    TStrings *lines = memo.Lines();
    EXPECT_EQ(lines->Count(), 0);
    lines->Add("first");
    lines->Add("second");
    lines->Add("");
    EXPECT_EQ(lines->Count(), 3);
    EXPECT_EQ(memo.Text(), "first\nsecond\n\n");
    lines->Insert(0, "zero");
    EXPECT_EQ(lines->Get(0), "zero");
    EXPECT_EQ(lines->Get(1), "first");
    lines->Delete(1);
    lines->Put(0, "Zero");
    EXPECT_EQ(lines->ToVector(), (std::vector<String>{"Zero", "second", ""}));
    EXPECT_THROW(lines->Get(3), EStringListError);
    EXPECT_THROW(lines->Delete(-1), EStringListError);

    // Text without a final line break: its last line still counts.
    memo.SetText("a\nb");
    EXPECT_EQ(lines->Count(), 2);
    lines->Add("c");
    EXPECT_EQ(memo.Text(), "a\nb\nc\n");
    lines->Delete(2);
    lines->Delete(1);
    EXPECT_EQ(memo.Text(), "a\n");

    // Non-ASCII and control characters are kept.
    lines->Clear();
    lines->Add("Zo\xC3\xAB\tq");
    EXPECT_EQ(lines->Get(0), "Zo\xC3\xAB\tq");
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);
    EXPECT_EQ(memo.Text(), "");
}

TEST(MemoLines, ReadOnlyPaneKeepsNoUndoHistory)
{
    TMemo memo(nullptr);
    memo.SetReadOnly(true);
    auto *edit = qobject_cast<QPlainTextEdit *>(memo.Widget());
    ASSERT_NE(edit, nullptr);
    memo.Lines()->Add("x");
    EXPECT_FALSE(edit->document()->isUndoAvailable());
    EXPECT_TRUE(edit->isReadOnly());
}

TEST(Cursors, ScreenCursorOverridesAreBalanced)
{
    TApplication application;
    ASSERT_NE(Screen, nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crHourGlass);
    Screen->SetCursor(crHandPoint);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "no override is left behind";

    // A screen that goes with the busy cursor up takes it down.
    {
        TScreen screen(nullptr);
        screen.SetCursor(crHourGlass);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Cursors, ControlCursorsMapToQtShapes)
{
    TEdit edit(nullptr);
    edit.SetCursor(crHandPoint);
    EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::PointingHandCursor);
    edit.SetCursor(crDefault);
    EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::IBeamCursor) << "the edit's own cursor";
    TLabel label(nullptr);
    label.SetCursor(crHourGlass);
    label.SetCursor(crDefault);
    EXPECT_FALSE(label.Widget()->testAttribute(Qt::WA_SetCursor));
}

TEST(CheckBoxes, EveryStateChangeClicks)
{
    TCheckBox box(nullptr);
    int clicks = 0;
    box.SetOnClick(TNotifyEvent([&](TObject *) { ++clicks; }));
    box.SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(qobject_cast<QCheckBox *>(box.Widget())->isChecked());
    QTest::mouseClick(box.Widget(), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(clicks, 2);
    box.SetChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST(ComboBoxes, ItemsTextAndSelection)
{
    TComboBox combo(nullptr);
    combo.SetText("typed");
    combo.Items()->Add("beta");
    combo.Items()->Add("alpha");
    EXPECT_EQ(combo.Text(), "typed") << "adding items keeps the typed text";
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.Text(), "alpha");
    combo.SetSorted(true);
    EXPECT_EQ(combo.Items()->Get(0), "alpha");
    combo.Items()->Add("gamma");
    combo.Items()->Add("Delta");
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"alpha", "beta", "Delta", "gamma"}));
    int changes = 0;
    combo.SetOnChange(TNotifyEvent([&](TObject *) { ++changes; }));
    QTest::keyClicks(qobject_cast<QComboBox *>(combo.Widget())->lineEdit(), "x");
    EXPECT_EQ(changes, 1);
    combo.Clear();
    EXPECT_EQ(combo.Items()->Count(), 0);
    EXPECT_EQ(combo.Text(), "");
}

TEST(StaticTexts, SizeToANonEmptyCaptionKeepingTheirCorner)
{
    TStaticText text(nullptr);
    text.SetBounds(92, 2, 30, 18);
    text.SetCaption("");
    EXPECT_EQ(text.Width(), 30);
    text.SetCaption("millimetres");
    EXPECT_EQ(text.Left(), 92);
    EXPECT_EQ(text.Top(), 2);
    EXPECT_GT(text.Width(), 30);
    EXPECT_EQ(qobject_cast<QLabel *>(text.Widget())->text(), QStringLiteral("millimetres"));
}

TEST(Application, ShowsExceptionsWithoutBlockingOffscreen)
{
    TApplication application;
    application.SetTitle("Tumblerset");
    application.ShowException(Exception("Something failed"));
    EXPECT_EQ(application.ShownExceptionCount(), 1);
    EXPECT_FALSE(application.ExeName().empty());
    EXPECT_NE(application.Handle(), 0u);
    EXPECT_EQ(Application, &application);
}

TEST(Application, ModalFormsEndWithTheirButtonsResult)
{
    TApplication application;
    auto *dialog = new TForm(&application);
    auto *ok = new TButton(dialog);
    ok->SetParent(dialog);
    ok->SetModalResult(mrOk);
    QTimer::singleShot(0, [&] { QTest::mouseClick(ok->Widget(), Qt::LeftButton); });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(dialog->Visible());

    QTimer::singleShot(0, [&] { dialog->Close(); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
}

// Qt keeps a list of modal windows; an entry left behind blocks every other
// window and, once its form is freed, is read by each window shown later.
TEST(Application, AModalFormLeavesNoModalWindowBehindOnAnyWayOut)
{
    TApplication application;
    auto *other = new TForm(&application);

    auto *dialog = new TForm(&application);
    QTimer::singleShot(0, [&] { dialog->SetModalResult(mrOk); });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr) << "ended by its result";
    delete dialog;
    other->Show();
    EXPECT_TRUE(other->Widget()->isVisible());
    other->Hide();

    dialog = new TForm(&application);
    dialog->SetOnShow([](TObject *) { throw Exception("cannot show"); });
    EXPECT_THROW(dialog->ShowModal(), Exception);
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr) << "ended by an exception";
    EXPECT_FALSE(dialog->Visible());
    dialog->SetOnShow({});
    QTimer::singleShot(0, [&] { dialog->Close(); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel) << "and can be shown modally again";
    delete dialog;

    other->Show();
    EXPECT_TRUE(other->Widget()->isVisible());
}

TEST(Application, AFormFreedDuringItsModalLoopEndsItWithCancel)
{
    TApplication application;
    auto *other = new TForm(&application);

    // Freed outright from a handler running inside the loop.
    auto *dialog = new TForm(&application);
    QTimer::singleShot(0, [&] { delete dialog; });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    EXPECT_EQ(application.ComponentCount(), 2) << "the screen and the other form";

    // Released from a handler running inside the loop.
    dialog = new TForm(&application);
    QPointer<QWidget> widget = dialog->Widget();
    QTimer::singleShot(0, [&] { dialog->Release(); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    QCoreApplication::processEvents();
    EXPECT_TRUE(widget.isNull());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);

    other->Show();
    EXPECT_TRUE(other->Widget()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
