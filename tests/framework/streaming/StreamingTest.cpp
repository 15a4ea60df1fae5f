#include "framework/Streaming.h"

#include "tests/framework/streaming/StreamingTestClasses.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

String readFixture(const char *name)
{
    QFile file(sourcePath(QStringLiteral("tests/framework/streaming/") + QLatin1String(name)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QByteArray data = file.readAll();
    return String(data.constData(), static_cast<std::size_t>(data.size()));
}

class FormDescription : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        LoadedCalls.clear();
    }
    void TearDown() override { EXPECT_EQ(LivePanels, 0) << "a panel outlived its form"; }
};

TTestForm &asForm(const std::unique_ptr<TComponent> &c)
{
    auto *form = dynamic_cast<TTestForm *>(c.get());
    EXPECT_NE(form, nullptr);
    return *form;
}

void expectSampleValues(TTestForm &form)
{
    EXPECT_EQ(form.Name(), "SampleForm");
    EXPECT_EQ(form.Left(), 16);
    EXPECT_EQ(form.Caption(),
              "It's a 'form' with a joined line\r\nand \xC3\xBCmlauts, \xC3\xBC and \xC3\xBC");
    EXPECT_EQ(form.Tag(), std::numeric_limits<std::int64_t>::min());
    EXPECT_FALSE(form.Visible());
    EXPECT_DOUBLE_EQ(form.Ratio(), 1.5e10);
    EXPECT_TRUE(form.Borders().Empty());
    EXPECT_EQ(form.Font()->Name(), "Arial");
    EXPECT_EQ(form.Font()->Color(), 0xFF0000);
    EXPECT_EQ(form.Font()->Style(), (TTestFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(form.Font()->Height(), -11);

    ASSERT_NE(form.Images1, nullptr);
    EXPECT_EQ(form.Images1->Count(), 2);
    ASSERT_NE(form.Panel1, nullptr);
    TTestPanel &panel = *form.Panel1;
    EXPECT_EQ(panel.Owner(), &form);
    EXPECT_EQ(panel.GetParentComponent(), &form);
    EXPECT_EQ(panel.Left(), -8);
    EXPECT_EQ(panel.Align(), taClient);
    EXPECT_EQ(panel.Font()->Height(), -13);
    EXPECT_EQ(panel.Images(), form.Images1);
    EXPECT_EQ(panel.Lines()->ToVector(),
              (std::vector<String>{"first line", "", "third, with \ttab"}));
    ASSERT_EQ(panel.Columns()->Count(), 2);
    auto *logon = static_cast<TTestColumn *>(panel.Columns()->Items(0));
    auto *fullName = static_cast<TTestColumn *>(panel.Columns()->Items(1));
    EXPECT_EQ(logon->Caption(), "Logon");
    EXPECT_EQ(logon->Width(), 140);
    EXPECT_EQ(fullName->Caption(), "Full name");
    EXPECT_EQ(fullName->Width(), 50);
    EXPECT_EQ(panel.Data(), (std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0xFF, 0x7F}));

    ASSERT_NE(form.Button1, nullptr);
    EXPECT_EQ(form.Button1->Owner(), &form);
    EXPECT_EQ(form.Button1->GetParentComponent(), form.Panel1);
    EXPECT_EQ(form.Button1->Caption(), "Press");

    form.clicks = 0;
    form.OnClick()(&form);
    form.Button1->OnClick()(form.Button1);
    EXPECT_EQ(form.clicks, 11);
}

} // namespace

TEST_F(FormDescription, SampleReadsWritesAsTheGoldenTextAndReadsBackTheSame)
{
    const auto form = ReadNewComponentFromText(readFixture("sample.dfm"), "sample.dfm");
    expectSampleValues(asForm(form));

    const String written = WriteComponentToText(*form);
    EXPECT_EQ(written, readFixture("sample.golden.dfm"));

    const auto again = ReadNewComponentFromText(written, "written");
    expectSampleValues(asForm(again));
    EXPECT_EQ(WriteComponentToText(*again), written);
}

