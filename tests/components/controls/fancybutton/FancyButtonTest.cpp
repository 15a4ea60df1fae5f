#include "components/controls/FancyButton.h"

#include "framework/ActnList.h"
#include "framework/Forms.h"
#include "framework/Streaming.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts its paints, so a test can tell a repaint at once from none.
class CountingButton : public TFancyButton
{
public:
    using TFancyButton::TFancyButton;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        TFancyButton::Paint();
    }
};

std::unique_ptr<TBitmap> strip(int Width, int Height)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Width, Height);
    b->Canvas()->Brush()->SetColor(clTeal);
    b->Canvas()->FillRect(Rect(0, 0, Width, Height));
    return b;
}

// Buttons on a shown form, driven by real Qt mouse and key events.
class Buttons : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 100);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    }

    CountingButton *add(int Left, const String &Caption = "")
    {
        auto *b = new CountingButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(Left, 10, 40, 30);
        b->SetCaption(Caption);
        b->SetOnClick(TNotifyEvent([this](TObject *Sender) { clicks.push_back(Sender); }));
        b->SetOnDblClick(TNotifyEvent([this](TObject *Sender) { doubleClicks.push_back(Sender); }));
        return b;
    }

    static QWidget *w(TControl *C) { return C->Widget(); }
    static void click(TControl *C) { QTest::mouseClick(w(C), Qt::LeftButton, {}, QPoint(5, 5)); }
    // As a desktop sends a double click: press, release, double-click press,
    // release.
    static void doubleClick(TControl *C)
    {
        click(C);
        const QPoint at(5, 5);
        QMouseEvent second(QEvent::MouseButtonDblClick, at, w(C)->mapToGlobal(at), Qt::LeftButton,
                           Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w(C), &second);
        QTest::mouseRelease(w(C), Qt::LeftButton, {}, at);
    }

    std::unique_ptr<TApplication> application;
    std::unique_ptr<TForm> form;
    std::vector<TObject *> clicks, doubleClicks;
};

} // namespace

TEST_F(Buttons, ANewButtonIsSmallRestingAndCapturesTheMouse)
{
    TFancyButton b(nullptr);
    EXPECT_EQ(b.Width(), 23);
    EXPECT_EQ(b.Height(), 22);
    EXPECT_EQ(b.State(), fbsMouseOut);
    EXPECT_EQ(b.GetNumGlyphs(), 1);
    EXPECT_TRUE(b.GetGlyph()->Empty());
    EXPECT_EQ(b.TextShadowColor(), clNone);
    EXPECT_EQ(b.ControlStyle(),
              (TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks}));
    EXPECT_FALSE(b.TabStop());
}

TEST_F(Buttons, SizeComesFromTheGlyphAndTheCellCount)
{
    TFancyButton b(nullptr);
    b.SetNumGlyphs(3); // no glyph: no size
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    auto four = strip(64, 16);
    b.SetGlyph(four.get());
    EXPECT_EQ(b.GetNumGlyphs(), 4);
    EXPECT_EQ(b.Width(), 16);
    EXPECT_EQ(b.Height(), 16);
    auto odd = strip(50, 16);
    b.SetGlyph(odd.get());
    EXPECT_EQ(b.GetNumGlyphs(), 4);
    EXPECT_EQ(b.Width(), 12);
    auto six = strip(96, 16);
    b.SetGlyph(six.get());
    EXPECT_EQ(b.GetNumGlyphs(), 1);
    EXPECT_EQ(b.Width(), 96);
    b.SetBounds(0, 0, 40, 40);
    b.SetNumGlyphs(1); // unchanged: no resize
    EXPECT_EQ(b.Width(), 40);
    b.SetNumGlyphs(9);
    EXPECT_EQ(b.GetNumGlyphs(), 5);
    EXPECT_EQ(b.Width(), 19);
    b.SetNumGlyphs(-3);
    EXPECT_EQ(b.GetNumGlyphs(), 1);
    b.SetGlyph(nullptr);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_THROW(b.SetModalResult(9), Exception);
}

