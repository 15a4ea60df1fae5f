#include "framework/Graphics.h"
#include "framework/graphics/Graphics_p.h"

#include <QPainter>
#include <algorithm>

// ---------------------------------------------------------------------------
// Raster operations

namespace graphics_detail {

QRgb PixelOf(TColor Color)
{
    const auto c = static_cast<std::uint32_t>(ColorToRGB(Color));
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

QImage SourcePixels(TCanvas &Dest, TCanvas &Source, const QRect &Area)
{
    Source.Flush();
    QImage out(Area.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QImage *image = Source.Target();
    if (!image || image->isNull())
        return out;
    {
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), *image, Area);
    }
    if (Dest.Monochrome() == Source.Monochrome())
        return out;
    const QRgb key = PixelOf(Source.Brush()->Color()) & 0xFFFFFF;
    const QRgb zero = PixelOf(Dest.TextColor());
    const QRgb one = PixelOf(Dest.BkColor());
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            if (Dest.Monochrome())
                line[x] = (line[x] & 0xFFFFFF) == key ? 0xFFFFFFFFu : 0xFF000000u;
            else
                line[x] = (line[x] & 0xFFFFFF) != 0 ? one : zero;
        }
    }
    return out;
}

} // namespace graphics_detail

namespace {

using graphics_detail::PixelOf;

// The operation's result for whole words: each of the eight input
// combinations whose truth-table bit is set contributes the bits where P, S
// and D take exactly that combination.
std::uint32_t applyRop(std::uint8_t Table, std::uint32_t P, std::uint32_t S, std::uint32_t D)
{
    std::uint32_t result = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(Table & (1u << i)))
            continue;
        const std::uint32_t p = (i & 4) ? P : ~P;
        const std::uint32_t s = (i & 2) ? S : ~S;
        const std::uint32_t d = (i & 1) ? D : ~D;
        result |= p & s & d;
    }
    return result;
}

// Whether the operation's result depends on the input whose truth-table
// index bit is Bit (4 pattern, 2 source, 1 destination).
bool uses(std::uint8_t Table, unsigned Bit)
{
    for (unsigned i = 0; i < 8; ++i)
        if (!(i & Bit) && ((Table >> i) & 1) != ((Table >> (i | Bit)) & 1))
            return true;
    return false;
}

// One-bit canvases hold only black and white: a brush colour becomes the
// nearer of the two.
QRgb monochromePixel(QRgb Pixel)
{
    return qGray(Pixel) >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
}

} // namespace

bool BitBlt(TCanvas *Dest, int X, int Y, int W, int H, TCanvas *Source, int XSrc, int YSrc,
            std::uint32_t Rop)
{
    if (!Dest || !Dest->Target() || Dest->Target()->isNull())
        return false;
    const auto table = static_cast<std::uint8_t>((Rop >> 16) & 0xFF);
    const bool needsSource = uses(table, 2);
    if (needsSource && (!Source || !Source->Target()))
        return false;
    Dest->Flush();
    QImage &target = *Dest->Target();
    const QRect area = QRect(X, Y, W, H).intersected(target.rect());
    if (area.isEmpty())
        return true;

    QImage source;
    if (needsSource)
        source = graphics_detail::SourcePixels(
            *Dest, *Source,
            QRect(XSrc + area.x() - X, YSrc + area.y() - Y, area.width(), area.height()));

    // The pattern: the brush's bitmap repeated from the canvas's origin, or
    // its colour (a clear brush has no pattern: 0).
    TBrush &brush = *Dest->Brush();
    QImage pattern;
    QRgb solid = 0;
    if (brush.Bitmap() && !brush.Bitmap()->Empty())
        pattern = brush.Bitmap()->Image().convertToFormat(QImage::Format_ARGB32);
    else if (brush.Style() != bsClear)
        solid = PixelOf(brush.Color());
    if (Dest->Monochrome())
        solid = monochromePixel(solid);

    for (int y = 0; y < area.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(target.scanLine(area.y() + y)) + area.x();
        const QRgb *src =
            needsSource ? reinterpret_cast<const QRgb *>(source.constScanLine(y)) : nullptr;
        const QRgb *row = pattern.isNull() ? nullptr
                                           : reinterpret_cast<const QRgb *>(pattern.constScanLine(
                                                 (area.y() + y) % pattern.height()));
        for (int x = 0; x < area.width(); ++x) {
            // Source pixels beyond the source image leave the destination alone.
            if (src && qAlpha(src[x]) == 0)
                continue;
            QRgb p = row ? row[(area.x() + x) % pattern.width()] : solid;
            if (row && Dest->Monochrome())
                p = monochromePixel(p);
            const QRgb s = src ? src[x] : 0;
            line[x] = 0xFF000000u | (applyRop(table, p, s, line[x]) & 0xFFFFFF);
        }
    }
    return true;
}
