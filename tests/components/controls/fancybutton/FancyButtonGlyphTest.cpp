#include "components/controls/FancyButton.h"

#include <QApplication>
#include <QPalette>
#include <array>
#include <gtest/gtest.h>
#include <map>
#include <memory>

// The glyph's images, drawn from strips the tests paint themselves, under
// button colours chosen so that none of them is white, gray or black.
namespace {

const QColor face(200, 210, 220), shadow(90, 60, 30), highlight(250, 240, 10);

TColor colorOf(const QColor &c)
{
    return RGB(c.red(), c.green(), c.blue());
}

// Cell colours: each cell of a strip is filled with its own colour, with a
// transparent (olive) pixel at the bottom-left of the strip and of each cell.
const TColor cellColours[] = {clRed, clLime, clBlue, clYellow, clPurple};

std::unique_ptr<TBitmap> strip(int Cells, int Size = 16)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Cells * Size, Size);
    TCanvas *c = b->Canvas();
    for (int i = 0; i < Cells; ++i) {
        c->Brush()->SetColor(cellColours[i]);
        c->FillRect(Rect(i * Size, 0, (i + 1) * Size, Size));
        c->SetPixel(i * Size, Size - 1, clOlive);
    }
    return b;
}

class Glyphs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QPalette p = saved;
        p.setColor(QPalette::Active, QPalette::Button, face);
        p.setColor(QPalette::Active, QPalette::Dark, shadow);
        p.setColor(QPalette::Active, QPalette::Light, highlight);
        QApplication::setPalette(p);
        target.SetSize(40, 40);
    }
    void TearDown() override { QApplication::setPalette(saved); }

    // What State draws at (10, 10) on a white bitmap.
    TBitmap &draw(TButtonGlyph &Glyph, TFancyButtonState State)
    {
        target.Canvas()->Brush()->SetColor(clWhite);
        target.Canvas()->FillRect(Rect(0, 0, 40, 40));
        Glyph.DrawStateImage(target.Canvas(), {10, 10}, State);
        return target;
    }
    TColor at(int X, int Y) { return target.Canvas()->Pixel(X + 10, Y + 10); }

    QPalette saved = QApplication::palette();
    TBitmap target;
};

} // namespace

TEST_F(Glyphs, EachStateShowsTheCellItsCountGivesIt)
{
    // Cells per state for 2, 3, 4 and 5 cells: up, down, mouse-out, exclusive.
    const std::map<int, std::array<int, 4>> expected{
        {2, {0, 0, 0, 0}},
        {3, {0, 1, 2, 0}},
        {4, {0, 1, 2, 1}},
        {5, {0, 1, 2, 1}},
    };
    for (const auto &[cells, cellOf] : expected) {
        TButtonGlyph glyph;
        auto s = strip(cells);
        glyph.AssignStrip(s.get());
        ASSERT_EQ(glyph.NumGlyphs(), cells);
        for (int state = fbsUp; state <= fbsExclusive; ++state) {
            draw(glyph, static_cast<TFancyButtonState>(state));
            EXPECT_EQ(at(5, 5), cellColours[cellOf[static_cast<std::size_t>(state)]])
                << cells << " cells, state " << state;
            // The strip's transparent colour lets the background through.
            EXPECT_EQ(at(0, 15), clWhite);
        }
    }
}

TEST_F(Glyphs, OneCellDisablesAsItsBlackShapeEmbossed)
{
    TButtonGlyph glyph;
    auto s = strip(1);
    s->Canvas()->Brush()->SetColor(clBlack);
    s->Canvas()->FillRect(Rect(4, 4, 8, 8));
    glyph.AssignStrip(s.get());
    for (const auto state : {fbsUp, fbsDown, fbsMouseOut, fbsExclusive}) {
        draw(glyph, state);
        EXPECT_EQ(at(5, 5), clBlack);
        EXPECT_EQ(at(1, 1), clRed);
    }
    draw(glyph, fbsDisabled);
    EXPECT_EQ(at(4, 4), colorOf(shadow));
    EXPECT_EQ(at(7, 7), colorOf(shadow));
    EXPECT_EQ(at(8, 8), colorOf(highlight)); // one right and down of the shape
    EXPECT_EQ(at(8, 5), colorOf(highlight));
    EXPECT_EQ(at(5, 8), colorOf(highlight));
    // Every other pixel is the face, which is the image's own transparent
    // colour: the background shows there.
    EXPECT_EQ(at(1, 1), clWhite);
    EXPECT_EQ(at(3, 3), clWhite);
}

