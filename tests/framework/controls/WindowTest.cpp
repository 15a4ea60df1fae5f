#include "framework/Streaming.h"
#include "tests/framework/controls/SampleForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QRect geometryOf(TControl *control)
{
    return control->Widget()->geometry();
}

// The windowed controls in the order Tab visits them, read from Qt's chain.
std::vector<TWinControl *> focusChain(TWinControl *parent)
{
    std::map<QWidget *, TWinControl *> byWidget;
    for (TWinControl *c : parent->TabList())
        byWidget[c->Widget()] = c;
    std::vector<TWinControl *> order;
    QWidget *first = parent->TabList().front()->Widget();
    QWidget *w = first;
    do {
        if (auto it = byWidget.find(w); it != byWidget.end())
            order.push_back(it->second);
        w = w->nextInFocusChain();
    } while (w && w != first && order.size() < byWidget.size());
    return order;
}

} // namespace

TEST(SampleWindow, ShowsItsControlsWhereTheDescriptionPutsThem)
{
    TApplication application;
    application.Initialize();
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    ASSERT_NE(form, nullptr);
    form->Show();
    QApplication::processEvents();

    const QImage shot = form->Widget()->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(385, 345));
    EXPECT_EQ(form->Widget()->windowTitle(), QStringLiteral("Tumblerset"));
    EXPECT_EQ(form->Widget()->pos(), QPoint(361, 241));

    EXPECT_EQ(geometryOf(form->tbServer), QRect(56, 8, 153, 21));
    EXPECT_EQ(geometryOf(form->btnReset), QRect(148, 200, 89, 25));
    EXPECT_EQ(geometryOf(form->Memo1), QRect(8, 232, 369, 77));
    EXPECT_EQ(geometryOf(form->btnConnect), QRect(216, 8, 61, 25));
    EXPECT_EQ(geometryOf(form->cbAll), QRect(284, 12, 97, 17));
    EXPECT_EQ(geometryOf(form->Button1), QRect(304, 316, 75, 25));
    EXPECT_EQ(geometryOf(form->Link), QRect(60, 320, 225, 17));
    // An auto-sized label keeps its place and fits its caption.
    EXPECT_EQ(form->Server->Left(), 12);
    EXPECT_EQ(form->Server->Top(), 12);
    EXPECT_GT(form->Server->Width(), 20);
    // Labels take the form's colour; edits keep their own.
    EXPECT_EQ(form->Server->Color(), clBtnFace);
    EXPECT_TRUE(form->Server->ParentColor());
    EXPECT_EQ(form->tbServer->Color(), clWindow);
    const QImage labelShot = form->Server->Widget()->grab().toImage();
    EXPECT_EQ(labelShot.pixelColor(labelShot.width() - 1, labelShot.height() - 1),
              form->Widget()->palette().color(QPalette::Window));

    EXPECT_EQ(qobject_cast<QPushButton *>(form->btnReset->Widget())->text(),
              QStringLiteral("Reset lockout"));
    EXPECT_FALSE(form->btnReset->Widget()->isEnabled());
    // A disabled button's caption is greyed, not drawn in the font's colour.
    const QPalette pal = form->btnReset->Widget()->palette();
    EXPECT_NE(pal.color(QPalette::Disabled, QPalette::ButtonText),
              pal.color(QPalette::Active, QPalette::ButtonText));
    EXPECT_EQ(qobject_cast<QCheckBox *>(form->cbAll->Widget())->text(),
              QStringLiteral("Show all users"));
    EXPECT_FALSE(form->cbAll->Checked());
    EXPECT_EQ(form->tbServer->Text(), "");
    auto *memo = qobject_cast<QPlainTextEdit *>(form->Memo1->Widget());
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // The labels paint their captions: the link in blue over the form's face.
    const QRect link = geometryOf(form->Link);
    bool blue = false;
    for (int y = link.top(); y <= link.bottom() && !blue; ++y)
        for (int x = link.left(); x <= link.right() && !blue; ++x) {
            const QColor c = shot.pixelColor(x, y);
            blue = c.blue() > 150 && c.red() < 100 && c.green() < 100;
        }
    EXPECT_TRUE(blue) << "the link label shows no blue text";
    const QColor face = shot.pixelColor(380, 100);
    const auto btnFace = static_cast<std::uint32_t>(ColorToRGB(clBtnFace));
    EXPECT_EQ(face, QColor(GetRValue(btnFace), GetGValue(btnFace), GetBValue(btnFace)));
}

