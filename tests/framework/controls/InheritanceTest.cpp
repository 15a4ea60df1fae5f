// What a control takes from its parent (colour, font), the order Tab visits
// controls in, and self-painting controls drawn through their canvas: the
// places where a control silently shows the wrong thing.

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

struct Window
{
    TApplication application;
    TForm *form = new TForm(&application);
    Window() { form->SetBounds(0, 0, 240, 160); }
};

// Paints its whole face in one colour, counting its paints.
class TSwatch : public TGraphicControl
{
public:
    using TGraphicControl::TGraphicControl;
    TColor fill = clRed;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        Canvas()->Brush()->SetColor(fill);
        Canvas()->FillRect(ClientRect());
    }
};

// Fills its face with one colour; before that, Before may leave the
// canvas's painter in any state.
class TSketch : public TCustomControl
{
public:
    using TCustomControl::PaintedImage;
    using TCustomControl::TCustomControl;
    TColor fill = clRed;
    std::function<void(QPainter &)> before;

protected:
    void Paint() override
    {
        if (before)
            if (QPainter *p = Canvas()->Painter())
                before(*p);
        Canvas()->Brush()->SetColor(fill);
        Canvas()->FillRect(ClientRect());
    }
};

// Whether every pixel of Image is Colour.
bool allOf(const QImage &Image, const QColor &Colour)
{
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixelColor(x, y) != Colour)
                return false;
    return true;
}

QColor shownAt(TWinControl &parent, int x, int y)
{
    return parent.Widget()->grab().toImage().pixelColor(x, y);
}

} // namespace

TEST(ParentColours, FlowDownEveryLevelUntilAControlTakesItsOwn)
{
    Window w;
    auto *panel = new TForm(w.form);
    panel->SetParent(w.form);
    auto *label = new TLabel(w.form);
    label->SetParent(panel);
    panel->SetParentColor(true);
    w.form->SetColor(clYellow);
    EXPECT_EQ(panel->Color(), clYellow);
    EXPECT_EQ(label->Color(), clYellow) << "a grandchild follows through its parent";

    label->SetColor(clLime);
    EXPECT_FALSE(label->ParentColor());
    w.form->SetColor(clAqua);
    EXPECT_EQ(panel->Color(), clAqua);
    EXPECT_EQ(label->Color(), clLime) << "its own colour ends the link";

    label->SetParentColor(true);
    EXPECT_EQ(label->Color(), clAqua);
}

