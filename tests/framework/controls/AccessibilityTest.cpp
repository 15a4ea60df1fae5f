#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString nameOf(TControl *Control)
{
    return QAccessible::queryAccessibleInterface(Control->Widget())->text(QAccessible::Name);
}

// A form with a label that names an edit.
class LabelledEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form = new TForm(&application);
        form->SetBounds(0, 0, 300, 100);
        label = new TLabel(form);
        label->SetParent(form);
        label->SetCaption("&Name:");
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(80, 10, 100, 21);
        label->SetFocusControl(edit);
        form->Show();
    }

    TApplication application;
    TForm *form = nullptr;
    TLabel *label = nullptr;
    TEdit *edit = nullptr;
};

} // namespace

TEST(AccessibleText, AcceleratorMarksAreDroppedAndDoubledOnesKeptOnce)
{
    EXPECT_EQ(StripAccelChars("&Press me"), "Press me");
    EXPECT_EQ(StripAccelChars("Fish && Chips"), "Fish & Chips");
    EXPECT_EQ(StripAccelChars("&&&x"), "&x");
    EXPECT_EQ(StripAccelChars("trailing&"), "trailing");
    EXPECT_EQ(StripAccelChars(""), "");
}

TEST_F(LabelledEdit, TheEditIsNamedByItsLabelAndFollowsItsCaption)
{
    EXPECT_EQ(nameOf(edit), "Name:");
    edit->SetText("typed text is no name");
    EXPECT_EQ(nameOf(edit), "Name:");
    label->SetCaption("&Surname:");
    EXPECT_EQ(nameOf(edit), "Surname:");
    EXPECT_EQ(nameOf(label), "Surname:");

    // Let go, the edit falls back on its hint.
    edit->SetHint("Family name|The name the family shares");
    label->SetFocusControl(nullptr);
    EXPECT_EQ(nameOf(edit), "Family name");

    // A label that shows '&' as it is is heard as it is.
    label->SetShowAccelChar(false);
    EXPECT_EQ(nameOf(label), "&Surname:");
}

TEST_F(LabelledEdit, TheLabelsAcceleratorFocusesItsControl)
{
    auto *other = new TEdit(form);
    other->SetParent(form);
    form->Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    other->SetFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->Focused());
}

TEST_F(LabelledEdit, FreeingTheNamedControlLeavesTheLabelSound)
{
    QAccessibleInterface *labelIface = QAccessible::queryAccessibleInterface(label->Widget());
    EXPECT_EQ(labelIface->relations(QAccessible::Labelled).size(), 1);
    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_TRUE(labelIface->relations(QAccessible::Labelled).isEmpty());
    // Its accelerator now finds nothing to focus, and nothing breaks.
    QTest::keyClick(form->Widget(), Qt::Key_N, Qt::AltModifier);
}

TEST_F(LabelledEdit, AGraphicControlIsAChildOfItsParentWithItsOwnPlace)
{
    label->SetBounds(7, 9, 60, 13);
    label->SetEnabled(false);
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(form->Widget());
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(label->Widget());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->parent()->object(), form->Widget());
    EXPECT_GE(window->indexOfChild(iface), 0);
    EXPECT_EQ(iface->rect().topLeft(), form->Widget()->mapToGlobal(QPoint(7, 9)));
    EXPECT_EQ(iface->rect().size(), QSize(60, 13));
    EXPECT_TRUE(iface->state().disabled);
    // A label offers no action, and has no shortcut of its own to press.
    EXPECT_TRUE(iface->actionInterface()->actionNames().isEmpty());
}
