#include "components/controls/AnimatedLabel.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

const QColor grey240(240, 240, 240);

// A label on a form whose button face (clBtnFace) is 240 grey. The timer is
// stopped: the tests drive the ticks.
class AnimatedCaption : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        QPalette palette = savedPalette;
        palette.setColor(QPalette::Button, grey240);
        QApplication::setPalette(palette);
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 200, 60);
        label = new TAnimatedLabel(form.get());
        label->SetParent(form.get());
        label->SetAutoSize(false);
        label->SetBounds(0, 0, 100, 20);
        label->SetInterval(0);
        form->Show();
    }
    void TearDown() override
    {
        form.reset();
        QApplication::setPalette(savedPalette);
    }

    void tickTo(std::uint32_t ticks)
    {
        while (static_cast<std::uint32_t>(label->Ticks()) < ticks)
            label->OnTimer(label);
    }
    TTimer *timer() const { return dynamic_cast<TTimer *>(label->Components(0)); }

    // What the form shows where the label is.
    QImage shown() const
    {
        return form->Widget()->grab().toImage().copy(0, 0, label->Width(), label->Height());
    }

    // The picture of a caption drawn literally at x on a clBtnFace fill in the
    // label's font: what a flying label must show once the label's own
    // painting has given its canvas that font.
    QImage flown(const String &caption, int x) const
    {
        TBitmap bitmap;
        bitmap.SetSize(100, 20);
        TCanvas *canvas = bitmap.Canvas();
        canvas->SetFont(label->Font());
        canvas->Brush()->SetColor(clBtnFace);
        canvas->FillRect(Rect(0, 0, 100, 20));
        canvas->TextOut(x, 0, caption);
        return bitmap.Image().convertToFormat(QImage::Format_RGB32);
    }

    static int inkPixels(const QImage &image, const QColor &background)
    {
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += image.pixelColor(x, y) != background;
        return ink;
    }

    // The darkest pixel but those of the colour to ignore: where the text
    // covers a pixel whole, its colour.
    static QColor darkest(const QImage &image, const QColor &ignore = QColor())
    {
        QColor best(255, 255, 255);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c != ignore &&
                    c.red() + c.green() + c.blue() < best.red() + best.green() + best.blue())
                    best = c;
            }
        return best;
    }

    QPalette savedPalette = QApplication::palette();
    std::unique_ptr<TApplication> application;
    std::unique_ptr<TForm> form;
    TAnimatedLabel *label = nullptr;
};

} // namespace

TEST_F(AnimatedCaption, FlashHidesTheCaptionForTenTicksThenShowsItForTen)
{
    label->SetCaption("Flash");
    label->SetColor(clWhite);
    label->SetAnimationType(atFlash);
    EXPECT_EQ(inkPixels(shown(), grey240), 0) << "tick 0: the fill only";
    tickTo(10);
    const QImage plain = shown();
    EXPECT_EQ(plain.pixelColor(99, 19), QColor(255, 255, 255)) << "the label's own painting";
    EXPECT_GT(inkPixels(plain, QColor(255, 255, 255)), 0) << "with its caption";
    tickTo(20);
    EXPECT_EQ(inkPixels(shown(), grey240), 0) << "tick 20: hidden again";
}

TEST_F(AnimatedCaption, FlyMovesTheCaptionTwoPixelsLeftPerTickThroughItsWidth)
{
    const String caption = "&Flying caption, wider than the label itself";
    label->SetCaption(caption);
    shown();
    label->SetAnimationType(atFly);
    const std::pair<std::uint32_t, int> positions[] = {
        {0, 100}, {1, 98}, {50, 0}, {99, -98}, {100, 100}};
    for (const auto &[tick, x] : positions) {
        tickTo(tick);
        // Drawn literally: the ampersand shows.
        EXPECT_EQ(shown().convertToFormat(QImage::Format_RGB32), flown(caption, x))
            << "tick " << tick << ", x " << x;
    }
}

TEST_F(AnimatedCaption, FadeStepsTheTextColourBetweenBackgroundAndFont)
{
    label->SetCaption("&Fade");
    label->Font()->SetColor(clBlack);
    label->Font()->SetHeight(-24);
    label->Font()->SetStyle({fsBold});
    label->SetBounds(0, 0, 100, 30);
    shown(); // the label's own painting gives the canvas the label's font
    label->SetAnimationType(atFade);
    const std::pair<std::uint32_t, int> channels[] = {
        {1, 214}, {9, 0}, {10, 0}, {11, 26}, {19, 240}};
    for (const auto &[tick, value] : channels) {
        tickTo(tick);
        EXPECT_EQ(darkest(shown()), QColor(value, value, value)) << "tick " << tick;
    }
}