TEST_F(FormDescription, ReadIntoAnExistingFormSetsFieldsStatesAndCallsLoadedOnceAfterAll)
{
    TTestForm form(nullptr);
    ReadComponentFromText(form, readFixture("sample.dfm"), "sample.dfm");
    expectSampleValues(form);
    EXPECT_TRUE(form.captionSetWhileReading);
    EXPECT_TRUE(form.Button1->captionSetWhileReading);

    // Root first, then in creation order; each still loading, none still reading.
    ASSERT_EQ(LoadedCalls.size(), 4u);
    const std::vector<String> order{"SampleForm", "Images1", "Panel1", "Button1"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(LoadedCalls[i].name, order[i]);
        EXPECT_TRUE(LoadedCalls[i].loading) << order[i];
        EXPECT_FALSE(LoadedCalls[i].anyStillReading) << order[i];
    }
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_TRUE(form.Components(i)->ComponentState().Empty());
    EXPECT_TRUE(form.ComponentState().Empty());
}

TEST_F(FormDescription, DescriptionsShipAsResourcesNamedAfterTheClass)
{
    String text;
    EXPECT_TRUE(FindFormResource("TTestForm", text));
    EXPECT_EQ(text, readFixture("sample.dfm"));
    EXPECT_FALSE(FindFormResource("TNoSuchForm", text));
    EXPECT_FALSE(FindFormResource("../forms/TTESTFORM", text));
    EXPECT_FALSE(FindFormResource("", text));
}

TEST_F(FormDescription, WriterSkipsDefaultsAndUnstoredValuesAndKeepsEmptyCollections)
{
    TTestForm form(nullptr);
    form.SetName("Bare");
    EXPECT_EQ(WriteComponentToText(form), "object Bare: TTestForm\n"
                                          "  Columns = <>\n"
                                          "end\n");

    form.SetCaption("-"); // its Stored predicate says no
    form.SetBorders({});  // differs from the default [fsBold]
    form.SetRatio(2);     // a float that looks whole
    form.SetOnClick(TNotifyEvent(&form, &TTestForm::OtherClick)); // bound in code
    form.Font()->SetColor(0x123456);                              // a colour without a name
    EXPECT_EQ(WriteComponentToText(form), "object Bare: TTestForm\n"
                                          "  Borders = []\n"
                                          "  Ratio = 2.0\n"
                                          "  Font.Color = 1193046\n"
                                          "  Columns = <>\n"
                                          "  OnClick = OtherClick\n"
                                          "end\n");

    form.SetRatio(std::numeric_limits<double>::quiet_NaN());
    EXPECT_THROW(WriteComponentToText(form), EWriteError);
}

TEST_F(FormDescription, LongAndControlCharacterStringsSurviveTheRoundTrip)
{
    TTestForm form(nullptr);
    form.SetName("Texts");
    String longText;
    for (int i = 0; i < 150; ++i)
        longText += static_cast<char>('a' + i % 26);
    longText += "\xC3\xA9'\x7F\x01 end";
    const std::vector<String> samples{
        longText, "", "''", "#13", "tab\there", "\r\n", String("nul\0in", 6)};
    for (const String &sample : samples) {
        form.SetCaption(sample);
        form.Lines()->Clear();
        form.Lines()->Add(sample);
        const String text = WriteComponentToText(form);
        for (char c : text)
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 32 || c == '\n') << text;
        TTestForm back(nullptr);
        ReadComponentFromText(back, text, "texts");
        EXPECT_EQ(back.Caption(), sample) << text;
        EXPECT_EQ(back.Lines()->ToVector(), std::vector<String>{sample});
    }

    // 64 characters a line, a multi-byte character kept whole.
    form.SetCaption(longText);
    const String text = WriteComponentToText(form);
    EXPECT_NE(text.find("  Caption =\n    "
                        "'abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijkl' +\n"),
              String::npos)
        << text;
}

TEST_F(FormDescription, BinaryDataIsWrittenThirtyTwoBytesALine)
{
    TTestForm form(nullptr);
    form.SetName("Bytes");
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    form.SetData(bytes);
    const String text = WriteComponentToText(form);
    EXPECT_NE(
        text.find(
            "  Data = {\n    00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9\n"
            "    E0E7EEF5FC030A11}\n"),
        String::npos)
        << text;
    TTestForm back(nullptr);
    ReadComponentFromText(back, text, "bytes");
    EXPECT_EQ(back.Data(), bytes);
}

// ---------------------------------------------------------------- bad input --

