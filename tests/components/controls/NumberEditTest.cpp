#include "components/controls/NumberEdit.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <QLineEdit>
#include <QScopedValueRollback>
#include <gtest/gtest.h>
#include <memory>

namespace {

class NumberBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        RegisterFrameworkClasses();
        NumberEdit::Register();
        RegisterClasses<TNumberEdit>();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("Form1");
        edit = new TNumberEdit(form.get());
        edit->SetName("NumberEdit1");
        edit->SetParent(form.get());
    }

    float read(const String &text)
    {
        edit->SetText(text);
        return edit->GetValue();
    }

    std::unique_ptr<TApplication> application;
    std::unique_ptr<TForm> form;
    TNumberEdit *edit = nullptr;
};

} // namespace

TEST_F(NumberBox, ReadsItsTextAsANumberAndAnythingElseAsZero)
{
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_FALSE(edit->Validate());
    EXPECT_EQ(edit->GetValue(), 0.0f);
    EXPECT_FLOAT_EQ(read("  3.5"), 3.5f);
    EXPECT_TRUE(edit->Validate());
    EXPECT_FLOAT_EQ(read("-2e3"), -2000.0f);
    EXPECT_EQ(read("1,000"), 0.0f);
    EXPECT_FALSE(edit->Validate());
    EXPECT_EQ(read("twelve"), 0.0f);
    EXPECT_EQ(edit->GetText(), "twelve") << "the text stays as typed";
    // A number a float cannot hold reads as none, not as infinity.
    EXPECT_EQ(read("1e39"), 0.0f);
    EXPECT_EQ(read("-1e300"), 0.0f);
    // The number type changes nothing.
    edit->SetNumberType(ntInteger);
    EXPECT_FLOAT_EQ(read("2.5"), 2.5f);
    EXPECT_TRUE(edit->Validate());
}

TEST_F(NumberBox, WritesNumbersWithSevenSignificantDigits)
{
    int changes = 0;
    edit->SetOnChange([&](TObject *) { ++changes; });
    const std::pair<float, String> cases[] = {
        {2.5f, "2.5"},      {100.0f, "100"},     {1234567.0f, "1234567"},
        {0.1f, "0.1"},      {0.0001f, "0.0001"}, {12345678.0f, "1.234568E7"},
        {0.00005f, "5E-5"}, {-1.25f, "-1.25"},   {0.0f, "0"},
    };
    for (const auto &[value, text] : cases) {
        edit->SetValue(value);
        EXPECT_EQ(edit->GetText(), text) << value;
    }
    EXPECT_EQ(changes, 9) << "every new text is a change";
}

TEST_F(NumberBox, AnEditWithoutAParentReportsItsChangesAndNoneWhenPlaced)
{
    TNumberEdit loose(nullptr);
    int changes = 0;
    loose.SetOnChange([&](TObject *sender) {
        EXPECT_EQ(sender, &loose);
        ++changes;
    });
    loose.SetValue(2.5f);
    EXPECT_EQ(changes, 1);
    loose.SetValue(2.5f); // the same text: no change
    EXPECT_EQ(changes, 1);

    loose.SetParent(form.get());
    form->Show();
    auto *line = qobject_cast<QLineEdit *>(loose.Widget());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "2.5");
    EXPECT_EQ(changes, 1) << "placing it changes no text";
    loose.SetValue(3.0f);
    EXPECT_EQ(changes, 2);
    loose.SetParent(nullptr);
}

TEST_F(NumberBox, UsesTheDecimalSeparatorOfTheFormatSettings)
{
    const QScopedValueRollback<char> comma(FormatSettings.DecimalSeparator, ',');
    EXPECT_FLOAT_EQ(read("3,5"), 3.5f);
    EXPECT_EQ(read("3.5"), 0.0f);
    edit->SetValue(-1.25f);
    EXPECT_EQ(edit->GetText(), "-1,25");
}

TEST_F(NumberBox, ShowsItsTextRightAligned)
{
    auto *line = qobject_cast<QLineEdit *>(edit->Widget());
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->alignment() & Qt::AlignRight);
    // Also once its window is made anew.
    edit->RecreateWnd();
    EXPECT_TRUE(qobject_cast<QLineEdit *>(edit->Widget())->alignment() & Qt::AlignRight);
}

TEST_F(NumberBox, FormsStoreTheNumberOnlyWhenItIsNotZeroAndNeverTheText)
{
    edit->SetText("not a number");
    String text = WriteComponentToText(*form);
    EXPECT_EQ(text.find("Value"), String::npos) << text;
    EXPECT_EQ(text.find("  Text = "), String::npos) << text;
    EXPECT_EQ(text.find("NumberType"), String::npos) << text;

    edit->SetValue(2.5f);
    edit->SetNumberType(ntFloat);
    text = WriteComponentToText(*form);
    EXPECT_NE(text.find("    Value = 2.5\n"), String::npos) << text;
    EXPECT_NE(text.find("    NumberType = ntFloat\n"), String::npos) << text;

    TForm copy(nullptr);
    ReadComponentFromText(copy, text, "copy.dfm");
    auto *read = dynamic_cast<TNumberEdit *>(copy.FindComponent("NumberEdit1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetText(), "2.5");
    EXPECT_EQ(read->NumberType(), ntFloat);
    EXPECT_EQ(ComponentPalettePage(TNumberEdit::StaticClassInfo()), "Marrow 2");
}
