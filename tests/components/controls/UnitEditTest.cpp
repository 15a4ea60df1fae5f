#include "components/controls/UnitEdit.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QuantityBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        RegisterFrameworkClasses();
        UnitEdit::Register();
        RegisterClasses<TUnitEdit>();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("Form1");
        form->SetBounds(0, 0, 300, 120);
    }

    // A unit edit of the given width placed on the form, which makes its parts.
    TUnitEdit *place(int width)
    {
        auto *unit = new TUnitEdit(form.get());
        unit->SetBounds(10, 10, width, 20);
        unit->SetParent(form.get());
        return unit;
    }

    std::unique_ptr<TApplication> application;
    std::unique_ptr<TForm> form;
};

} // namespace

TEST_F(QuantityBox, PlacesItsPartsByItsWidthOnceAndForAll)
{
    TUnitEdit *unit = place(120);
    ASSERT_NE(unit->NumberPart(), nullptr);
    ASSERT_NE(unit->UnitPart(), nullptr);
    EXPECT_EQ(unit->ControlCount(), 2);
    EXPECT_EQ(unit->NumberPart()->BoundsRect(), Bounds(0, 0, 90, 20));
    EXPECT_EQ(unit->UnitPart()->BoundsRect(), Bounds(92, 2, 30, 18)) << "no text to size to";

    unit->SetUnit("mm");
    EXPECT_EQ(unit->Unit(), "mm");
    EXPECT_EQ(unit->UnitPart()->Caption(), "mm");
    EXPECT_EQ(unit->UnitPart()->Left(), 92) << "sized to its text, left and top kept";
    EXPECT_EQ(unit->UnitPart()->Top(), 2);
    EXPECT_NE(unit->UnitPart()->Width(), 30);

    unit->SetBounds(10, 10, 240, 40);
    EXPECT_EQ(unit->NumberPart()->BoundsRect(), Bounds(0, 0, 90, 20));
    EXPECT_EQ(unit->UnitPart()->Left(), 92);

    // A window made anew makes no second pair.
    unit->RecreateWnd();
    EXPECT_EQ(unit->ControlCount(), 2);
    EXPECT_EQ(unit->ComponentCount(), 2);
}

TEST_F(QuantityBox, ValueIsTheNumberPartsValue)
{
    TUnitEdit *unit = place(120);
    EXPECT_EQ(unit->NumberPart()->GetText(), "") << "a new number part is empty";
    unit->SetValue(2.5f);
    EXPECT_EQ(unit->NumberPart()->GetText(), "2.5");
    EXPECT_TRUE(qobject_cast<QLineEdit *>(unit->NumberPart()->Widget())->alignment() &
                Qt::AlignRight);
    QTest::keyClicks(unit->NumberPart()->Widget(), "x");
    EXPECT_EQ(unit->NumberPart()->GetText(), "2.5x");
    EXPECT_EQ(unit->GetValue(), 0.0f);
}

TEST_F(QuantityBox, UnitColourPaintsCaptionAndContainerEditColourOnlyTheNumber)
{
    TUnitEdit *unit = place(120);
    const TColor numberBefore = unit->NumberPart()->Color();
    EXPECT_EQ(numberBefore, clWindow);
    unit->SetUnitColor(clRed);
    EXPECT_EQ(unit->UnitColor(), clRed);
    EXPECT_EQ(unit->UnitPart()->Color(), clRed);
    EXPECT_EQ(unit->Color(), clRed);
    EXPECT_EQ(unit->NumberPart()->Color(), numberBefore);

    const TColor containerBefore = unit->Color();
    unit->SetEditColor(clYellow);
    EXPECT_EQ(unit->EditColor(), clYellow);
    EXPECT_EQ(unit->NumberPart()->Color(), clYellow);
    EXPECT_EQ(unit->UnitPart()->Color(), clRed);
    EXPECT_EQ(unit->Color(), containerBefore);
}

TEST_F(QuantityBox, TabbingPassesTheContainerAndReachesTheNumber)
{
    auto *before = new TEdit(form.get());
    before->SetParent(form.get());
    before->SetBounds(10, 60, 100, 21);
    TUnitEdit *unit = place(120);
    EXPECT_FALSE(unit->TabStop());
    unit->SetTabOrder(1);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    before->SetFocus();
    ASSERT_TRUE(before->Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(unit->NumberPart()->Focused());
}

TEST_F(QuantityBox, AFormDescriptionSettingEveryValueLosesNone)
{
    ReadComponentFromText(*form,
                          "object Form1: TForm\n"
                          "  object UnitEdit1: TUnitEdit\n"
                          "    Left = 8\n"
                          "    Top = 8\n"
                          "    Width = 150\n"
                          "    Height = 20\n"
                          "    Unit = 'kg'\n"
                          "    Value = 2.5\n"
                          "    EditColor = clYellow\n"
                          "    UnitColor = clRed\n"
                          "  end\n"
                          "end\n",
                          "unit.dfm");
    auto *unit = dynamic_cast<TUnitEdit *>(form->FindComponent("UnitEdit1"));
    ASSERT_NE(unit, nullptr);
    ASSERT_NE(unit->NumberPart(), nullptr);
    EXPECT_EQ(unit->ControlCount(), 2);
    // Placed by the width the description gives, not the width before it.
    EXPECT_EQ(unit->NumberPart()->BoundsRect(), Bounds(0, 0, 120, 20));
    EXPECT_EQ(unit->UnitPart()->Left(), 122);
    EXPECT_EQ(unit->UnitPart()->Caption(), "kg");
    EXPECT_EQ(unit->NumberPart()->GetText(), "2.5");
    EXPECT_FLOAT_EQ(unit->GetValue(), 2.5f);
    EXPECT_EQ(unit->NumberPart()->Color(), clYellow);
    EXPECT_EQ(unit->UnitPart()->Color(), clRed);
    EXPECT_EQ(unit->Color(), clRed);

    // Written back, the parts stay inside the control: one pair on reading.
    const String text = WriteComponentToText(*form);
    EXPECT_EQ(text.find("TNumberEdit"), String::npos) << text;
    TForm copy(nullptr);
    ReadComponentFromText(copy, text, "copy.dfm");
    auto *again = dynamic_cast<TUnitEdit *>(copy.FindComponent("UnitEdit1"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ControlCount(), 2);
    EXPECT_EQ(again->UnitPart()->Caption(), "kg");
    EXPECT_FLOAT_EQ(again->GetValue(), 2.5f);
}

TEST_F(QuantityBox, WithoutPartsValuesAreKeptAndANewControlWritesNothing)
{
    TUnitEdit unit(nullptr);
    EXPECT_EQ(unit.NumberPart(), nullptr);
    EXPECT_EQ(unit.Height(), 20);
    EXPECT_FALSE(unit.TabStop());
    unit.Show(); // nothing to show yet
    unit.SetValue(-1.25f);
    EXPECT_FLOAT_EQ(unit.GetValue(), -1.25f);
    unit.SetUnit("mm");
    unit.SetWidth(100);
    unit.CreateParts();
    EXPECT_EQ(unit.NumberPart()->GetText(), "-1.25");
    EXPECT_EQ(unit.UnitPart()->Caption(), "mm");
    EXPECT_EQ(unit.NumberPart()->Color(), clWindow) << "no colour was given";
    EXPECT_EQ(ComponentPalettePage(TUnitEdit::StaticClassInfo()), "Marrow 2");
}
