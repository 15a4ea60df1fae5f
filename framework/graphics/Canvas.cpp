#include "framework/Graphics.h"
#include "framework/graphics/Graphics_p.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <map>

// ---------------------------------------------------------------------------
// Canvas

const TClassInfo &TCanvas::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCanvas>("TCanvas", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TCanvas::TCanvas() = default;

TCanvas::TCanvas(QImage *Target) : FTarget(Target) {}

TCanvas::~TCanvas()
{
    Flush();
}

namespace {
// Whether a painter is as it was opened in everything the canvas's drawing
// calls do not set for themselves before they draw (they set the pen, brush,
// font and composition mode they use). Asking is far cheaper than restoring.
bool asOpened(const QPainter &p)
{
    // A painter on an image starts with no transform and the automatic
    // layout direction.
    return p.transform().type() == QTransform::TxNone && !p.viewTransformEnabled() &&
           !p.hasClipping() && p.opacity() == 1.0 &&
           p.renderHints() == QPainter::TextAntialiasing && p.brushOrigin() == QPoint() &&
           p.backgroundMode() == Qt::TransparentMode &&
           p.layoutDirection() == Qt::LayoutDirectionAuto;
}
} // namespace

void TCanvas::SetTarget(QImage *Target)
{
    if (FTarget == Target) {
        // Pointed at the same image again for a new picture (a control's
        // next paint): the open painter is kept, since opening one is much
        // of a small control's paint, but starts from a new one's state.
        if (FPainter && !asOpened(*FPainter)) {
            FPainter->restore();
            FPainter->save();
        }
        return;
    }
    Flush();
    FTarget = Target;
}

void TCanvas::Flush()
{
    if (FPainter) {
        FPainter->restore();
        FPainter->end();
        FPainter.reset();
    }
}

QPainter *TCanvas::begin()
{
    if (!FTarget || FTarget->isNull())
        return nullptr;
    if (!FPainter) {
        FPainter = std::make_unique<QPainter>(FTarget);
        FPainter->setRenderHint(QPainter::TextAntialiasing, true);
        // The state SetTarget of the same image returns to.
        FPainter->save();
    }
    return FPainter.get();
}

void TCanvas::applyPen(QPainter &p)
{
    if (FPen.Style() == psClear) {
        p.setPen(Qt::NoPen);
    } else {
        QPen pen(ColorToQColor(FPen.Color()));
        pen.setWidth(std::max(1, FPen.Width()));
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        switch (FPen.Style()) {
        case psDash:
            pen.setStyle(Qt::DashLine);
            break;
        case psDot:
            pen.setStyle(Qt::DotLine);
            break;
        case psDashDot:
            pen.setStyle(Qt::DashDotLine);
            break;
        case psDashDotDot:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        default:
            pen.setStyle(Qt::SolidLine);
        }
        p.setPen(pen);
    }
    switch (FPen.Mode()) {
    case pmXor:
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case pmNot:
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    default:
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

bool TCanvas::brushFills() const
{
    // A pattern brush fills whatever its style says, as in the raster
    // operations; the style still decides whether text gets a background.
    const TBitmap *pattern = FBrush.Bitmap();
    return (pattern && !pattern->Empty()) || FBrush.Style() != bsClear;
}

namespace {
// Qt tiles a premultiplied texture by its fast path but converts every pixel
// of a bitmap's own format at every fill. Patterns are few and rarely change
// (a pushed-in button's checker at each of its paints): the brush of the
// last one is kept while its pixels stay the same.
const QBrush &patternBrush(const QImage &Pattern)
{
    static qint64 key = 0;
    static QBrush brush;
    if (brush.style() == Qt::NoBrush || Pattern.cacheKey() != key) {
        brush = QBrush(Pattern.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        key = Pattern.cacheKey();
    }
    return brush;
}
} // namespace

void TCanvas::applyBrush(QPainter &p)
{
    static const std::map<TBrushStyle, Qt::BrushStyle> styles{
        {bsSolid, Qt::SolidPattern},     {bsClear, Qt::NoBrush},
        {bsHorizontal, Qt::HorPattern},  {bsVertical, Qt::VerPattern},
        {bsFDiagonal, Qt::FDiagPattern}, {bsBDiagonal, Qt::BDiagPattern},
        {bsCross, Qt::CrossPattern},     {bsDiagCross, Qt::DiagCrossPattern},
    };
    if (TBitmap *pattern = FBrush.Bitmap(); pattern && !pattern->Empty())
        p.setBrush(patternBrush(pattern->Image()));
    else
        p.setBrush(QBrush(ColorToQColor(FBrush.Color(), clWhite), styles.at(FBrush.Style())));
}

namespace {
// Whether two fonts make the same Qt font: everything ToQFont reads.
bool sameQtFont(const TFont &A, const TFont &B)
{
    return A.Name() == B.Name() && A.Height() == B.Height() && A.Style() == B.Style() &&
           A.Pitch() == B.Pitch();
}
} // namespace

const QFont &TCanvas::qtFont()
{
    // Building a Qt font looks its family up; painting asks for the font far
    // more often than it changes.
    if (!FQtFont || !sameQtFont(FFont, FQtFontOf)) {
        FQtFont = std::make_unique<QFont>(FFont.ToQFont());
        FQtFontOf.Assign(&FFont);
    }
    return *FQtFont;
}

QPainter *TCanvas::Painter()
{
    QPainter *p = begin();
    if (p) {
        applyPen(*p);
        applyBrush(*p);
        p->setFont(qtFont());
    }
    return p;
}

void TCanvas::DrawImage(int X, int Y, const QImage &Image, const TRect &SourceRect)
{
    if (QPainter *p = begin()) {
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        const QRect source(SourceRect.Left, SourceRect.Top, SourceRect.Width(),
                           SourceRect.Height());
        // Image lists draw through here at every paint: the plain path first.
        if (FTarget->devicePixelRatio() == 1.0)
            p->drawImage(QPoint(X, Y), Image, source);
        else
            graphics_detail::DrawScaledImage(*p, QRect(QPoint(X, Y), source.size()), Image, source);
    }
}

void TCanvas::MoveTo(int X, int Y)
{
    FPenPos = {X, Y};
}

void TCanvas::LineTo(int X, int Y)
{
    if (QPainter *p = begin(); p && FPen.Style() != psClear) {
        applyPen(*p);
        // Like GDI the end point itself is not drawn.
        if (FPen.Width() <= 1) {
            const QColor color = p->pen().color();
            p->setPen(QPen(color, 1));
            const int dx = X - FPenPos.X, dy = Y - FPenPos.Y;
            const int steps = std::max(std::abs(dx), std::abs(dy));
            // On a denser image a logical point is a block of device pixels,
            // which a point of the pen would not cover exactly.
            const bool dense = FTarget->devicePixelRatio() != 1.0;
            for (int i = 0; i < steps; ++i) {
                const int x = FPenPos.X + dx * i / steps, y = FPenPos.Y + dy * i / steps;
                if (dense)
                    p->fillRect(QRect(x, y, 1, 1), color);
                else
                    p->drawPoint(x, y);
            }
        } else {
            p->drawLine(FPenPos.X, FPenPos.Y, X, Y);
        }
    }
    FPenPos = {X, Y};
}

void TCanvas::FillRect(const TRect &R)
{
    QPainter *p = begin();
    if (!p || !brushFills() || R.Width() <= 0 || R.Height() <= 0)
        return;
    applyBrush(*p);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(R.Left, R.Top, R.Width(), R.Height()), p->brush());
}

void TCanvas::Rectangle(const TRect &R)
{
    QPainter *p = begin();
    if (!p || R.Width() <= 0 || R.Height() <= 0)
        return;
    // GDI fills the inside with the brush and draws the outline within R.
    if (brushFills()) {
        applyBrush(*p);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->fillRect(QRect(R.Left, R.Top, R.Width(), R.Height()), p->brush());
    }
    if (FPen.Style() != psClear) {
        applyPen(*p);
        p->setBrush(Qt::NoBrush);
        const int w = std::max(1, FPen.Width());
        QPen pen = p->pen();
        pen.setWidth(w);
        p->setPen(pen);
        const double half = w / 2.0;
        p->drawRect(QRectF(R.Left + half, R.Top + half, R.Width() - w, R.Height() - w));
    }
}

TSize TCanvas::TextExtent(const String &Text)
{
    const QFontMetrics fm(qtFont());
    return TSize{fm.horizontalAdvance(QString::fromStdString(Text)), fm.height()};
}

void TCanvas::TextOut(int X, int Y, const String &Text)
{
    QPainter *p = begin();
    const TSize size = TextExtent(Text);
    if (p) {
        const QString text = QString::fromStdString(Text);
        const QFont &font = qtFont();
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (FBrush.Style() != bsClear)
            p->fillRect(QRect(X, Y, size.cx, size.cy), ColorToQColor(FBrush.Color(), clWhite));
        p->setFont(font);
        p->setPen(ColorToQColor(FFont.Color()));
        p->drawText(X, Y + QFontMetrics(font).ascent(), text);
    }
    FPenPos = {X + size.cx, Y};
}

void TCanvas::TextRect(const TRect &R, int X, int Y, const String &Text)
{
    QPainter *p = begin();
    if (!p)
        return;
    p->save();
    p->setClipRect(QRect(R.Left, R.Top, R.Width(), R.Height()));
    FillRect(R);
    const TBrushStyle style = FBrush.Style();
    FBrush.SetStyle(bsClear);
    TextOut(X, Y, Text);
    FBrush.SetStyle(style);
    p->restore();
}

namespace {
int qtTextFlags(unsigned Flags)
{
    int f = 0;
    if (Flags & DT_CENTER)
        f |= Qt::AlignHCenter;
    else if (Flags & DT_RIGHT)
        f |= Qt::AlignRight;
    else
        f |= Qt::AlignLeft;
    if (Flags & DT_VCENTER)
        f |= Qt::AlignVCenter;
    else if (Flags & DT_BOTTOM)
        f |= Qt::AlignBottom;
    else
        f |= Qt::AlignTop;
    if (Flags & DT_WORDBREAK)
        f |= Qt::TextWordWrap;
    if (Flags & DT_SINGLELINE)
        f |= Qt::TextSingleLine;
    if (Flags & DT_NOCLIP)
        f |= Qt::TextDontClip;
    if (Flags & DT_EXPANDTABS)
        f |= Qt::TextExpandTabs;
    if (!(Flags & DT_NOPREFIX))
        f |= Qt::TextShowMnemonic;
    return f;
}
} // namespace

int TCanvas::DrawText(const String &Text, TRect &R, unsigned Flags)
{
    const QFont &font = qtFont();
    const QFontMetrics fm(font);
    const QString text = QString::fromStdString(Text);
    const int flags = qtTextFlags(Flags);
    const QRect box(R.Left, R.Top, R.Width(), R.Height());
    if (Flags & DT_CALCRECT) {
        const QRect bounds = fm.boundingRect(
            QRect(R.Left, R.Top, (Flags & DT_WORDBREAK) ? R.Width() : 0, 0),
            flags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom),
            text);
        R.Right = R.Left + bounds.width();
        R.Bottom = R.Top + bounds.height();
        return bounds.height();
    }
    QPainter *p = begin();
    if (!p)
        return 0;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(font);
    if (FBrush.Style() != bsClear) {
        const QRect used = fm.boundingRect(box, flags, text);
        p->fillRect(used, ColorToQColor(FBrush.Color(), clWhite));
    }
    p->setPen(ColorToQColor(FFont.Color()));
    QRect drawn;
    p->drawText(box, flags, text, &drawn);
    return drawn.height();
}

void TCanvas::Draw(int X, int Y, TGraphic *Graphic)
{
    if (Graphic && !Graphic->Empty())
        Graphic->Draw(*this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect &R, TGraphic *Graphic)
{
    if (Graphic && !Graphic->Empty())
        Graphic->Draw(*this, R);
}

void TCanvas::CopyRect(const TRect &DestRect, TCanvas *Source, const TRect &SourceRect)
{
    if (!Source || !Source->FTarget)
        return;
    Source->Flush();
    const QRect from(SourceRect.Left, SourceRect.Top, SourceRect.Width(), SourceRect.Height());
    QImage part = graphics_detail::SourcePixels(
        *this, *Source, graphics_detail::DeviceRect(*Source->FTarget, from));
    const QRect to(DestRect.Left, DestRect.Top, DestRect.Width(), DestRect.Height());
    if (QPainter *p = begin()) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        if (const qreal r = FTarget->devicePixelRatio(); r == 1.0) {
            p->drawImage(to, part);
        } else if (!to.isEmpty()) {
            // Pixel for pixel onto the device pixels DestRect covers, as the
            // raster operations copy.
            const QRect device = graphics_detail::DeviceRect(*FTarget, to);
            part = graphics_detail::NearestScaled(part, device.width(), device.height());
            part.setDevicePixelRatio(r);
            p->drawImage(QPointF(device.x() / r, device.y() / r), part);
        }
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

TColor TCanvas::Pixel(int X, int Y)
{
    Flush();
    if (!FTarget || !graphics_detail::LogicalBounds(*FTarget).contains(X, Y))
        return clNone;
    // The first device pixel of the logical one.
    const qreal r = FTarget->devicePixelRatio();
    return QColorToColor(
        FTarget->pixelColor(graphics_detail::DeviceEdge(X, r), graphics_detail::DeviceEdge(Y, r)));
}

void TCanvas::SetPixel(int X, int Y, TColor Color)
{
    Flush();
    if (!FTarget || !graphics_detail::LogicalBounds(*FTarget).contains(X, Y))
        return;
    const QColor c = ColorToQColor(Color);
    const QRect device = graphics_detail::DeviceRect(*FTarget, QRect(X, Y, 1, 1));
    for (int y = device.top(); y <= device.bottom(); ++y)
        for (int x = device.left(); x <= device.right(); ++x)
            FTarget->setPixelColor(x, y, c);
}

int DrawTextA(TCanvas *Canvas, const String &Text, int Count, TRect &R, unsigned Flags)
{
    if (!Canvas)
        return 0;
    if (Count >= 0 && static_cast<std::size_t>(Count) < Text.size())
        return Canvas->DrawText(Text.substr(0, static_cast<std::size_t>(Count)), R, Flags);
    return Canvas->DrawText(Text, R, Flags);
}
