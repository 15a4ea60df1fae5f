#include "framework/Controls.h"

#include <QImage>
#include <algorithm>
#include <memory>

// ---------------------------------------------------------------------------
// Self-painting controls

namespace {
// Points Canvas at a buffer of the control's size filled with Fill, runs
// Paint, and ends the canvas's painting whether Paint returns or throws.
template <class PaintFunction>
void paintBuffered(std::unique_ptr<QImage> &Buffer, TCanvas &Canvas, int Width, int Height,
                   const QColor &Fill, PaintFunction Paint)
{
    const QSize size(std::max(1, Width), std::max(1, Height));
    Canvas.Flush();
    if (!Buffer || Buffer->size() != size)
        Buffer = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
    Buffer->fill(Fill);
    Canvas.SetTarget(Buffer.get());
    try {
        Paint();
    } catch (...) {
        Canvas.Flush();
        throw;
    }
    Canvas.Flush();
}
} // namespace

const TClassInfo &TGraphicControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClassInfo()).Build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent *AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{}

TGraphicControl::~TGraphicControl()
{
    FCanvas->Flush();
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
    paintBuffered(FBuffer, *FCanvas, Width(), Height(), Qt::transparent, [this] { Paint(); });
}

const TClassInfo &TCustomControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClassInfo()).Build();
    return info;
}

TCustomControl::TCustomControl(TComponent *AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{}

TCustomControl::~TCustomControl()
{
    FCanvas->Flush();
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
    paintBuffered(FBuffer, *FCanvas, Width(), Height(), ColorToQColor(Color(), clBtnFace),
                  [this] { Paint(); });
}