TEST_F(AnimatedCaption, FadeTakesItsBackgroundFromTheSystemColourTheLowByteNames)
{
    // A plain colour whose low byte is 15 fades from and to clBtnFace, and the
    // default font colour (system colour 8) counts as red 8.
    label->SetCaption("Fade");
    label->Font()->SetHeight(-24);
    label->Font()->SetStyle({fsBold});
    label->SetBounds(0, 0, 100, 30);
    label->SetColor(RGB(15, 0, 128));
    form->SetColor(clYellow);
    shown();
    label->SetAnimationType(atFade);
    tickTo(1);
    EXPECT_EQ(darkest(shown(), Qt::yellow), QColor(215, 214, 214));
    tickTo(9);
    const QImage atEnd = shown();
    EXPECT_EQ(darkest(atEnd, Qt::yellow), QColor(8, 0, 0));
    // Only the text cell is painted: beyond it the form shows through.
    EXPECT_EQ(atEnd.pixelColor(99, 29), QColor(255, 255, 0));
}

TEST_F(AnimatedCaption, TheLabelsOwnPaintingUnderlinesTheAccelerator)
{
    label->SetCaption("File");
    const int plain = inkPixels(shown(), grey240);
    label->SetCaption("&File");
    const int underlined = inkPixels(shown(), grey240);
    label->SetShowAccelChar(false);
    const int literal = inkPixels(shown(), grey240);
    EXPECT_GT(underlined, plain);
    EXPECT_GT(literal, plain);
    EXPECT_NE(literal, underlined);
}

TEST_F(AnimatedCaption, TheCounterRunsOnThroughItsMaximumAndAFlatLabelDrawsNothing)
{
    label->SetCaption("Wrap");
    shown();
    label->SetAnimationType(atFly);
    timer()->SetTag(std::numeric_limits<std::int32_t>::max());
    label->OnTimer(label);
    EXPECT_EQ(label->Ticks(), std::numeric_limits<std::int32_t>::min());
    // 2^31 ticks: 2^31 mod 100 is 48, so x is 100 - 96.
    EXPECT_EQ(shown().convertToFormat(QImage::Format_RGB32), flown("Wrap", 4));
    timer()->SetTag(-1);
    label->OnTimer(label);
    EXPECT_EQ(label->Ticks(), 0);

    label->SetBounds(0, 0, 0, 20);
    EXPECT_NO_THROW(label->Perform(WM_PAINT));
    EXPECT_NO_THROW(form->Widget()->grab());
}

TEST_F(AnimatedCaption, IntervalDrivesTheTimerAndKeepsTheCount)
{
    TAnimatedLabel fresh(nullptr);
    EXPECT_EQ(fresh.GetInterval(), 100);
    EXPECT_EQ(fresh.AnimationType(), atNone);
    EXPECT_EQ(fresh.Ticks(), 0);
    EXPECT_TRUE(dynamic_cast<TTimer *>(fresh.Components(0))->Active());

    tickTo(7);
    label->SetInterval(500);
    EXPECT_EQ(timer()->Interval(), 500);
    EXPECT_TRUE(timer()->Active());
    EXPECT_EQ(label->Ticks(), 7);
    label->SetInterval(0);
    EXPECT_FALSE(timer()->Active()) << "an interval of 0 stops the ticks";
    EXPECT_EQ(label->Ticks(), 7);

    label->SetName("AnimatedLabel1");
    label->SetAnimationType(atFade);
    label->SetInterval(250);
    const String text = WriteComponentToText(*label);
    EXPECT_NE(text.find("  AnimationType = atFade\n"), String::npos) << text;
    EXPECT_NE(text.find("  Interval = 250\n"), String::npos) << text;
    EXPECT_EQ(text.find("TTimer"), String::npos) << "the timer is no child of its own\n" << text;
    AnimatedLabel::Register();
    EXPECT_EQ(ComponentPalettePage(TAnimatedLabel::StaticClassInfo()), "Marrow 2");
}
