#include "components/controls/FancyButton.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

#include <algorithm>

const TEnumInfo FancyButtonStateInfo{
    "TFancyButtonState", {"fbsUp", "fbsDown", "fbsMouseOut", "fbsExclusive", "fbsDisabled"}};

// ---------------------------------------------------------------------------
// TFancyButton

const TClassInfo &TFancyButton::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TFancyButton>("TFancyButton", &TCustomControl::StaticClassInfo())
            .Component()
            .Text("Caption", &TFancyButton::Caption, &TFancyButton::SetCaption)
            .Enumeration("State", &TFancyButton::State, &TFancyButton::SetState,
                         FancyButtonStateInfo, fbsMouseOut)
            .Integer("ModalResult", &TFancyButton::getModalResult, &TFancyButton::SetModalResult, 0)
            .Boolean("AllowAllUp", &TFancyButton::AllowAllUp, &TFancyButton::SetAllowAllUp, false)
            .Integer("GroupIndex", &TFancyButton::GroupIndex, &TFancyButton::SetGroupIndex, 0)
            .Boolean("Down", &TFancyButton::Down, &TFancyButton::SetDown, false)
            .Object("Glyph", &TFancyButton::GetGlyph)
            // Declared 0, so the count (at least 1) is always written.
            .Integer("NumGlyphs", &TFancyButton::GetNumGlyphs, &TFancyButton::SetNumGlyphs, 0)
            .Integer("TextOffsetLeft", &TFancyButton::TextOffsetLeft,
                     &TFancyButton::SetTextOffsetLeft, 0)
            .Integer("TextOffsetTop", &TFancyButton::TextOffsetTop, &TFancyButton::SetTextOffsetTop,
                     0)
            .IntegerIdents("TextShadowColor", &TFancyButton::TextShadowColor,
                           &TFancyButton::SetTextShadowColor, ColorIdents(), clNone)
            .Object("Constraints", &TFancyButton::Constraints)
            .Build();
    return info;
}

TFancyButton::TFancyButton(TComponent *AOwner)
    : TCustomControl(AOwner), FGlyph(std::make_unique<TButtonGlyph>())
{
    FGlyph->OnChange = TNotifyEvent(this, &TFancyButton::GlyphChanged);
    SetBounds(0, 0, 23, 22);
    TControlStyle style = ControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csDoubleClicks);
    style.Exclude(csOpaque);
    SetControlStyle(style);
    FState = fbsMouseOut;
    SetOnKeyPress(TKeyPressEvent(this, &TFancyButton::ButtonKeyPress));
    FTextShadowColor = clNone;
}

TFancyButton::~TFancyButton()
{
    Destroying();
    FGlyph.reset();
}

void TFancyButton::Loaded()
{
    TCustomControl::Loaded();
    FGlyph->EnsureStateImage(FState, false);
}

TBitmap *TFancyButton::GetGlyph() const
{
    return FGlyph->Strip();
}

void TFancyButton::SetGlyph(TBitmap *Value)
{
    FGlyph->AssignStrip(Value);
    sizeToCell();
    Invalidate();
}

int TFancyButton::GetNumGlyphs() const
{
    return FGlyph->NumGlyphs();
}

void TFancyButton::SetNumGlyphs(int Value)
{
    Value = std::clamp(Value, 1, 5);
    if (Value == FGlyph->NumGlyphs())
        return;
    FGlyph->SetCellCount(Value);
    sizeToCell();
    Invalidate();
}

void TFancyButton::sizeToCell()
{
    TBitmap *strip = FGlyph->Strip();
    SetBounds(Left(), Top(), strip->Width() / FGlyph->NumGlyphs(), strip->Height());
}

bool TFancyButton::hasGlyph() const
{
    return !FGlyph->Strip()->Empty();
}

void TFancyButton::GlyphChanged(TObject *Sender)
{
    // A glyph read from a form description arrives as pixels put into the
    // strip, not through SetGlyph: it takes its cells and size the same way.
    // A cell count read after it is the description's own and stays.
    if (Sender == FGlyph->Strip() && ComponentState().Contains(csLoading) && hasGlyph()) {
        FGlyph->TakeCellCountFromStrip();
        sizeToCell();
    }
    Invalidate();
}

TCustomImageList *TFancyButton::actionImages(int &Index) const
{
    auto *action = dynamic_cast<TCustomAction *>(Action());
    if (!action)
        return nullptr;
    TCustomImageList *images = action->Images();
    Index = action->ImageIndex();
    if (!images || Index < 0 || Index >= images->Count())
        return nullptr;
    return images;
}