TEST(ParentColours, FontHintAndReadingOrderFlowThroughASelfPaintingWindowedControl)
{
    // A windowed control that paints itself and handles some messages of its
    // own still tells its children of each change.
    Window w;
    auto *face = new TCustomControl(w.form);
    face->SetParent(w.form);
    auto *label = new TLabel(w.form);
    label->SetParent(face);

    w.form->Font()->SetHeight(-20);
    w.form->SetShowHint(true);
    w.form->SetBiDiMode(bdRightToLeft);
    w.form->SetColor(clYellow);
    EXPECT_EQ(label->Font()->Height(), -20);
    EXPECT_TRUE(label->ShowHint());
    EXPECT_EQ(label->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(label->Color(), clYellow);
    EXPECT_TRUE(label->ParentFont() && label->ParentShowHint() && label->ParentBiDiMode() &&
                label->ParentColor())
        << "taking the parent's values is not having values of its own";

    face->Font()->SetHeight(-30);
    w.form->Font()->SetHeight(-12);
    EXPECT_EQ(label->Font()->Height(), -30) << "the nearest parent with a font of its own wins";
}

TEST(ParentColours, AControlMovedToAnotherParentTakesThatParentsColourAndFont)
{
    Window w;
    auto *first = new TForm(w.form);
    first->SetParent(w.form);
    first->SetParentColor(false);
    first->SetColor(clRed);
    first->Font()->SetHeight(-18);
    auto *second = new TForm(w.form);
    second->SetParent(w.form);
    second->SetParentColor(false);
    second->SetColor(clBlue);
    second->Font()->SetHeight(-24);

    auto *label = new TLabel(w.form);
    label->SetParent(first);
    EXPECT_EQ(label->Color(), clRed);
    EXPECT_EQ(label->Font()->Height(), -18);
    label->SetParent(second);
    EXPECT_EQ(label->Color(), clBlue);
    EXPECT_EQ(label->Font()->Height(), -24);
    EXPECT_TRUE(label->ParentFont()) << "following the parent is not a font of its own";
}

TEST(TabOrder, ClosesGapsAndSkipsWhatCannotTakeTheFocus)
{
    Window w;
    std::vector<TEdit *> edits;
    for (int i = 0; i < 4; ++i) {
        auto *edit = new TEdit(w.form);
        edit->SetParent(w.form);
        edit->SetBounds(10, 10 + 30 * i, 100, 21);
        edits.push_back(edit);
    }
    EXPECT_EQ(edits[3]->TabOrder(), 3);

    // Taking a control out closes the gap it leaves.
    delete edits[1];
    edits.erase(edits.begin() + 1);
    EXPECT_EQ(edits[1]->TabOrder(), 1);
    EXPECT_EQ(edits[2]->TabOrder(), 2);

    // An order past the end puts the control last.
    edits[0]->SetTabOrder(99);
    EXPECT_EQ(edits[0]->TabOrder(), 2);
    EXPECT_EQ(edits[1]->TabOrder(), 0);

    // Tab passes over a control without a tab stop.
    edits[2]->SetTabStop(false);
    w.form->Show();
    QApplication::setActiveWindow(w.form->Widget());
    edits[1]->SetFocus();
    ASSERT_TRUE(edits[1]->Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(edits[0]->Focused()) << "the control after the one without a tab stop";
}

TEST(CanvasPainting, AGraphicControlPaintsOnItsParentAndRepaintsWhenAsked)
{
    Window w;
    w.form->SetColor(clWhite);
    auto *swatch = new TSwatch(w.form);
    swatch->SetParent(w.form);
    swatch->SetBounds(20, 30, 40, 10);
    w.form->Show();

    EXPECT_EQ(shownAt(*w.form, 20, 30), QColor(255, 0, 0));
    EXPECT_EQ(shownAt(*w.form, 59, 39), QColor(255, 0, 0));
    EXPECT_EQ(shownAt(*w.form, 60, 30), QColor(255, 255, 255)) << "nothing outside its bounds";
    EXPECT_GT(swatch->paints, 0);

    swatch->fill = clBlue;
    swatch->Invalidate();
    EXPECT_EQ(shownAt(*w.form, 30, 35), QColor(0, 0, 255));

    swatch->SetVisible(false);
    EXPECT_EQ(shownAt(*w.form, 30, 35), QColor(255, 255, 255));
}

TEST(CanvasPainting, EachPaintStartsAfreshAndLeavesCopiesOfEarlierOnesAlone)
{
    Window w;
    auto *sketch = new TSketch(w.form);
    sketch->SetParent(w.form);
    sketch->SetBounds(0, 0, 12, 8);
    // A paint that leaves its painter moved, clipped, half transparent and
    // inverting.
    sketch->before = [](QPainter &p) {
        p.translate(5, 3);
        p.setClipRect(0, 0, 2, 2);
        p.setOpacity(0.5);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    };
    sketch->Perform(WM_PAINT);
    const QImage first = *sketch->PaintedImage();
    const QImage firstPixels = first.copy();

    sketch->before = nullptr;
    sketch->fill = clBlue;
    sketch->Perform(WM_PAINT);
    ASSERT_EQ(sketch->PaintedImage()->size(), QSize(12, 8));
    EXPECT_TRUE(allOf(*sketch->PaintedImage(), QColor(0, 0, 255)))
        << "the next paint covers the whole face, unmoved, opaque";
    EXPECT_EQ(first, firstPixels) << "a kept copy keeps its pixels";

    // A copy kept from the last paint keeps it through the next ones too.
    const QImage second = *sketch->PaintedImage();
    sketch->fill = clLime;
    sketch->Perform(WM_PAINT);
    sketch->Perform(WM_PAINT);
    EXPECT_TRUE(allOf(second, QColor(0, 0, 255)));
    EXPECT_TRUE(allOf(*sketch->PaintedImage(), QColor(0, 255, 0)));

    sketch->SetBounds(0, 0, 20, 3);
    sketch->Perform(WM_PAINT);
    EXPECT_EQ(sketch->PaintedImage()->size(), QSize(20, 3));
    EXPECT_TRUE(allOf(*sketch->PaintedImage(), QColor(0, 255, 0)));
}

TEST(CanvasPainting, NothingALentPainterWasToldOutlivesThePaint)
{
    Window w;
    auto *sketch = new TSketch(w.form);
    sketch->SetParent(w.form);
    sketch->SetBounds(0, 0, 10, 10);
    const std::pair<const char *, std::function<void(QPainter &)>> changes[] = {
        {"moved", [](QPainter &p) { p.translate(4, 4); }},
        {"scaled", [](QPainter &p) { p.scale(0.5, 0.5); }},
        {"clipped", [](QPainter &p) { p.setClipRect(0, 0, 2, 2); }},
        {"half transparent", [](QPainter &p) { p.setOpacity(0.5); }},
        {"with a window", [](QPainter &p) { p.setWindow(0, 0, 40, 40); }},
    };
    for (const auto &[name, change] : changes) {
        sketch->before = change;
        sketch->fill = clRed;
        sketch->Perform(WM_PAINT);
        sketch->before = nullptr;
        sketch->fill = clBlue;
        sketch->Perform(WM_PAINT);
        EXPECT_TRUE(allOf(*sketch->PaintedImage(), QColor(0, 0, 255)))
            << "after a paint that left its painter " << name;
    }
}
