#include "framework/Graphics.h"
#include "framework/ImgList.h"

#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A bitmap of the given pixels, one row.
std::unique_ptr<TBitmap> row(const std::vector<TColor> &Pixels)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(static_cast<int>(Pixels.size()), 1);
    for (std::size_t i = 0; i < Pixels.size(); ++i)
        b->Canvas()->SetPixel(static_cast<int>(i), 0, Pixels[i]);
    return b;
}

TColor pixel(TBitmap &B, int X, int Y)
{
    return B.Canvas()->Pixel(X, Y);
}

using Formula = std::function<std::uint32_t(std::uint32_t P, std::uint32_t S, std::uint32_t D)>;

struct Case
{
    const char *name;
    std::uint32_t rop;
    Formula f;
};

const std::vector<Case> &cases()
{
    static const std::vector<Case> all{
        {"BLACKNESS", BLACKNESS, [](auto, auto, auto) { return 0u; }},
        {"WHITENESS", WHITENESS, [](auto, auto, auto) { return ~0u; }},
        {"SRCCOPY", SRCCOPY, [](auto, auto s, auto) { return s; }},
        {"NOTSRCCOPY", NOTSRCCOPY, [](auto, auto s, auto) { return ~s; }},
        {"SRCAND", SRCAND, [](auto, auto s, auto d) { return s & d; }},
        {"SRCPAINT", SRCPAINT, [](auto, auto s, auto d) { return s | d; }},
        {"SRCINVERT", SRCINVERT, [](auto, auto s, auto d) { return s ^ d; }},
        {"SRCERASE", SRCERASE, [](auto, auto s, auto d) { return s & ~d; }},
        {"NOTSRCERASE", NOTSRCERASE, [](auto, auto s, auto d) { return ~(s | d); }},
        {"MERGEPAINT", MERGEPAINT, [](auto, auto s, auto d) { return ~s | d; }},
        {"MERGECOPY", MERGECOPY, [](auto p, auto s, auto) { return p & s; }},
        {"DSTINVERT", DSTINVERT, [](auto, auto, auto d) { return ~d; }},
        {"PATCOPY", PATCOPY, [](auto p, auto, auto) { return p; }},
        {"PATINVERT", PATINVERT, [](auto p, auto, auto d) { return p ^ d; }},
        {"PATPAINT", PATPAINT, [](auto p, auto s, auto d) { return p | ~s | d; }},
        {"DSPDxax", DSPDxax, [](auto p, auto s, auto d) { return ((p ^ d) & s) ^ d; }},
        // A code without a name: its truth table is all there is to go by.
        {"0x00B8074A (PSDPxax)", 0x00B8074A,
         [](auto p, auto s, auto d) { return ((d ^ p) & s) ^ p; }},
    };
    return all;
}

} // namespace

TEST(RasterOperations, EveryCodeFollowsItsTruthTableOverAllInputCombinations)
{
    // Each channel all ones or all zeros: the eight (P, S, D) combinations
    // show the whole truth table, one pixel each.
    for (const Case &c : cases()) {
        for (const std::uint32_t p : {0u, 0xFFFFFFu}) {
            auto dest = row({clBlack, clWhite, clBlack, clWhite});
            auto source = row({clBlack, clBlack, clWhite, clWhite});
            dest->Canvas()->Brush()->SetColor(static_cast<TColor>(p));
            ASSERT_TRUE(BitBlt(dest->Canvas(), 0, 0, 4, 1, source->Canvas(), 0, 0, c.rop))
                << c.name;
            for (int x = 0; x < 4; ++x) {
                const std::uint32_t s = (x & 2) ? 0xFFFFFF : 0, d = (x & 1) ? 0xFFFFFF : 0;
                EXPECT_EQ(static_cast<std::uint32_t>(pixel(*dest, x, 0)), c.f(p, s, d) & 0xFFFFFF)
                    << c.name << " P=" << p << " S=" << s << " D=" << d;
            }
        }
    }
}

TEST(RasterOperations, MixedColoursCombineBitByBit)
{
    const std::uint32_t p = 0x0F33C5, s = 0xABCDEF, d = 0x123456;
    for (const Case &c : cases()) {
        auto dest = row({static_cast<TColor>(d)});
        auto source = row({static_cast<TColor>(s)});
        dest->Canvas()->Brush()->SetColor(static_cast<TColor>(p));
        BitBlt(dest->Canvas(), 0, 0, 1, 1, source->Canvas(), 0, 0, c.rop);
        EXPECT_EQ(static_cast<std::uint32_t>(pixel(*dest, 0, 0)), c.f(p, s, d) & 0xFFFFFF)
            << c.name;
    }
}

