#include "framework/StdCtrls.h"

namespace {

const TEnumInfo TextLayoutInfo{"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};

} // namespace

// ---------------------------------------------------------------------------
// TCustomLabel

const TClassInfo &TCustomLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomLabel>("TCustomLabel", &TGraphicControl::StaticClassInfo())
            .Enumeration("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
                         AlignmentInfo, taLeftJustify)
            .Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true)
            .Text("Caption", &TCustomLabel::Caption, &TCustomLabel::SetCaption)
            .StoredIf(&TCustomLabel::isCaptionStored)
            .Reference("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl)
            .Enumeration("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, TextLayoutInfo,
                         tlTop)
            .Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar,
                     true)
            .Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent,
                     false)
            .Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false)
            .Build();
    return info;
}

const TClassInfo &TLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TLabel>("TLabel", &TCustomLabel::StaticClassInfo()).Component().Build();
    return info;
}

TCustomLabel::TCustomLabel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustSize();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    auto style = ControlStyle();
    if (Value)
        style.Exclude(csOpaque);
    else
        style.Include(csOpaque);
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (FShowAccelChar == Value)
        return;
    FShowAccelChar = Value;
    AdjustSize();
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    AdjustSize();
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (FLayout == Value)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl *Value)
{
    if (Value == FFocusControl)
        return;
    TWinControl *previous = FFocusControl;
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    FFocusControlComponent = Value;
    if (Value)
        Value->FreeNotification(this);
    // Both controls' names change: the one let go names itself again.
    if (previous)
        previous->AccessibleNameChanged();
    AccessibleNameChanged();
}

String TCustomLabel::AccessibleName() const
{
    return FShowAccelChar ? TGraphicControl::AccessibleName() : Caption();
}

void TCustomLabel::Notification(TComponent *AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FFocusControlComponent) {
        FFocusControl = nullptr;
        FFocusControlComponent = nullptr;
    }
}

void TCustomLabel::Dispatch(TMessage &Message)
{
    if (Message.Msg == CM_DIALOGCHAR)
        CMDialogChar(Message);
    else
        TGraphicControl::Dispatch(Message);
}

// The accelerator of a label moves the focus to the control it names.
void TCustomLabel::CMDialogChar(TMessage &Message)
{
    if (FFocusControl && Enabled() && FShowAccelChar &&
        IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        Message.Result = 1;
        return;
    }
    TGraphicControl::Dispatch(Message);
}

void TCustomLabel::DoDrawText(TRect &Rect, unsigned Flags)
{
    String text = Caption();
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&")))
        text += ' ';
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    TCanvas *canvas = Canvas();
    canvas->SetFont(Font());
    if (!Enabled() && !(Flags & DT_CALCRECT)) {
        // The engraved look of disabled text.
        TRect shifted = Rect;
        shifted.Left += 1;
        shifted.Top += 1;
        shifted.Right += 1;
        shifted.Bottom += 1;
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(text, shifted, Flags);
        canvas->Font()->SetColor(clBtnShadow);
        canvas->DrawText(text, Rect, Flags);
        return;
    }
    canvas->DrawText(text, Rect, Flags);
}

void TCustomLabel::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    if (!FTransparent) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetStyle(bsClear);
    static const unsigned alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const unsigned flags =
        DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | alignments[static_cast<int>(FAlignment)];
    TRect r = client;
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = r.Height() - calc.Height();
        r.Top += FLayout == tlBottom ? offset : offset / 2;
    }
    DoDrawText(r, flags);
    // Where the keyboard is, on a label that takes it (a link).
    if (Focused()) {
        canvas->Brush()->SetStyle(bsClear);
        canvas->Pen()->SetColor(clWindowText);
        canvas->Pen()->SetStyle(psDot);
        canvas->Rectangle(client);
        canvas->Pen()->SetStyle(psSolid);
    }
}

void TCustomLabel::AdjustSize()
{
    if (!FAutoSize || ComponentState().Contains(csLoading) ||
        ComponentState().Contains(csDestroying))
        return;
    TRect r = ClientRect();
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    int x = Left();
    if (FAlignment == taRightJustify)
        x += Width() - r.Right;
    SetBounds(x, Top(), r.Right, r.Bottom);
}