TEST(SampleWindow, IsAFixedSizeDialogWithoutMinimiseOrMaximise)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    QWidget *w = form->Widget();
    EXPECT_EQ(w->minimumSize(), QSize(385, 345));
    EXPECT_EQ(w->maximumSize(), QSize(385, 345));
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    // The client size can still be set by the program.
    form->SetClientWidth(400);
    EXPECT_EQ(w->size(), QSize(400, 345));
    EXPECT_EQ(form->ClientWidth(), 400);
}

TEST(SampleWindow, FontsFollowTheDescription)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    // Height -11 is 8 points at 96 pixels per inch, drawn 11 pixels high.
    EXPECT_EQ(form->Font()->Size(), 8);
    EXPECT_EQ(form->tbServer->Widget()->font().pixelSize(), 11);
    // Controls without a font of their own take the form's.
    EXPECT_TRUE(form->Server->ParentFont());
    EXPECT_EQ(form->Server->Font()->Name(), "MS Sans Serif");
    EXPECT_FALSE(form->Link->ParentFont());
    EXPECT_EQ(form->Link->Font()->Color(), clBlue);
    EXPECT_TRUE(form->Link->Font()->Style().Contains(fsUnderline));
    EXPECT_EQ(form->Link->Widget()->cursor().shape(), Qt::PointingHandCursor);
}

TEST(SampleWindow, HintsShowAsTooltipsAsTyped)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    // The backslash and the n stay two characters.
    EXPECT_EQ(form->tbServer->Widget()->toolTip(),
              QStringLiteral("Type the name of the domain server here. \\nLeave blank to get the "
                             "list of local users"));
    EXPECT_EQ(form->Memo1->Widget()->toolTip(), QStringLiteral("Message pane"));
    EXPECT_TRUE(form->Server->Widget()->toolTip().isEmpty());

    // Without ShowHint on the form, no control shows its hint.
    form->SetShowHint(false);
    EXPECT_TRUE(form->tbServer->Widget()->toolTip().isEmpty());
    form->SetShowHint(true);
    EXPECT_FALSE(form->tbServer->Widget()->toolTip().isEmpty());

    // A hint that looks like markup still shows as typed; '|' ends the short hint.
    form->Memo1->SetHint("<b>bold</b> & more|long help");
    QString tip = form->Memo1->Widget()->toolTip();
    EXPECT_TRUE(tip.contains(QStringLiteral("&lt;b&gt;bold&lt;/b&gt;")));
    EXPECT_FALSE(tip.contains(QStringLiteral("long help")));
}

TEST(SampleWindow, TabVisitsTheControlsInTabOrder)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    const std::vector<TWinControl *> expected{form->tbServer, form->btnConnect, form->cbAll,
                                              form->btnReset, form->Memo1,      form->Button1};
    EXPECT_EQ(form->TabList(), expected);
    EXPECT_EQ(form->Memo1->TabOrder(), 4);
    EXPECT_EQ(focusChain(form), expected);

    // Moving a control in the order shifts the others and the Qt chain.
    form->Button1->SetTabOrder(0);
    EXPECT_EQ(form->Button1->TabOrder(), 0);
    EXPECT_EQ(form->tbServer->TabOrder(), 1);
    EXPECT_EQ(focusChain(form).front(), form->Button1);
    EXPECT_EQ(focusChain(form)[1], form->tbServer);
}

TEST(SampleWindow, OnCreateFiresOnceTheConstructorHasFinished)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    EXPECT_EQ(form->creates, 1);
    EXPECT_TRUE(form->fieldsSetAtCreate);
    EXPECT_EQ(application.MainForm(), form);

    // A second form is not the main form.
    TSampleForm *second = nullptr;
    application.CreateForm(second);
    EXPECT_EQ(application.MainForm(), form);
}