TEST_F(Glyphs, SeveralCellsDisableByRecolouringTheirDisabledCell)
{
    for (const int cells : {2, 3, 4, 5}) {
        TButtonGlyph glyph;
        auto s = strip(cells);
        // The disabled cell is cell 0, or cell 4 of five.
        const int d = cells == 5 ? 4 : 0;
        TCanvas *c = s->Canvas();
        c->SetPixel(d * 16 + 1, 1, clWhite);
        c->SetPixel(d * 16 + 2, 1, clGray);
        c->SetPixel(d * 16 + 3, 1, clOlive);
        c->SetPixel(d * 16 + 4, 1, RGB(129, 128, 128)); // nearly gray stays
        glyph.AssignStrip(s.get());
        draw(glyph, fbsDisabled);
        EXPECT_EQ(at(1, 1), colorOf(highlight)) << cells;
        EXPECT_EQ(at(2, 1), colorOf(shadow)) << cells;
        EXPECT_EQ(at(4, 1), RGB(129, 128, 128)) << cells;
        EXPECT_EQ(at(8, 8), cellColours[d]) << cells;
        // The transparent colour became the face, the image's bottom-left
        // pixel, so it is drawn through.
        EXPECT_EQ(at(3, 1), clWhite) << cells;
    }
}

TEST_F(Glyphs, ImagesAreBuiltOncePerStateAndRebuiltOnlyOnRequest)
{
    TButtonGlyph glyph;
    auto s = strip(5);
    glyph.AssignStrip(s.get());
    for (int round = 0; round < 3; ++round)
        for (int state = fbsUp; state <= fbsDisabled; ++state)
            draw(glyph, static_cast<TFancyButtonState>(state));
    EXPECT_EQ(glyph.BuildCount(), 5);
    const int slot = glyph.EnsureStateImage(fbsDisabled, false);
    EXPECT_EQ(glyph.EnsureStateImage(fbsDisabled, true), slot); // same slot
    EXPECT_EQ(glyph.BuildCount(), 6);
    // With fewer than three cells the pressed look is the raised one's image.
    TButtonGlyph two;
    auto s2 = strip(2);
    two.AssignStrip(s2.get());
    EXPECT_EQ(two.EnsureStateImage(fbsDown, false), two.EnsureStateImage(fbsUp, false));
    EXPECT_EQ(two.BuildCount(), 1);
}

TEST_F(Glyphs, CellCountsComeFromTheStripsProportions)
{
    TButtonGlyph glyph;
    auto six = strip(5);
    six->SetWidth(96); // six cells: too many, one
    glyph.AssignStrip(six.get());
    EXPECT_EQ(glyph.NumGlyphs(), 1);
    glyph.SetCellCount(3);
    auto odd = strip(1);
    odd->SetWidth(50); // not a multiple: the count stays
    glyph.AssignStrip(odd.get());
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetCellCount(0);
    EXPECT_EQ(glyph.NumGlyphs(), 3);
}

TEST_F(Glyphs, AStripNarrowerThanItsCellsDrawsNoGlyph)
{
    TButtonGlyph glyph;
    auto narrow = strip(1, 4);
    glyph.AssignStrip(narrow.get());
    glyph.SetCellCount(5);
    EXPECT_EQ(glyph.EnsureStateImage(fbsUp, false), -1);
    EXPECT_EQ(glyph.List(), nullptr);
    draw(glyph, fbsUp);
    EXPECT_EQ(at(0, 0), clWhite);
    TPoint pos;
    TRect text;
    glyph.ComputeFaceLayout(target.Canvas(), Rect(0, 0, 20, 10), {0, 0}, "", 0, pos, text);
    EXPECT_EQ(pos, (TPoint{10, 5})); // laid out as no glyph at all
}

