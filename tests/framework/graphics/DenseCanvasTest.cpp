#include "framework/Graphics.h"
#include "framework/ImgList.h"

#include <QImage>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

// A canvas on an image of a high-density screen draws in logical pixels,
// each of which is a block of device pixels.

namespace {

QImage denseImage(int Width, int Height, qreal Ratio)
{
    QImage image(static_cast<int>(std::ceil(Width * Ratio)),
                 static_cast<int>(std::ceil(Height * Ratio)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Ratio);
    return image;
}

// Every device pixel different, so a copy from the wrong one shows.
QRgb deviceColour(int X, int Y)
{
    return qRgb(X * 17 % 256, Y * 29 % 256, (X * 7 + Y * 13) % 256);
}

void fillDistinct(QImage &Image)
{
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            Image.setPixel(x, y, deviceColour(x, y));
}

std::unique_ptr<TBitmap> bitmap(int Width, int Height,
                                const std::function<TColor(int, int)> &Colour)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            b->Canvas()->SetPixel(x, y, Colour(x, y));
    return b;
}

using Formula = std::function<std::uint32_t(std::uint32_t P, std::uint32_t S, std::uint32_t D)>;

} // namespace

TEST(DenseCanvas, RasterOperationsAreExactForEachDevicePixel)
{
    const std::vector<std::pair<std::uint32_t, Formula>> operations{
        {SRCCOPY, [](auto, auto s, auto) { return s; }},
        {SRCINVERT, [](auto, auto s, auto d) { return s ^ d; }},
        {PATINVERT, [](auto p, auto, auto d) { return p ^ d; }},
        {MERGECOPY, [](auto p, auto s, auto) { return p & s; }},
        {DSPDxax, [](auto p, auto s, auto d) { return ((p ^ d) & s) ^ d; }},
        {DSTINVERT, [](auto, auto, auto d) { return ~d; }},
    };
    // The source and the pattern hold one colour per logical pixel.
    const auto source =
        bitmap(6, 4, [](int X, int Y) { return static_cast<TColor>(RGB(X * 40, Y * 60, 200)); });
    const auto pattern = bitmap(2, 2, [](int X, int Y) {
        return static_cast<TColor>(RGB(X ? 0xF0 : 0x0F, Y ? 0xCC : 0x33, 0x5A));
    });
    for (const auto &[rop, formula] : operations) {
        SCOPED_TRACE(rop);
        QImage image = denseImage(6, 4, 2.0);
        fillDistinct(image);
        const QImage before = image;
        TCanvas canvas(&image);
        canvas.Brush()->SetBitmap(pattern.get());
        ASSERT_TRUE(BitBlt(&canvas, 1, 1, 4, 2, source->Canvas(), 0, 1, rop));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int lx = x / 2, ly = y / 2;
                const QRgb d = before.pixel(x, y);
                QRgb want = d;
                if (lx >= 1 && lx < 5 && ly >= 1 && ly < 3) {
                    const QRgb p = pattern->Canvas()->Target()->pixel(lx % 2, ly % 2);
                    const QRgb s = source->Canvas()->Target()->pixel(lx - 1, ly);
                    want = 0xFF000000u | (formula(p, s, d) & 0xFFFFFF);
                }
                ASSERT_EQ(image.pixel(x, y), want) << "device pixel " << x << "," << y;
            }
    }
}

TEST(DenseCanvas, CopiesBetweenDenseImagesKeepEveryDevicePixel)
{
    QImage from = denseImage(4, 3, 2.0);
    fillDistinct(from);
    TCanvas source(&from);
    QImage to = denseImage(4, 3, 2.0);
    to.fill(Qt::black);
    TCanvas dest(&to);
    ASSERT_TRUE(BitBlt(&dest, 1, 0, 3, 3, &source, 0, 0, SRCCOPY));
    for (int y = 0; y < to.height(); ++y)
        for (int x = 0; x < to.width(); ++x)
            ASSERT_EQ(to.pixel(x, y), x < 2 ? qRgb(0, 0, 0) : from.pixel(x - 2, y))
                << x << "," << y;

    // CopyRect of a one-to-one part copies device pixels as they are too.
    to.fill(Qt::black);
    dest.CopyRect(Rect(0, 1, 2, 3), &source, Rect(2, 0, 4, 2));
    dest.Flush();
    for (int y = 2; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(to.pixel(x, y), from.pixel(x + 4, y - 2)) << x << "," << y;
    EXPECT_EQ(to.pixel(4, 2), qRgb(0, 0, 0));
}

TEST(DenseCanvas, PixelsAndLinesCoverWholeBlocksOfDevicePixels)
{
    QImage image = denseImage(6, 4, 2.0);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetPixel(2, 1, clRed);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y),
                      (x / 2 == 2 && y / 2 == 1) ? qRgb(255, 0, 0) : qRgb(255, 255, 255));
    EXPECT_EQ(canvas.Pixel(2, 1), clRed);
    // Logical bounds, not device ones.
    EXPECT_EQ(canvas.Pixel(6, 0), clNone);
    EXPECT_EQ(canvas.Pixel(0, 4), clNone);
    canvas.SetPixel(6, 0, clRed);

    // A one-pixel XOR line covers its blocks exactly, without its end
    // point, and a second one takes it away again.
    image.fill(Qt::white);
    const QImage white = image;
    canvas.Pen()->SetColor(clWhite);
    canvas.Pen()->SetMode(pmXor);
    canvas.MoveTo(1, 2);
    canvas.LineTo(5, 2);
    canvas.Flush();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool on = y / 2 == 2 && x / 2 >= 1 && x / 2 < 5;
            ASSERT_EQ(image.pixel(x, y), on ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << x << "," << y;
        }
    canvas.MoveTo(1, 2);
    canvas.LineTo(5, 2);
    canvas.Flush();
    EXPECT_EQ(image, white);
}

