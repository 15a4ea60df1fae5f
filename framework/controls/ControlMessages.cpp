#include "framework/Controls.h"
#include "framework/controls/Controls_p.h"

#include <QScopedValueRollback>

// ---------------------------------------------------------------------------
// TControl: sending and handling messages, and the events they fire

LRESULT TControl::Perform(unsigned Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m;
    m.Msg = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    Dispatch(m);
    return m.Result;
}

void TControl::Dispatch(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
        TWMMouse m(Message);
        WMLButtonDown(m);
        break;
    }
    case WM_LBUTTONUP: {
        TWMMouse m(Message);
        WMLButtonUp(m);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMLButtonDblClk(m);
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMRButtonDown(m);
        break;
    }
    case WM_RBUTTONUP: {
        TWMMouse m(Message);
        WMRButtonUp(m);
        break;
    }
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMMButtonDown(m);
        break;
    }
    case WM_MBUTTONUP: {
        TWMMouse m(Message);
        WMMButtonUp(m);
        break;
    }
    case WM_MOUSEMOVE: {
        TWMMouse m(Message);
        WMMouseMove(m);
        break;
    }
    case CM_ENABLEDCHANGED:
        CMEnabledChanged(Message);
        break;
    case CM_FONTCHANGED:
        CMFontChanged(Message);
        break;
    case CM_COLORCHANGED:
        CMColorChanged(Message);
        break;
    case CM_TEXTCHANGED:
        CMTextChanged(Message);
        break;
    case CM_VISIBLECHANGED:
        CMVisibleChanged(Message);
        break;
    case CM_PARENTFONTCHANGED:
        CMParentFontChanged(Message);
        break;
    case CM_PARENTCOLORCHANGED:
        CMParentColorChanged(Message);
        break;
    case CM_PARENTSHOWHINTCHANGED:
        CMParentShowHintChanged(Message);
        break;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        break;
    case CM_PARENTBIDIMODECHANGED:
        if (FParentBiDiMode && FParent) {
            SetBiDiMode(FParent->BiDiMode());
            FParentBiDiMode = true;
        }
        DefaultHandler(Message);
        break;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        break;
    default:
        DefaultHandler(Message);
    }
}

void TControl::DefaultHandler(TMessage &Message)
{
    FBridge->MarkDefault(Message);
}

void TControl::doMouseDown(TWMMouse &Message, TMouseButton Button)
{
    TShiftState shift = controls_detail::CurrentShiftState();
    if (Message.Msg() == WM_LBUTTONDBLCLK || Message.Msg() == WM_RBUTTONDBLCLK ||
        Message.Msg() == WM_MBUTTONDBLCLK)
        shift.Include(ssDouble);
    MouseDown(Button, shift, Message.XPos(), Message.YPos());
}

void TControl::doMouseUp(TWMMouse &Message, TMouseButton Button)
{
    MouseUp(Button, controls_detail::CurrentShiftState(), Message.XPos(), Message.YPos());
}

void TControl::WMLButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    if (FControlStyle.Contains(csClickEvents))
        FControlState.Include(csClicked);
    FControlState.Include(csLButtonDown);
    if (FControlStyle.Contains(csCaptureMouse))
        controls_detail::SetPressCapture(FBridge->Widget());
    doMouseDown(Message, mbLeft);
}

void TControl::WMLButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    FControlState.Exclude(csLButtonDown);
    controls_detail::SetPressCapture(nullptr);
    if (FControlState.Contains(csClicked)) {
        FControlState.Exclude(csClicked);
        if (ClientRect().Contains({Message.XPos(), Message.YPos()}))
            Click();
    }
    doMouseUp(Message, mbLeft);
}

void TControl::WMLButtonDblClk(TWMMouse &Message)
{
    // The first press of a double click has clicked already on its release;
    // the second press does not arm another click.
    DefaultHandler(Message.Message());
    if (FControlStyle.Contains(csDoubleClicks))
        DblClick();
    doMouseDown(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseDown(Message, mbRight);
}

void TControl::WMRButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseUp(Message, mbRight);
}

void TControl::WMMButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseDown(Message, mbMiddle);
}

void TControl::WMMButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    MouseMove(controls_detail::CurrentShiftState(), Message.XPos(), Message.YPos());
}

void TControl::CMEnabledChanged(TMessage &Message)
{
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMFontChanged(TMessage &Message)
{
    AdjustSize();
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMColorChanged(TMessage &Message)
{
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMTextChanged(TMessage &Message)
{
    AdjustSize();
    Invalidate();
    AccessibleNameChanged();
    DefaultHandler(Message);
}

void TControl::CMVisibleChanged(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::CMParentFontChanged(TMessage &Message)
{
    if (FParentFont && FParent) {
        const QScopedValueRollback<bool> applying(FApplyingParentFont, true);
        FFont->Assign(FParent->Font());
    }
    DefaultHandler(Message);
}

void TControl::CMParentColorChanged(TMessage &Message)
{
    if (FParentColor && FParent) {
        SetColor(FParent->Color());
        FParentColor = true;
    }
    DefaultHandler(Message);
}

void TControl::CMParentShowHintChanged(TMessage &Message)
{
    if (FParentShowHint && FParent) {
        SetShowHint(FParent->ShowHint());
        FParentShowHint = true;
    }
    DefaultHandler(Message);
}

void TControl::CMMouseEnter(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::CMMouseLeave(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::Click()
{
    if (FOnClick)
        FOnClick(this);
    else if (ActionLink() && !ComponentState().Contains(csDesigning))
        ActionLink()->Execute(this);
}

void TControl::DblClick()
{
    if (FOnDblClick)
        FOnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseDown)
        FOnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseUp)
        FOnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FOnMouseMove)
        FOnMouseMove(this, Shift, X, Y);
}