TEST(SampleWindow, ButtonsClickOnceAndCloseEndsTheApplication)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    form->Show();
    QTest::mouseClick(form->btnConnect->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->connects, 1);
    // A disabled button does not click.
    QTest::mouseClick(form->btnReset->Widget(), Qt::LeftButton);

    QTest::mouseClick(form->Button1->Widget(), Qt::LeftButton);
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(form->Widget()->isVisible());
    // Run returns at once once the application is terminated.
    application.Run();
}

TEST(SampleWindow, TheWindowsCloseButtonClosesTheFormThroughClose)
{
    TApplication application;
    TSampleForm *form = nullptr;
    application.CreateForm(form);
    bool asked = false;
    form->SetOnCloseQuery(TCloseQueryEvent([&](TObject *, bool &canClose) {
        asked = true;
        canClose = false;
    }));
    form->Show();
    form->Widget()->close();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(form->Widget()->isVisible()) << "a refused close keeps the window";
    EXPECT_FALSE(application.Terminated());
}

TEST(SampleWindow, AFormWithoutADescriptionSaysWhichIsMissing)
{
    class TNoResourceForm : public TForm
    {
    public:
        explicit TNoResourceForm(TComponent *AOwner) : TForm(AOwner) { LoadFormDescription(); }
    };
    TApplication application;
    try {
        TNoResourceForm form(nullptr);
        FAIL() << "no exception";
    } catch (const EResNotFound &e) {
        // The class has no name of its own, so it looks for the TForm description.
        EXPECT_NE(e.Message().find("not found"), String::npos);
    }
}

TEST(SampleWindow, PicturesAndImageListsTravelThroughDescriptions)
{
    TApplication application;
    application.Initialize();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Pictures");
    auto *image = new TImage(form.get());
    image->SetName("Image1");
    image->SetParent(form.get());
    image->SetAutoSize(true);
    image->Picture()->Bitmap()->SetSize(5, 4);
    image->Picture()->Bitmap()->Canvas()->SetPixel(2, 1, clRed);
    auto *list = new TImageList(form.get());
    list->SetName("ImageList1");
    TBitmap cell;
    cell.SetSize(16, 16);
    cell.Canvas()->SetPixel(3, 3, clBlue);
    list->AddMasked(&cell, clWhite);

    const String text = WriteComponentToText(*form);
    const auto again = ReadNewComponentFromText(text, "pictures.dfm");
    auto *image2 = dynamic_cast<TImage *>(again->FindComponent("Image1"));
    auto *list2 = dynamic_cast<TImageList *>(again->FindComponent("ImageList1"));
    ASSERT_TRUE(image2 && list2);
    EXPECT_EQ(image2->Width(), 5);
    EXPECT_EQ(image2->Picture()->Bitmap()->Canvas()->Pixel(2, 1), clRed);
    ASSERT_EQ(list2->Count(), 1);
    EXPECT_EQ(list2->Image(0), list->Image(0));
}

TEST(SampleWindow, ADamagedPictureInADescriptionIsAClearReadError)
{
    TApplication application;
    application.Initialize();
    const char *text = "object Broken: TForm\n"
                       "  object Image1: TImage\n"
                       "    Picture.Data = {89504E470D0A1A0A0000}\n"
                       "  end\n"
                       "  object ImageList1: TImageList\n"
                       "  end\n"
                       "end\n";
    TForm form(nullptr);
    try {
        ReadComponentFromText(form, text, "broken.dfm");
        FAIL() << "no exception";
    } catch (const EReadError &e) {
        EXPECT_NE(e.Message().find("broken.dfm:3"), String::npos) << e.Message();
    }
    EXPECT_EQ(form.ComponentCount(), 0) << "nothing half-read is left";
    EXPECT_EQ(form.ControlCount(), 0);

    const char *list = "object Broken: TForm\n"
                       "  object ImageList1: TImageList\n"
                       "    Bitmap = {54494C31100010000100}\n"
                       "  end\n"
                       "end\n";
    EXPECT_THROW(ReadComponentFromText(form, list, "list.dfm"), EReadError);
    EXPECT_EQ(form.ComponentCount(), 0);
}
