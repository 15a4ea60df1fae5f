#include "framework/Controls.h"
#include "framework/controls/Controls_p.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <memory>

// ---------------------------------------------------------------------------
// Self-painting controls

namespace controls_detail {

PaintBuffer::PaintBuffer() : FCanvas(std::make_unique<TCanvas>()) {}

PaintBuffer::~PaintBuffer()
{
    FCanvas->Flush();
}

void PaintBuffer::Paint(int Width, int Height, qreal Ratio, const QColor &Fill,
                        const std::function<void()> &Draw)
{
    if (!(Ratio > 0) || !std::isfinite(Ratio))
        Ratio = 1.0;
    // Whole device pixels, enough for the last logical one (less a hair, so
    // that 10 x 1.1 is 11 and not 12).
    const auto device = [Ratio](int Logical) {
        Logical = std::max(1, Logical);
        return Ratio == 1.0 ? Logical : static_cast<int>(std::ceil(Logical * Ratio - 1e-6));
    };
    const QSize size(device(Width), device(Height));
    // The painter left open by the last paint ends before its image is
    // replaced. (A copy someone takes of the image while a painter is open
    // on it is a deep one, so later paints never draw over a kept copy.)
    if (!FImage || FImage->size() != size || FImage->devicePixelRatio() != Ratio) {
        FCanvas->Flush();
        FImage = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
        FImage->setDevicePixelRatio(Ratio);
    }
    FImage->fill(Fill);
    // A new picture: the canvas's painter starts from its first state.
    FCanvas->SetTarget(FImage.get());
    try {
        Draw();
    } catch (...) {
        FCanvas->Flush();
        throw;
    }
    // The painter stays open for the next paint: the raster engine draws
    // straight into the image, so it can be shown and read as it is.
}

} // namespace controls_detail

const TClassInfo &TGraphicControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClassInfo()).Build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent *AOwner)
    : TControl(AOwner), FPaintBuffer(std::make_unique<controls_detail::PaintBuffer>())
{}

TGraphicControl::~TGraphicControl() = default;

TCanvas *TGraphicControl::Canvas()
{
    return FPaintBuffer->Canvas();
}

bool TGraphicControl::Focused() const
{
    return WidgetAllocated() && const_cast<TGraphicControl *>(this)->Widget()->hasFocus();
}

void TGraphicControl::WidgetCreated()
{
    TControl::WidgetCreated();
    if (AccessiblePressable())
        Widget()->setFocusPolicy(Qt::TabFocus);
}

const QImage *TGraphicControl::PaintedImage() const
{
    return FPaintBuffer->Image();
}

void TGraphicControl::Dispatch(TMessage &Message)
{
    if (Message.Msg == WM_PAINT)
        WMPaint(Message);
    else
        TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage &)
{
    // What is not painted shows the parent through.
    FPaintBuffer->Paint(Width(), Height(), DeviceRatio(), Qt::transparent, [this] { Paint(); });
}

const TClassInfo &TCustomControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClassInfo()).Build();
    return info;
}

TCustomControl::TCustomControl(TComponent *AOwner)
    : TWinControl(AOwner), FPaintBuffer(std::make_unique<controls_detail::PaintBuffer>())
{}

TCustomControl::~TCustomControl() = default;

TCanvas *TCustomControl::Canvas()
{
    return FPaintBuffer->Canvas();
}

const QImage *TCustomControl::PaintedImage() const
{
    return FPaintBuffer->Image();
}

void TCustomControl::Dispatch(TMessage &Message)
{
    if (Message.Msg == WM_PAINT)
        WMPaint(Message);
    else
        TWinControl::Dispatch(Message);
}

void TCustomControl::WMPaint(TMessage &)
{
    // The background is erased with the control's colour, then Paint draws.
    FPaintBuffer->Paint(Width(), Height(), DeviceRatio(), ColorToQColor(Color(), clBtnFace),
                        [this] { Paint(); });
}