TEST(GlyphCache, ListsAreSharedPerCellSizeAndGoWithTheirLastImage)
{
    ASSERT_EQ(TGlyphCache::Instance(), nullptr);
    auto first = std::make_unique<TButtonGlyph>();
    auto second = std::make_unique<TButtonGlyph>();
    auto third = std::make_unique<TButtonGlyph>();
    ASSERT_NE(TGlyphCache::Instance(), nullptr);
    auto small = strip(1, 16), large = strip(1, 24);
    first->AssignStrip(small.get());
    second->AssignStrip(small.get());
    third->AssignStrip(large.get());
    first->EnsureStateImage(fbsUp, false);
    second->EnsureStateImage(fbsUp, false);
    second->EnsureStateImage(fbsDisabled, false);
    EXPECT_EQ(first->List(), second->List());
    EXPECT_EQ(first->List()->UsedCount(), 3);
    EXPECT_EQ(TGlyphCache::Instance()->ListCount(), 1);
    third->EnsureStateImage(fbsUp, false);
    EXPECT_NE(third->List(), first->List());
    EXPECT_EQ(TGlyphCache::Instance()->ListCount(), 2);

    third->ReleaseImages();
    EXPECT_EQ(TGlyphCache::Instance()->ListCount(), 1);
    // A freed slot is reused before the list grows.
    TGlyphList *shared = first->List();
    const int count = shared->Count();
    first->ReleaseImages();
    second->EnsureStateImage(fbsMouseOut, false);
    EXPECT_EQ(shared->Count(), count);

    // The last glyph with images that goes deletes the cache, even while
    // glyphs without images remain; the next image makes a new one.
    first.reset();
    ASSERT_NE(TGlyphCache::Instance(), nullptr);
    second.reset();
    EXPECT_EQ(TGlyphCache::Instance(), nullptr);
    EXPECT_NE(third->EnsureStateImage(fbsUp, false), -1);
    EXPECT_NE(TGlyphCache::Instance(), nullptr);
    third.reset();
    EXPECT_EQ(TGlyphCache::Instance(), nullptr);
}

TEST_F(Glyphs, CaptionsAreCentredAndShadowedOrEmbossed)
{
    TButtonGlyph glyph;
    TCanvas *canvas = target.Canvas();
    canvas->Font()->SetHeight(-20);
    // Where the ink of Colour ends: its last pixel, row by row.
    const auto inkOf = [&](TColor Colour) {
        TPoint last{-1, -1};
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (canvas->Pixel(x, y) == Colour)
                    last = {x, y};
        return last;
    };
    const auto render = [&](TFancyButtonState State, TColor Shadow) {
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(Rect(0, 0, 40, 40));
        canvas->Font()->SetColor(clRed);
        return glyph.RenderFace(canvas, Rect(0, 0, 40, 40), {0, 0}, "I", State, Shadow, 0);
    };
    const TRect plain = render(fbsUp, clNone);
    const TPoint red = inkOf(clRed);
    ASSERT_GE(red.X, 0);
    EXPECT_EQ(render(fbsUp, clBlack), plain);
    const TPoint black = inkOf(clBlack);
    EXPECT_EQ(black, red);                                   // the shadow where the caption was
    EXPECT_EQ(inkOf(clRed), (TPoint{red.X - 2, red.Y - 2})); // and the caption up and left
    render(fbsDisabled, clBlack);
    EXPECT_EQ(inkOf(colorOf(shadow)), red);
    EXPECT_EQ(inkOf(clBlack).X, -1); // no shadow colour when disabled
    EXPECT_EQ(canvas->Font()->Color(), clBtnShadow);

    // An empty caption: a rectangle of no size at the centre plus the offset.
    EXPECT_EQ(glyph.RenderFace(canvas, Rect(2, 2, 22, 12), {3, -1}, "", fbsUp, clNone, 0),
              Rect(15, 6, 15, 6));
    // A glyph larger than the face lies partly outside it.
    auto big = strip(1, 25);
    glyph.AssignStrip(big.get());
    TPoint pos;
    TRect text;
    glyph.ComputeFaceLayout(canvas, Rect(0, 0, 22, 24), {0, 0}, "", 0, pos, text);
    EXPECT_EQ(pos, (TPoint{-1, 0}));
}
