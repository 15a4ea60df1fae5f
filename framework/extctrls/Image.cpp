#include "framework/ExtCtrls.h"

const TClassInfo &TImage::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TImage>("TImage", &TGraphicControl::StaticClassInfo())
            .Component()
            .Boolean("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false)
            .Boolean("Center", &TImage::Center, &TImage::SetCenter, false)
            .Object("Picture", &TImage::Picture)
            .Boolean("Proportional", &TImage::Proportional, &TImage::SetProportional, false)
            .Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch, false)
            .Boolean("Transparent", &TImage::Transparent, &TImage::SetTransparent, false)
            .Build();
    return info;
}

TImage::TImage(TComponent *AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetBounds(0, 0, 105, 105);
    FPicture->OnChange = TNotifyEvent(this, &TImage::pictureChanged);
}

TImage::~TImage() = default;

void TImage::pictureChanged(TObject *)
{
    if (TGraphic *g = FPicture->Graphic())
        g->SetTransparent(FTransparent);
    AdjustSize();
    Invalidate();
}

void TImage::AdjustSize()
{
    if (!FAutoSize || ComponentState().Contains(csDestroying) || FPicture->Width() <= 0 ||
        FPicture->Height() <= 0)
        return;
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
}

void TImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    AdjustSize();
}

void TImage::SetCenter(bool Value)
{
    FCenter = Value;
    Invalidate();
}

void TImage::SetStretch(bool Value)
{
    FStretch = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value)
{
    FProportional = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value)
{
    FTransparent = Value;
    if (TGraphic *g = FPicture->Graphic())
        g->SetTransparent(Value);
    Invalidate();
}

TRect TImage::DestRect() const
{
    int w = FPicture->Width();
    int h = FPicture->Height();
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            // Fit inside, keeping the proportions.
            if (static_cast<long long>(cw) * h < static_cast<long long>(ch) * w) {
                h = static_cast<int>(static_cast<long long>(h) * cw / w);
                w = cw;
            } else {
                w = static_cast<int>(static_cast<long long>(w) * ch / h);
                h = ch;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r = Rect(0, 0, w, h);
    if (FCenter) {
        r.Left = (cw - w) / 2;
        r.Top = (ch - h) / 2;
        r.Right = r.Left + w;
        r.Bottom = r.Top + h;
    }
    return r;
}

void TImage::Paint()
{
    if (TGraphic *g = FPicture->Graphic(); g && !g->Empty())
        Canvas()->StretchDraw(DestRect(), g);
}