TEST(RasterOperations, OneBitSourcesTakeTheDestinationsTextAndBackgroundColours)
{
    auto mask = row({clBlack, clWhite, clWhite});
    mask->SetMonochrome(true);
    auto dest = row({clGreen, clGreen, clGreen});
    TCanvas *canvas = dest->Canvas();
    canvas->SetTextColor(clRed);
    canvas->SetBkColor(clBlue);
    BitBlt(canvas, 0, 0, 3, 1, mask->Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(pixel(*dest, 0, 0), clRed);
    EXPECT_EQ(pixel(*dest, 1, 0), clBlue);

    // The glyph's recolouring: black text, white background and a brush make
    // DSPDxax paint the brush where the mask is 1 and keep the rest.
    auto work = row({clGreen, clYellow, clNavy});
    work->Canvas()->SetTextColor(clBlack);
    work->Canvas()->SetBkColor(clWhite);
    work->Canvas()->Brush()->SetColor(clFuchsia);
    BitBlt(work->Canvas(), 0, 0, 3, 1, mask->Canvas(), 0, 0, DSPDxax);
    EXPECT_EQ(pixel(*work, 0, 0), clGreen);
    EXPECT_EQ(pixel(*work, 1, 0), clFuchsia);
    EXPECT_EQ(pixel(*work, 2, 0), clFuchsia);
}

TEST(RasterOperations, ColourOntoOneBitMarksTheSourceBrushColour)
{
    auto source = row({clOlive, clWhite, clBlack, clOlive});
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(4, 1);
    source->Canvas()->Brush()->SetColor(clOlive);
    mask.Canvas()->CopyRect(Rect(0, 0, 4, 1), source->Canvas(), Rect(0, 0, 4, 1));
    EXPECT_EQ(pixel(mask, 0, 0), clWhite);
    EXPECT_EQ(pixel(mask, 1, 0), clBlack);
    EXPECT_EQ(pixel(mask, 2, 0), clBlack);
    EXPECT_EQ(pixel(mask, 3, 0), clWhite);

    // Making a colour bitmap monochrome follows the same rule with its own
    // brush: a black brush marks the black pixels.
    auto strip = row({clBlack, clWhite, clGray});
    strip->Canvas()->Brush()->SetColor(clBlack);
    strip->SetMonochrome(true);
    EXPECT_EQ(pixel(*strip, 0, 0), clWhite);
    EXPECT_EQ(pixel(*strip, 1, 0), clBlack);
    EXPECT_EQ(pixel(*strip, 2, 0), clBlack);
    // Already monochrome: nothing is converted again.
    strip->SetMonochrome(true);
    EXPECT_EQ(pixel(*strip, 0, 0), clWhite);
}

TEST(RasterOperations, ClippedToBothImagesAndRefusedWithoutWhatTheyNeed)
{
    auto dest = row({clRed, clRed, clRed});
    auto source = row({clBlue, clBlue});
    // Only the overlap is drawn; pixels past the source's edge stay.
    EXPECT_TRUE(BitBlt(dest->Canvas(), 1, 0, 5, 3, source->Canvas(), 0, 0, SRCCOPY));
    EXPECT_EQ(pixel(*dest, 0, 0), clRed);
    EXPECT_EQ(pixel(*dest, 1, 0), clBlue);
    EXPECT_EQ(pixel(*dest, 2, 0), clBlue);
    EXPECT_TRUE(BitBlt(dest->Canvas(), -4, 0, 5, 1, source->Canvas(), 0, 0, SRCCOPY));
    EXPECT_EQ(pixel(*dest, 0, 0), clRed); // source x 4 does not exist

    // An operation that reads no source needs none; one that does, does.
    EXPECT_TRUE(BitBlt(dest->Canvas(), 0, 0, 3, 1, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(pixel(*dest, 0, 0), static_cast<TColor>(0xFFFF00));
    EXPECT_FALSE(BitBlt(dest->Canvas(), 0, 0, 3, 1, nullptr, 0, 0, SRCCOPY));
    TBitmap empty;
    EXPECT_FALSE(BitBlt(empty.Canvas(), 0, 0, 3, 1, source->Canvas(), 0, 0, SRCCOPY));
}

TEST(PatternBrushes, TheSharedCheckerTilesFromTheCanvasOrigin)
{
    TBitmap *checker = AllocPatternBitmap(clRed, clBlue);
    ASSERT_EQ(checker->Width(), 8);
    ASSERT_EQ(checker->Height(), 8);
    EXPECT_EQ(checker, AllocPatternBitmap(clRed, clBlue));
    EXPECT_NE(checker, AllocPatternBitmap(clBlue, clRed));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixel(*checker, x, y), (x % 2 == y % 2) ? clBlue : clRed) << x << "," << y;

    TBitmap target;
    target.SetSize(20, 20);
    target.Canvas()->Brush()->SetBitmap(checker);
    target.Canvas()->FillRect(Rect(3, 5, 20, 20));
    EXPECT_EQ(pixel(target, 0, 0), clWhite); // outside the fill
    for (int y = 5; y < 20; y += 3)
        for (int x = 3; x < 20; x += 2)
            EXPECT_EQ(pixel(target, x, y), (x % 2 == y % 2) ? clBlue : clRed) << x << "," << y;

    // The pattern is the P of raster operations too.
    TBitmap patterned;
    patterned.SetSize(2, 1);
    patterned.Canvas()->Brush()->SetBitmap(checker);
    BitBlt(patterned.Canvas(), 0, 0, 2, 1, nullptr, 0, 0, PATCOPY);
    EXPECT_EQ(pixel(patterned, 0, 0), clBlue);
    EXPECT_EQ(pixel(patterned, 1, 0), clRed);
}

TEST(ImageListsForGlyphs, BlankSlotsMaskColoursAndTransparentDrawing)
{
    TImageList list(nullptr);
    list.SetWidth(2);
    list.SetHeight(2);
    EXPECT_EQ(list.Add(nullptr, nullptr), 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(0, 0)), 0);

    // clDefault: the colour of the image's bottom-left pixel is transparent.
    TBitmap image;
    image.SetSize(2, 2);
    image.Canvas()->SetPixel(0, 0, clRed);
    image.Canvas()->SetPixel(1, 0, clGreen);
    image.Canvas()->SetPixel(0, 1, clGreen);
    image.Canvas()->SetPixel(1, 1, clBlue);
    list.ReplaceMasked(0, &image, clDefault);

    TBitmap target;
    target.SetSize(4, 4);
    target.Canvas()->Brush()->SetColor(clYellow);
    target.Canvas()->FillRect(Rect(0, 0, 4, 4));
    EXPECT_TRUE(
        ImageList_DrawEx(&list, 0, target.Canvas(), 1, 1, 0, 0, clNone, clNone, ILD_TRANSPARENT));
    EXPECT_EQ(pixel(target, 1, 1), clRed);
    EXPECT_EQ(pixel(target, 2, 1), clYellow);
    EXPECT_EQ(pixel(target, 1, 2), clYellow);
    EXPECT_EQ(pixel(target, 2, 2), clBlue);
    // Drawn with a background, the masked pixels take it.
    EXPECT_TRUE(ImageList_DrawEx(&list, 0, target.Canvas(), 1, 1, 0, 0,
                                 static_cast<std::uint32_t>(clBlack), CLR_NONE, ILD_NORMAL));
    EXPECT_EQ(pixel(target, 2, 1), clBlack);
    EXPECT_FALSE(ImageList_DrawEx(&list, 1, target.Canvas(), 0, 0, 0, 0, CLR_NONE, CLR_NONE,
                                  ILD_TRANSPARENT));
}

TEST(DrawTextA, MeasuresLinesAndHidesPrefixes)
{
    TBitmap b;
    b.SetSize(200, 100);
    TCanvas *canvas = b.Canvas();
    const auto measure = [&](const String &Text, unsigned Flags = 0) {
        TRect r = Rect(0, 0, 200, 0);
        DrawTextA(canvas, Text, -1, r, Flags | DT_CALCRECT);
        return r;
    };
    const TRect one = measure("Apply");
    EXPECT_GT(one.Width(), 0);
    EXPECT_GT(one.Height(), 0);
    // A line break starts a second line; there is no word wrap.
    EXPECT_EQ(measure("Apply\nnow").Height(), 2 * one.Height());
    EXPECT_EQ(measure("Apply now, or later, and so on").Height(), one.Height());
    // "&" is not drawn, "&&" draws one, DT_NOPREFIX draws them as they are.
    EXPECT_EQ(measure("&Apply").Width(), one.Width());
    EXPECT_EQ(measure("A&&B").Width(), measure("A&B", DT_NOPREFIX).Width());
    EXPECT_GT(measure("&Apply", DT_NOPREFIX).Width(), one.Width());
    // The text direction flags are taken, and a count cuts the text.
    EXPECT_EQ(measure("Apply", DT_RTLREADING).Height(), one.Height());
    TRect part = Rect(0, 0, 200, 0);
    DrawTextA(canvas, "Apply\nnow", 5, part, DT_CALCRECT);
    EXPECT_EQ(part.Height(), one.Height());
}