TEST_F(Buttons, AButtonReadFromADescriptionTakesItsSizeFromItsGlyph)
{
    RegisterClasses<TFancyButton>();
    TForm source(nullptr);
    source.SetName("Source");
    auto *b = new TFancyButton(&source);
    b->SetName("Fancy1");
    b->SetParent(&source);
    auto glyph = strip(48, 16);
    b->SetGlyph(glyph.get());
    b->SetBounds(5, 6, 70, 80); // written before Glyph, overwritten by it
    b->SetCaption("&Go");
    const String text = WriteComponentToText(source);
    EXPECT_NE(text.find("Glyph.Data = {"), String::npos) << text;
    EXPECT_NE(text.find("NumGlyphs = 3"), String::npos) << text;

    TForm target(nullptr);
    ReadComponentFromText(target, text, "test");
    auto *read = dynamic_cast<TFancyButton *>(target.FindComponent("Fancy1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetNumGlyphs(), 3);
    EXPECT_EQ(read->Width(), 16);
    EXPECT_EQ(read->Height(), 16);
    EXPECT_EQ(read->Left(), 5);
    EXPECT_EQ(read->GetGlyph()->Width(), 48);
    EXPECT_EQ(read->Caption(), "&Go");
}

TEST_F(Buttons, ADescriptionKeepsACellCountTheStripsProportionsDoNotSuggest)
{
    RegisterClasses<TFancyButton>();
    TForm source(nullptr);
    source.SetName("Source");
    auto *b = new TFancyButton(&source);
    b->SetName("Fancy1");
    auto glyph = strip(64, 16);
    b->SetGlyph(glyph.get());
    ASSERT_EQ(b->GetNumGlyphs(), 4);
    b->SetNumGlyphs(2);
    const String text = WriteComponentToText(source);
    EXPECT_NE(text.find("NumGlyphs = 2"), String::npos) << text;

    TForm target(nullptr);
    ReadComponentFromText(target, text, "test");
    auto *read = dynamic_cast<TFancyButton *>(target.FindComponent("Fancy1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetNumGlyphs(), 2);
    EXPECT_EQ(read->Width(), 32);
    EXPECT_EQ(read->Height(), 16);
    EXPECT_NE(WriteComponentToText(target).find("NumGlyphs = 2"), String::npos);
}

TEST_F(Buttons, ADescriptionMaySetTagHelpAndSizeLimitsWhichTheSizeKeepsTo)
{
    RegisterClasses<TFancyButton>();
    TForm target(nullptr);
    const String text = "object Source: TForm\n"
                        "  object Fancy1: TFancyButton\n"
                        "    Left = 4\n"
                        "    Top = 5\n"
                        "    Width = 100\n"
                        "    Height = 50\n"
                        "    Tag = 7\n"
                        "    HelpType = htKeyword\n"
                        "    HelpKeyword = 'launch'\n"
                        "    HelpContext = 12\n"
                        "    Constraints.MaxHeight = 30\n"
                        "    Constraints.MaxWidth = 40\n"
                        "    Constraints.MinWidth = 20\n"
                        "  end\n"
                        "end\n";
    ReadComponentFromText(target, text, "fancy.dfm");
    auto *b = dynamic_cast<TFancyButton *>(target.FindComponent("Fancy1"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Tag(), 7);
    EXPECT_EQ(b->HelpType(), htKeyword);
    EXPECT_EQ(b->HelpKeyword(), "launch");
    EXPECT_EQ(b->HelpContext(), 12);
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(b->Height(), 30);

    // Every size afterwards keeps to them too, the glyph's among them.
    b->SetBounds(4, 5, 5, 5);
    EXPECT_EQ(b->Width(), 20);
    EXPECT_EQ(b->Height(), 5);
    auto glyph = strip(64, 64);
    b->SetGlyph(glyph.get());
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(b->Height(), 30);
    b->Constraints()->SetMaxHeight(0); // no limit: the glyph's height
    b->SetGlyph(glyph.get());
    EXPECT_EQ(b->Height(), 64);

    // Written back as they were read, defaults left out.
    const String written = WriteComponentToText(target);
    for (const char *line :
         {"Tag = 7", "HelpType = htKeyword", "HelpKeyword = 'launch'", "HelpContext = 12",
          "Constraints.MaxWidth = 40", "Constraints.MinWidth = 20"})
        EXPECT_NE(written.find(line), String::npos) << line << "\n" << written;
    EXPECT_EQ(written.find("MaxHeight"), String::npos) << written;
    EXPECT_EQ(written.find("MinHeight"), String::npos) << written;
}

TEST_F(Buttons, APlainButtonPressesFollowsThePointerAndClicksOnRelease)
{
    auto *b = add(10);
    b->SetModalResult(mrOk);
    QTest::mousePress(w(b), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->State(), fbsDown);
    EXPECT_EQ(GetCaptureControl(), b);
    QTest::mouseMove(w(b), QPoint(100, 5)); // dragged off
    EXPECT_EQ(b->State(), fbsUp);
    QTest::mouseMove(w(b), QPoint(6, 6)); // and back
    EXPECT_EQ(b->State(), fbsDown);
    QTest::mouseRelease(w(b), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(form->ModalResult(), mrOk);
    EXPECT_EQ(GetCaptureControl(), nullptr);
    EXPECT_NE(b->State(), fbsDown);

    // Dragged off and released: no click, but the form's result is written.
    form->SetModalResult(mrNone);
    QTest::mousePress(w(b), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(w(b), QPoint(100, 5));
    QTest::mouseRelease(w(b), Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(Buttons, AGroupKeepsOneButtonLatched)
{
    auto *a = add(10), *b = add(60), *c = add(110);
    for (auto *x : {a, b, c})
        x->SetGroupIndex(1);
    click(a);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), fbsExclusive);
    click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_NE(a->State(), fbsExclusive);
    click(b);
    EXPECT_TRUE(b->Down());
    b->SetDown(false); // refused: one must stay down
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(clicks.size(), 3u);

    // Released off a latched button: it stays latched.
    QTest::mousePress(w(b), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->State(), fbsExclusive);
    QTest::mouseRelease(w(b), Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(b->State(), fbsExclusive);

    // AllowAllUp on one member spreads to the group; then the latched one
    // rises on a click and none is down.
    c->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());
    EXPECT_TRUE(b->AllowAllUp());
    click(b);
    EXPECT_FALSE(a->Down() || b->Down() || c->Down());

    // Down by code latches only in a group.
    auto *alone = add(160);
    alone->SetDown(true);
    EXPECT_FALSE(alone->Down());
}

TEST_F(Buttons, ALatchedButtonShowsTheCheckeredFaceWhateverItPaintedBefore)
{
    // The checker alternates pixel by pixel; a plain face does not.
    const auto checkered = [](TControl *x) {
        const QImage shown = w(x)->grab().toImage();
        return shown.pixelColor(3, 3) != shown.pixelColor(4, 3) &&
               shown.pixelColor(3, 3) == shown.pixelColor(4, 4);
    };
    auto *a = add(10, "Go"), *b = add(60, "Go");
    a->SetGroupIndex(3);
    b->SetGroupIndex(3);
    b->SetAllowAllUp(true);
    EXPECT_FALSE(checkered(b));
    b->SetDown(true); // after a paint that drew its caption
    EXPECT_TRUE(checkered(b));
    a->SetDown(true);
    EXPECT_TRUE(checkered(a));
    EXPECT_FALSE(checkered(b));
    b->SetDown(true);
    EXPECT_TRUE(checkered(b));
}

TEST_F(Buttons, LatchingByCodeRepaintsAtOnce)
{
    auto *a = add(10), *b = add(60);
    a->SetGroupIndex(2);
    b->SetGroupIndex(2);
    for (auto *x : {a, b}) {
        // Whatever it showed before: resting, or hot.
        if (x == b)
            x->Perform(CM_MOUSEENTER);
        const int before = x->paints;
        x->SetDown(true);
        EXPECT_EQ(x->State(), fbsExclusive);
        EXPECT_GT(x->paints, before);
    }
    EXPECT_FALSE(a->Down());
}

TEST_F(Buttons, DoubleClicksClickOnceOrReportOnALatchedButton)
{
    auto *plain = add(10), *latched = add(60);
    doubleClick(plain);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_TRUE(doubleClicks.empty());

    latched->SetGroupIndex(3);
    latched->SetDown(true);
    clicks.clear();
    doubleClick(latched);
    EXPECT_EQ(doubleClicks.size(), 1u);
    EXPECT_EQ(clicks.size(), 1u); // the first press only
}

TEST_F(Buttons, EnterAndEscapeAnswerWhileTheButtonHasTheFocus)
{
    auto *ok = add(10), *cancel = add(60);
    ok->SetModalResult(mrOk);
    cancel->SetModalResult(mrCancel);
    ok->SetFocus();
    QTest::keyClick(w(ok), Qt::Key_Escape);
    EXPECT_TRUE(clicks.empty());
    QTest::keyClick(w(ok), Qt::Key_Return);
    EXPECT_EQ(clicks, std::vector<TObject *>{ok});
    EXPECT_EQ(form->ModalResult(), mrOk);
    cancel->SetFocus();
    QTest::keyClick(w(cancel), Qt::Key_Escape);
    EXPECT_EQ(clicks.back(), cancel);
    EXPECT_EQ(form->ModalResult(), mrCancel);
}

TEST_F(Buttons, AltAndTheAcceleratorClickWithoutLatching)
{
    auto *other = add(10, "&Other");
    auto *go = add(60, "&Go");
    go->SetGroupIndex(4);
    go->SetModalResult(mrOk);
    other->SetFocus();
    QTest::keyClick(w(other), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, std::vector<TObject *>{go});
    EXPECT_FALSE(go->Down());
    EXPECT_EQ(form->ModalResult(), mrNone);

    go->Hide();
    QTest::keyClick(w(other), Qt::Key_G, Qt::AltModifier);
    go->Show();
    go->SetState(fbsDisabled);
    QTest::keyClick(w(other), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(Buttons, ADisabledButtonIgnoresThePointer)
{
    auto *b = add(10, "&Off");
    b->SetGroupIndex(5);
    b->SetState(fbsDisabled);
    EXPECT_FALSE(b->Enabled());
    click(b);
    doubleClick(b);
    b->Perform(CM_MOUSEENTER);
    EXPECT_EQ(b->State(), fbsDisabled);
    EXPECT_TRUE(clicks.empty());
    EXPECT_FALSE(b->Down());
    b->SetState(fbsMouseOut);
    EXPECT_TRUE(b->Enabled());
}

TEST_F(Buttons, TheMouseEventsReachTheirHandlers)
{
    auto *b = add(10);
    std::vector<String> seen;
    b->SetOnMouseDown(TMouseEvent(
        [&](TObject *, TMouseButton, TShiftState, int, int) { seen.push_back("down"); }));
    b->SetOnMouseMove(
        TMouseMoveEvent([&](TObject *, TShiftState, int, int) { seen.push_back("move"); }));
    b->SetOnMouseUp(
        TMouseEvent([&](TObject *, TMouseButton, TShiftState, int, int) { seen.push_back("up"); }));
    QTest::mousePress(w(b), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(w(b), QPoint(7, 7));
    QTest::mouseRelease(w(b), Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_EQ(seen, (std::vector<String>{"down", "move", "up"}));
}

TEST_F(Buttons, AButtonWithoutAGlyphKeepsShowingItsActionsImage)
{
    auto *images = new TImageList(form.get());
    images->SetWidth(10);
    images->SetHeight(12);
    auto picture = strip(10, 12);
    picture->Canvas()->Brush()->SetColor(clRed);
    picture->Canvas()->FillRect(Rect(0, 0, 10, 12));
    images->Add(picture.get(), nullptr);
    auto *list = new TActionList(form.get());
    list->SetImages(images);
    auto *action = new TAction(form.get());
    action->SetActionList(list);
    action->SetCaption("Run");
    action->SetImageIndex(0);

    auto *b = add(10);
    b->SetAction(action);
    EXPECT_EQ(b->Caption(), "Run");
    EXPECT_EQ(b->Width(), 10);
    EXPECT_EQ(b->Height(), 12);
    // Not once: every paint shows it while the button has no glyph.
    for (int paint = 0; paint < 3; ++paint) {
        const QImage shown = w(b)->grab().toImage();
        EXPECT_EQ(shown.pixelColor(1, 1), QColor(Qt::red)) << paint;
        b->Invalidate();
    }
    // A glyph of its own takes the image's place.
    auto glyph = strip(16, 16);
    b->SetGlyph(glyph.get());
    EXPECT_NE(w(b)->grab().toImage().pixelColor(1, 1), QColor(Qt::red));
}
