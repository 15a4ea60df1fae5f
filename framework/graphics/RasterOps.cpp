#include "framework/Graphics.h"
#include "framework/graphics/Graphics_p.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------
// Raster operations

namespace graphics_detail {

QRgb PixelOf(TColor Color)
{
    const auto c = static_cast<std::uint32_t>(ColorToRGB(Color));
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

int DeviceEdge(int Value, qreal Ratio)
{
    if (Ratio == 1.0)
        return Value;
    return static_cast<int>(std::lround(Value * Ratio));
}

QRect DeviceRect(const QImage &Image, const QRect &Logical)
{
    const qreal r = Image.devicePixelRatio();
    const int left = DeviceEdge(Logical.x(), r), top = DeviceEdge(Logical.y(), r);
    return QRect(left, top, DeviceEdge(Logical.x() + Logical.width(), r) - left,
                 DeviceEdge(Logical.y() + Logical.height(), r) - top);
}

QRect LogicalBounds(const QImage &Image)
{
    const qreal r = Image.devicePixelRatio();
    if (r == 1.0)
        return Image.rect();
    // The buffer is rounded up to whole device pixels; a part of a logical
    // pixel is not one.
    return QRect(0, 0, static_cast<int>(std::floor(Image.width() / r + 1e-6)),
                 static_cast<int>(std::floor(Image.height() / r + 1e-6)));
}

std::vector<int> LogicalOf(int Start, int Count, qreal Ratio)
{
    const int first = DeviceEdge(Start, Ratio);
    std::vector<int> out(
        static_cast<std::size_t>(std::max(0, DeviceEdge(Start + Count, Ratio) - first)));
    for (int l = Start; l < Start + Count; ++l)
        for (int d = DeviceEdge(l, Ratio); d < DeviceEdge(l + 1, Ratio); ++d)
            out[static_cast<std::size_t>(d - first)] = l;
    return out;
}

QImage NearestScaled(const QImage &Image, int Width, int Height)
{
    const QImage in = Image.convertToFormat(QImage::Format_ARGB32);
    if (in.size() == QSize(Width, Height))
        return in;
    QImage out(std::max(0, Width), std::max(0, Height), QImage::Format_ARGB32);
    if (out.isNull() || in.isNull())
        return out;
    // Samples at the centre of each target pixel: a whole factor repeats each
    // source pixel exactly that many times.
    const auto pick = [](int D, int From, int To) {
        return static_cast<int>((2LL * D + 1) * From / (2LL * To));
    };
    for (int y = 0; y < out.height(); ++y) {
        const auto *src =
            reinterpret_cast<const QRgb *>(in.constScanLine(pick(y, in.height(), out.height())));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = src[pick(x, in.width(), out.width())];
    }
    return out;
}

QImage ScaledForDevice(const QImage &Image, int Width, int Height)
{
    if (Image.isNull() || Width <= 0 || Height <= 0)
        return QImage();
    if (Width % Image.width() == 0 && Height % Image.height() == 0)
        return NearestScaled(Image, Width, Height);
    const int factor =
        std::max(1, static_cast<int>(std::ceil(
                        std::max(double(Width) / Image.width(), double(Height) / Image.height()))));
    const QImage big = NearestScaled(Image, Image.width() * factor, Image.height() * factor);
    return big.scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void DrawScaledImage(QPainter &Painter, const QRect &Target, const QImage &Image,
                     const QRect &Source)
{
    const qreal r = Painter.device() ? Painter.device()->devicePixelRatio() : 1.0;
    if (r == 1.0) {
        Painter.drawImage(Target, Image, Source);
        return;
    }
    const QRect part = Source.intersected(Image.rect());
    if (part.isEmpty() || Target.isEmpty())
        return;
    const int left = DeviceEdge(Target.x(), r), top = DeviceEdge(Target.y(), r);
    QImage scaled =
        ScaledForDevice(Image.copy(part), DeviceEdge(Target.x() + Target.width(), r) - left,
                        DeviceEdge(Target.y() + Target.height(), r) - top);
    if (scaled.isNull())
        return;
    scaled.setDevicePixelRatio(r);
    Painter.drawImage(QPointF(left / r, top / r), scaled);
}

QImage SourcePixels(TCanvas &Dest, TCanvas &Source, const QRect &Area)
{
    Source.Flush();
    QImage out(Area.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QImage *image = Source.Target();
    if (!image || image->isNull())
        return out;
    if (image->devicePixelRatio() == 1.0) {
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), *image, Area);
    } else {
        // Area is in device pixels: copy them as they are, without the
        // painter scaling them by the image's ratio.
        const QRect inside = Area.intersected(image->rect());
        if (!inside.isEmpty()) {
            QImage part = image->copy(inside);
            part.setDevicePixelRatio(1.0);
            QPainter p(&out);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(inside.topLeft() - Area.topLeft(), part);
        }
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
    // The area in logical pixels, then the device pixels it covers: at a
    // ratio of 1 they are the same.
    const QRect area = QRect(X, Y, W, H).intersected(graphics_detail::LogicalBounds(target));
    if (area.isEmpty())
        return true;
    const qreal ratio = target.devicePixelRatio();
    const QRect device = graphics_detail::DeviceRect(target, area);

    QImage source;
    if (needsSource) {
        Source->Flush();
        const QRect from(XSrc + area.x() - X, YSrc + area.y() - Y, area.width(), area.height());
        const QImage *image = Source->Target();
        source = graphics_detail::SourcePixels(
            *Dest, *Source, image ? graphics_detail::DeviceRect(*image, from) : from);
        // A source of another density is taken pixel by pixel as the
        // destination's device pixels fall on it.
        if (source.size() != device.size())
            source = graphics_detail::NearestScaled(source, device.width(), device.height());
    }

    // The pattern: the brush's bitmap repeated from the canvas's origin in
    // logical pixels, or its colour (a clear brush has no pattern: 0).
    TBrush &brush = *Dest->Brush();
    QImage pattern;
    QRgb solid = 0;
    if (brush.Bitmap() && !brush.Bitmap()->Empty())
        pattern = brush.Bitmap()->Image().convertToFormat(QImage::Format_ARGB32);
    else if (brush.Style() != bsClear)
        solid = PixelOf(brush.Color());
    if (Dest->Monochrome())
        solid = monochromePixel(solid);
    const std::vector<int> columns = graphics_detail::LogicalOf(area.x(), area.width(), ratio);
    const std::vector<int> rows = graphics_detail::LogicalOf(area.y(), area.height(), ratio);

    for (int y = 0; y < device.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(target.scanLine(device.y() + y)) + device.x();
        const QRgb *src =
            needsSource ? reinterpret_cast<const QRgb *>(source.constScanLine(y)) : nullptr;
        const QRgb *row = pattern.isNull()
                              ? nullptr
                              : reinterpret_cast<const QRgb *>(pattern.constScanLine(
                                    rows[static_cast<std::size_t>(y)] % pattern.height()));
        for (int x = 0; x < device.width(); ++x) {
            // Source pixels beyond the source image leave the destination alone.
            if (src && qAlpha(src[x]) == 0)
                continue;
            QRgb p = row ? row[columns[static_cast<std::size_t>(x)] % pattern.width()] : solid;
            if (row && Dest->Monochrome())
                p = monochromePixel(p);
            const QRgb s = src ? src[x] : 0;
            line[x] = 0xFF000000u | (applyRop(table, p, s, line[x]) & 0xFFFFFF);
        }
    }
    return true;
}