TEST(DenseCanvas, AtAFractionalRatioLogicalPixelsTileTheImage)
{
    // At 1.5 logical pixels are one or two device pixels wide; each device
    // pixel belongs to exactly one, whatever writes it.
    QImage image = denseImage(7, 5, 1.5);
    image.fill(Qt::black);
    TCanvas canvas(&image);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            canvas.SetPixel(x, y, static_cast<TColor>(RGB(x * 30 + 10, y * 40 + 10, 255)));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(canvas.Pixel(x, y), static_cast<TColor>(RGB(x * 30 + 10, y * 40 + 10, 255)));
    // 7 x 1.5 rounds up to 11 device pixels; the last column is half a
    // logical one and nobody's.
    ASSERT_EQ(image.width(), 11);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_NE(image.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;

    // An inversion of the whole canvas, twice, restores every pixel.
    const QImage before = image;
    ASSERT_TRUE(BitBlt(&canvas, 0, 0, 7, 5, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(image.pixel(4, 4), 0xFF000000u | ~before.pixel(4, 4));
    ASSERT_TRUE(BitBlt(&canvas, 0, 0, 7, 5, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(image, before);
}

TEST(DenseCanvas, StripCellsAreScaledWithoutTheirNeighbours)
{
    // Three 4 x 4 cells: red, a blue-green checker, red.
    QImage strip(12, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 12; ++x)
            strip.setPixel(x, y,
                           (x < 4 || x >= 8) ? qRgb(255, 0, 0)
                                             : ((x + y) % 2 ? qRgb(0, 0, 255) : qRgb(0, 255, 0)));

    // At a whole ratio each pixel of the cell becomes an exact block.
    QImage dense = denseImage(8, 8, 2.0);
    dense.fill(Qt::transparent);
    {
        TCanvas canvas(&dense);
        canvas.DrawImage(2, 2, strip, Rect(4, 0, 8, 4));
    }
    for (int y = 0; y < dense.height(); ++y)
        for (int x = 0; x < dense.width(); ++x) {
            const int lx = x / 2 - 2, ly = y / 2 - 2;
            const bool inside = lx >= 0 && lx < 4 && ly >= 0 && ly < 4;
            ASSERT_EQ(dense.pixel(x, y), inside ? strip.pixel(4 + lx, ly) : 0u) << x << "," << y;
        }

    // At 1.5 the cell is smoothed, but nothing of the red cells beside it
    // bleeds in.
    QImage fractional = denseImage(8, 8, 1.5);
    fractional.fill(Qt::transparent);
    {
        TCanvas canvas(&fractional);
        canvas.DrawImage(2, 2, strip, Rect(4, 0, 8, 4));
    }
    int covered = 0;
    for (int y = 0; y < fractional.height(); ++y)
        for (int x = 0; x < fractional.width(); ++x) {
            ASSERT_EQ(qRed(fractional.pixel(x, y)), 0) << x << "," << y;
            covered += qAlpha(fractional.pixel(x, y)) == 255;
        }
    EXPECT_EQ(covered, 6 * 6);

    // An image list draws its cells the same way.
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap image;
    image.SetImage(strip);
    ASSERT_EQ(list.Add(&image, nullptr), 0);
    ASSERT_EQ(list.Count(), 3);
    dense.fill(Qt::transparent);
    {
        TCanvas canvas(&dense);
        list.Draw(&canvas, 0, 0, 1, true);
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(dense.pixel(x, y), strip.pixel(4 + x / 2, y / 2)) << x << "," << y;
}

TEST(DenseCanvas, PatternBrushesRepeatPerLogicalPixel)
{
    // The fill of a latched button: a checker of two colours, one logical
    // pixel each, as at a ratio of 1.
    TBitmap *checker = AllocPatternBitmap(clWhite, clBlack);
    QImage image = denseImage(6, 4, 2.0);
    image.fill(Qt::red);
    {
        TCanvas canvas(&image);
        canvas.Brush()->SetBitmap(checker);
        canvas.FillRect(Rect(0, 0, 6, 4));
    }
    QImage flat(6, 4, QImage::Format_ARGB32_Premultiplied);
    {
        TCanvas canvas(&flat);
        canvas.Brush()->SetBitmap(checker);
        canvas.FillRect(Rect(0, 0, 6, 4));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), flat.pixel(x / 2, y / 2)) << x << "," << y;
}