void TFancyButton::ActionChange(TObject *Sender, bool CheckDefaults)
{
    TCustomControl::ActionChange(Sender, CheckDefaults);
    if (!dynamic_cast<TCustomAction *>(Sender) || hasGlyph())
        return;
    int index = -1;
    if (TCustomImageList *images = actionImages(index)) {
        SetBounds(Left(), Top(), images->Width(), images->Height());
        Invalidate();
    }
}

HPALETTE TFancyButton::GetPalette()
{
    return FGlyph->Strip()->Palette();
}

void TFancyButton::SetModalResult(int Value)
{
    if (Value < 0 || Value > 8)
        throw EConvertError(Format("%d is not a modal result (0 to 8)", {Value}));
    FModalResult = static_cast<TFancyModalResult>(Value);
}

void TFancyButton::SetState(TFancyButtonState Value)
{
    if (Value == FState)
        return;
    FState = Value;
    SetEnabled(Value != fbsDisabled);
    FGlyph->EnsureStateImage(Value, false);
    Repaint();
}

void TFancyButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    if (Value) {
        FState = fbsExclusive;
        // Latching shows at once, whatever the button showed before.
        Repaint();
    } else {
        FState = FMouseOver ? fbsUp : fbsMouseOut;
        Repaint();
    }
    if (Value)
        UpdateExclusive();
}

void TFancyButton::SetGroupIndex(int Value)
{
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TFancyButton::SetAllowAllUp(bool Value)
{
    if (Value == FAllowAllUp)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TFancyButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || !Parent())
        return;
    TMessage message;
    message.Msg = CM_BUTTONPRESSED;
    message.WParam = static_cast<WPARAM>(FGroupIndex);
    message.LParam = reinterpret_cast<LPARAM>(this);
    Parent()->Broadcast(message);
}

void TFancyButton::SetTextOffsetLeft(int Value)
{
    FTextOffsetLeft = Value;
    Invalidate();
}

void TFancyButton::SetTextOffsetTop(int Value)
{
    FTextOffsetTop = Value;
    Invalidate();
}

void TFancyButton::SetTextShadowColor(TColor Value)
{
    FTextShadowColor = Value;
    Invalidate();
}

void TFancyButton::Dispatch(TMessage &Message)
{
    switch (Message.Msg) {
    case CM_SYSCOLORCHANGE:
        CMSysColorChange(Message);
        break;
    case WM_LBUTTONDBLCLK:
        WMLButtonDblClk(Message);
        break;
    case CM_DIALOGCHAR:
        CMDialogChar(Message);
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        break;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        break;
    case CM_BUTTONPRESSED:
        CMButtonPressed(Message);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        WMKey(Message);
        break;
    default:
        TCustomControl::Dispatch(Message);
    }
}

void TFancyButton::CMButtonPressed(TMessage &Message)
{
    auto *sender = reinterpret_cast<TFancyButton *>(Message.LParam);
    if (Message.WParam != static_cast<WPARAM>(FGroupIndex) || sender == this || !sender)
        return;
    if (sender->Down() && FDown) {
        FDown = false;
        FState = fbsUp;
        Invalidate();
    }
    FAllowAllUp = sender->AllowAllUp();
}

void TFancyButton::CMDialogChar(TMessage &Message)
{
    if (IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && FState != fbsDisabled &&
        Visible() && Parent() && Parent()->Showing())
        Click();
}

void TFancyButton::CMMouseEnter(TMessage &)
{
    if (FMouseOver || FState == fbsDisabled || DragMode() == dmAutomatic || GetCapture() != 0)
        return;
    FMouseOver = true;
    Repaint();
}

void TFancyButton::CMMouseLeave(TMessage &)
{
    if (!FMouseOver || FState == fbsDisabled || FPressing)
        return;
    FMouseOver = false;
    Invalidate();
}

void TFancyButton::CMSysColorChange(TMessage &)
{
    FGlyph->EnsureStateImage(fbsDisabled, true);
    Repaint();
}

void TFancyButton::WMLButtonDblClk(TMessage &)
{
    if (FDown)
        DblClick();
}

bool TFancyButton::inside(int X, int Y) const
{
    return X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight();
}

void TFancyButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FState != fbsDisabled)
        beginPress();
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TFancyButton::beginPress()
{
    if (!FDown) {
        FState = fbsDown;
        Invalidate();
    }
    FPressing = true;
    AccessibleStateChanged();
}

void TFancyButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FPressing) {
        const TFancyButtonState next = FDown ? fbsExclusive : inside(X, Y) ? fbsDown : fbsUp;
        if (next != FState) {
            FState = next;
            Invalidate();
        }
    } else if (!FMouseOver) {
        UpdateTracking();
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TFancyButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FPressing && !FKeyPressing)
        endPress(inside(X, Y));
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TFancyButton::endPress(bool ReleasedInside)
{
    FPressing = false;
    FKeyPressing = false;
    if (FGroupIndex == 0) {
        if (FState != fbsDisabled)
            FState = fbsMouseOut;
        FMouseOver = false;
        Invalidate();
    } else if (ReleasedInside) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        if (FDown)
            FState = fbsExclusive;
        Repaint();
    }
    setModalResultOfOwner();
    UpdateTracking();
    AccessibleStateChanged();
}

void TFancyButton::WMKey(TMessage &Message)
{
    // Bit 30: a repeat of a key held down.
    const bool repeat = (Message.LParam & (LPARAM{1} << 30)) != 0;
    if (Message.WParam == VK_SPACE && !repeat && FState != fbsDisabled) {
        if (Message.Msg == WM_KEYDOWN && !FPressing) {
            FKeyPressing = true;
            beginPress();
        } else if (Message.Msg == WM_KEYUP && FKeyPressing) {
            endPress(true);
            Click();
        }
    }
    TCustomControl::Dispatch(Message);
}

void TFancyButton::DoEnter()
{
    Invalidate(); // the focus frame
    TCustomControl::DoEnter();
}

void TFancyButton::DoExit()
{
    if (FKeyPressing)
        endPress(false);
    Invalidate();
    TCustomControl::DoExit();
}

void TFancyButton::AccessiblePress()
{
    if (FState == fbsDisabled || FPressing)
        return;
    beginPress();
    endPress(true);
    Click();
}

TAccessibleStates TFancyButton::AccessibleStates() const
{
    TAccessibleStates states;
    if (FGroupIndex != 0)
        states.Include(asCheckable);
    if (FDown)
        states.Include(asChecked);
    if (FPressing && FState == fbsDown)
        states.Include(asPressed);
    return states;
}

void TFancyButton::setModalResultOfOwner()
{
    if (auto *form = dynamic_cast<TCustomForm *>(Owner()))
        form->SetModalResult(FModalResult);
}

void TFancyButton::UpdateTracking()
{
    if (FState == fbsDisabled)
        return;
    const bool over = FindDragTarget(GetCursorPos(), true) == this;
    if (over == FMouseOver)
        return;
    Perform(FMouseOver ? CM_MOUSELEAVE : CM_MOUSEENTER);
}

void TFancyButton::ButtonKeyPress(TObject *, char &Key)
{
    if (Key == 13 || (Key == 27 && FModalResult == mrCancel)) {
        setModalResultOfOwner();
        Click();
    }
}

void TFancyButton::Paint()
{
    if (FState == fbsDisabled)
        FPressing = false;
    else if (FState == fbsUp || FState == fbsMouseOut)
        FState = FMouseOver ? fbsUp : fbsMouseOut;
    TCanvas *canvas = Canvas();
    canvas->SetFont(Font());
    TRect face = Rect(0, 0, Width(), Height());
    if (FGlyph->NumGlyphs() == 1)
        face = Rect(2, 2, Width() + 2, Height() + 2);
    if (FState == fbsExclusive) {
        canvas->Brush()->SetBitmap(AllocPatternBitmap(clBtnFace, clBtnHighlight));
        canvas->FillRect(face);
    }
    // The action's image stands in for a missing glyph, at every paint.
    int index = -1;
    if (!hasGlyph())
        if (TCustomImageList *images = actionImages(index))
            images->Draw(canvas, 0, 0, index, true);
    TPoint offset{FTextOffsetLeft, FTextOffsetTop};
    if (FState == fbsDown || FState == fbsExclusive) {
        ++offset.X;
        ++offset.Y;
    }
    FGlyph->RenderFace(canvas, face, offset, Caption(), FState, FTextShadowColor,
                       DrawTextBiDiModeFlags(0));
    // The keyboard's place: a dotted frame inside the edge, as buttons show it.
    if (Focused()) {
        canvas->Brush()->SetBitmap(nullptr);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Pen()->SetColor(clWindowText);
        canvas->Pen()->SetStyle(psDot);
        canvas->Rectangle(Rect(1, 1, Width() - 1, Height() - 1));
        canvas->Pen()->SetStyle(psSolid);
    }
}

void FancyButton::Register()
{
    RegisterComponents("Marrow 2", {&TFancyButton::StaticClassInfo()});
}