namespace {

struct BadInput
{
    const char *label;
    String text;
    int line;
    const char *says;
};

String nested(int depth)
{
    String text = "object F: TTestForm\n";
    for (int i = 0; i < depth; ++i)
        text += "object P" + std::to_string(i) + ": TTestPanel\n";
    for (int i = 0; i <= depth; ++i)
        text += "end\n";
    return text;
}

} // namespace

TEST_F(FormDescription, BadInputNamesTheLineAndWhatWasExpectedAndLeavesNothingBehind)
{
    // Panel1 exists and P2 is being read when line 5 goes wrong.
    const String head = "object F: TTestForm\n  object Panel1: TTestPanel\n  end\n"
                        "  object P2: TTestPanel\n";
    const String tail = "  end\nend\n";
    const auto bad = [&](const String &line) { return head + "    " + line + "\n" + tail; };
    const std::vector<BadInput> cases{
        {"empty", "", 1, "'object' expected, found end of file"},
        {"garbage", "hello world", 1, "'object' expected, found 'hello'"},
        {"no name or class", "object\n", 2, "component name expected"},
        {"bad name", "object F: TTestForm\n  object 9: TTestPanel\n", 2,
         "component name expected, found '9'"},
        {"missing =", bad("Left 3"), 5, "'=' expected, found '3'"},
        {"missing value", bad("Left ="), 6, "value expected, found 'end'"},
        {"missing end", head + "    Left = 3\n", 6, "'end' expected, found end of file"},
        {"trailing text", head + tail + "object", 7, "end of file expected"},
        {"property after children",
         "object F: TTestForm\n  object A: TTestPanel\n  end\n  Left = 3\nend\n", 4,
         "'object' or 'end' expected, found 'Left'"},
        {"control character", bad("\x01"), 5, "found character #1"},
        {"unknown property", bad("Colour = 3"), 5, "property Colour does not exist in TTestPanel"},
        {"unknown nested property", bad("Font.Weight = 3"), 5,
         "property Weight does not exist in TTestFont"},
        {"no such object", bad("Left.Size = 3"), 5, "has no properties"},
        {"object assigned", bad("Font = 3"), 5, "Font.Name) expected"},
        {"wrong value kind", bad("Left = 'three'"), 5, "integer expected"},
        {"unknown literal", bad("Align = taMiddle"), 5, "not a TTestAlign literal"},
        {"unknown colour", bad("Font.Color = clPurple"), 5, "not a known value"},
        {"bad set", bad("Borders = [fsBold fsItalic]"), 5, "',' or ']' expected"},
        {"unknown class", bad("object X: TUnknown end"), 5, "class TUnknown not found"},
        {"not a component", bad("object X: TTestFont end"), 5,
         "TTestFont is not a component class"},
        {"duplicate names", bad("object panel1: TTestPanel end"), 5,
         "A component named panel1 already exists"},
        {"unknown method", bad("OnClick = Vanish"), 5, "method Vanish not found in TTestForm"},
        {"method of another kind", bad("OnClick = Resized"), 5, "wrong parameters"},
        {"unknown reference", bad("Images = Nowhere"), 5, "component Nowhere not found"},
        {"reference of another class", bad("Images = Panel1"), 5, "is not a TTestImages"},
        {"unterminated string", bad("Caption = 'abc"), 5, "unterminated string"},
        {"string cut by end of file", head + "    Caption = 'abc", 5, "unterminated string"},
        {"dangling +", bad("Caption = 'abc' +"), 6, "string expected, found 'end'"},
        {"character code too big", bad("Caption = #1114112"), 5, "character code out of range"},
        {"surrogate code", bad("Caption = #$D800"), 5, "character code out of range"},
        {"huge integer", bad("Tag = 9223372036854775808"), 5, "integer out of range"},
        {"huge negative", bad("Tag = -9223372036854775809"), 5, "integer out of range"},
        {"huge hex", bad("Tag = $10000000000000000"), 5, "out of range"},
        {"huge float", bad("Ratio = 1E999"), 5, "number out of range"},
        {"bad number", bad("Left = 12abc"), 5, "digit expected"},
        {"odd binary", bad("Data = {ABC}"), 5, "odd number of hexadecimal digits"},
        {"bad binary", bad("Data = {AZ}"), 5, "hexadecimal digit expected"},
        {"cut binary", head + "    Data = {AB\n", 6, "'}' expected"},
        {"bad collection", bad("Columns = <thing>"), 5, "'item' or '>' expected"},
        {"collection item property", bad("Columns = <item Height = 3 end>"), 5,
         "property Height does not exist in TTestColumn"},
        {"strings not a list", bad("Lines.Strings = 'x'"), 5, "list of strings expected"},
        {"cut list", head + "    Lines.Strings = ('a'\n", 6, "')' expected"},
        {"NUL byte", bad("Caption = 'a" + String(1, '\0') + "'"), 5, "NUL byte"},
        {"wrong root class", "object F: TTestPanel2\nend\n", 1, "not the class of TTestForm"},
        {"too deep", nested(MaxFormNesting), MaxFormNesting + 1, "nesting deeper than 256"},
        {"lists too deep", bad("Lines.Strings = " + String(100000, '(')), 5, "nesting deeper"},
        {"collection of nonsense", bad("Columns = " + String(100000, '<')), 5, "'item' or '>'"},
    };

    for (const BadInput &c : cases) {
        SCOPED_TRACE(c.label);
        TTestForm form(nullptr);
        form.SetName("Before");
        try {
            ReadComponentFromText(form, c.text, "bad.dfm");
            ADD_FAILURE() << "no error";
        } catch (const EReadError &e) {
            const String prefix = "bad.dfm:" + std::to_string(c.line) + ": ";
            EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << e.Message();
            EXPECT_NE(e.Message().find(c.says), String::npos) << e.Message();
        }
        EXPECT_EQ(form.ComponentCount(), 0);
        EXPECT_EQ(form.Panel1, nullptr);
        EXPECT_EQ(form.Images(), nullptr);
        EXPECT_EQ(form.Name(), "Before");
        EXPECT_TRUE(form.ComponentState().Empty());
        EXPECT_TRUE(LoadedCalls.empty());
        EXPECT_EQ(LivePanels, 1);
    }
}

