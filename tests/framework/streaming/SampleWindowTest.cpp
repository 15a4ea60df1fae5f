#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/Streaming.h"

#include <QAbstractButton>
#include <QImage>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const char *const SampleWindow = R"(object SampleWindow: TForm
  Left = 200
  Top = 100
  BorderStyle = bsDialog
  Caption = 'Sample'
  ClientWidth = 240
  ClientHeight = 120
  Color = clBtnFace
  object Label1: TLabel
    Left = 8
    Top = 12
    Caption = 'Name:'
    Font.Color = clBlack
  end
  object Edit1: TEdit
    Left = 56
    Top = 8
    Width = 121
    Height = 21
    Text = 'Zo'#235' ''Q'''
  end
  object Button1: TButton
    Left = 8
    Top = 80
    Width = 75
    Height = 25
    Caption = 'OK'
  end
end
)";

// The form and controls a sample window description must give.
void expectSampleWindow(TComponent &root)
{
    auto *form = dynamic_cast<TForm *>(&root);
    ASSERT_NE(form, nullptr);
    auto *label = dynamic_cast<TLabel *>(form->FindComponent("Label1"));
    auto *edit = dynamic_cast<TEdit *>(form->FindComponent("Edit1"));
    auto *button = dynamic_cast<TButton *>(form->FindComponent("Button1"));
    ASSERT_TRUE(label && edit && button);
    EXPECT_EQ(label->Parent(), form);
    EXPECT_EQ(edit->Parent(), form);
    EXPECT_EQ(button->Parent(), form);

    form->Show();
    QImage shot = form->Widget()->grab().toImage();
    EXPECT_EQ(shot.width(), 240);
    EXPECT_EQ(shot.height(), 120);

    auto *line = qobject_cast<QLineEdit *>(edit->Widget());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->geometry(), QRect(56, 8, 121, 21));
    EXPECT_EQ(line->text(), QString::fromUtf8("Zo\xC3\xAB 'Q'"));
    auto *push = qobject_cast<QAbstractButton *>(button->Widget());
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->geometry(), QRect(8, 80, 75, 25));
    EXPECT_EQ(push->text(), QStringLiteral("OK"));

    // The label paints its caption on the form: some of its pixels differ
    // from the form's face, which an empty corner still shows.
    EXPECT_EQ(label->Left(), 8);
    EXPECT_EQ(label->Top(), 12);
    EXPECT_EQ(label->Caption(), "Name:");
    const QRgb face = shot.pixel(230, 60);
    bool inked = false;
    for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
        for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
            inked = inked || shot.pixel(x, y) != face;
    EXPECT_TRUE(inked) << "the label painted nothing";
}

} // namespace

TEST(SampleWindow, ReadFromItsDescriptionShowsItsControlsWhereTheDescriptionSays)
{
    TApplication application;
    application.Initialize();
    const auto form = ReadNewComponentFromText(SampleWindow, "sample-window.dfm");
    expectSampleWindow(*form);

    // What the writer makes of a real window reads back the same.
    const String written = WriteComponentToText(*form);
    const auto again = ReadNewComponentFromText(written, "written");
    expectSampleWindow(*again);
    EXPECT_EQ(WriteComponentToText(*again), written);
}

TEST(SampleWindow, AControlNestedInOneThatHoldsNoControlsIsRefusedWithItsLine)
{
    TApplication application;
    application.Initialize();
    const String text = "object F: TForm\n"
                        "  object Label1: TLabel\n"
                        "    object Button1: TButton\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    try {
        ReadNewComponentFromText(text, "nested.dfm");
        FAIL() << "read a button placed on a label";
    } catch (const EReadError &e) {
        EXPECT_EQ(String(e.what()),
                  "nested.dfm:3: Button1 cannot be placed on Label1, which holds no controls");
    }
}