TEST_F(FormDescription, NestingUpToTheLimitIsRead)
{
    TTestForm form(nullptr);
    ReadComponentFromText(form, nested(MaxFormNesting - 1), "deep.dfm");
    EXPECT_EQ(form.ComponentCount(), MaxFormNesting - 1);
    EXPECT_NE(
        WriteComponentToText(form).find(String(2 * (MaxFormNesting - 1), ' ') + "object P254"),
        String::npos);
}

TEST_F(FormDescription, AFailureLateInTheTextFreesEverythingTheReadCreated)
{
    // Fields, references and nested panels all exist when the last line fails.
    String text = readFixture("sample.dfm");
    text.replace(text.rfind("end"), 3, "  Left = 'late'\nend");
    TTestForm form(nullptr);
    EXPECT_THROW(ReadComponentFromText(form, text, "late.dfm"), EReadError);
    EXPECT_EQ(form.ComponentCount(), 0);
    EXPECT_EQ(form.Panel1, nullptr);
    EXPECT_EQ(form.Button1, nullptr);
    EXPECT_EQ(form.Images1, nullptr);
    EXPECT_EQ(LivePanels, 1);

    EXPECT_THROW(ReadNewComponentFromText(text, "late.dfm"), EReadError);
    EXPECT_EQ(LivePanels, 1);

    // A reference from the root to a component that goes is taken back too.
    TTestForm other(nullptr);
    EXPECT_THROW(ReadComponentFromText(other,
                                       "object F: TTestForm\n  Images = Imgs\n"
                                       "  object Imgs: TTestImages\n  end\n"
                                       "  object P: TTestPanel\n    Images = Ghost\n  end\nend\n",
                                       "refs.dfm"),
                 EReadError);
    EXPECT_EQ(other.Images(), nullptr);
    EXPECT_EQ(other.ComponentCount(), 0);
}

TEST_F(FormDescription, InheritedBlocksReadIntoComponentsThatExist)
{
    TTestForm form(nullptr);
    auto *panel = new TTestPanel(&form);
    panel->SetName("Panel1");
    ReadComponentFromText(form,
                          "inherited F: TTestPanel\n"
                          "  inherited Panel1: TTestPanel [0]\n    Left = 5\n  end\n"
                          "  object Extra: TTestPanel\n  end\nend\n",
                          "inherited.dfm");
    EXPECT_EQ(panel->Left(), 5);
    EXPECT_EQ(form.Name(), "F");
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(LoadedCalls.size(), 3u);
}
