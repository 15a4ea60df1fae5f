#include "components/controls/FancyButton.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

#include <algorithm>

const TEnumInfo FancyButtonStateInfo{
    "TFancyButtonState", {"fbsUp", "fbsDown", "fbsMouseOut", "fbsExclusive", "fbsDisabled"}};

namespace {

// The one cache of the process; empty when none exists.
std::unique_ptr<TGlyphCache> glyphCache;

TGlyphCache &ensureCache()
{
    if (!glyphCache)
        glyphCache = std::make_unique<TGlyphCache>();
    return *glyphCache;
}

constexpr int stateCount = 5;

} // namespace

// ---------------------------------------------------------------------------
// TGlyphList

TGlyphList::TGlyphList(int Width, int Height)
    : TImageList(nullptr), FUsedSlots(std::make_unique<TBits>())
{
    SetWidth(Width);
    SetHeight(Height);
}

TGlyphList::~TGlyphList() = default;

int TGlyphList::ReserveSlot()
{
    int i = FUsedSlots->OpenBit();
    if (i >= FUsedSlots->Size()) {
        i = Add(nullptr, nullptr);
        FUsedSlots->SetSize(i + 1);
    }
    FUsedSlots->Set(i, true);
    return i;
}

int TGlyphList::StoreImage(TBitmap *Image, TColor MaskColor)
{
    const int i = ReserveSlot();
    try {
        ReplaceMasked(i, Image, MaskColor);
    } catch (...) {
        // The slot holds nothing usable: it is free again.
        FUsedSlots->Set(i, false);
        throw;
    }
    ++FUsedCount;
    return i;
}

void TGlyphList::FreeSlot(int Index)
{
    if (Index < 0 || Index >= FUsedSlots->Size() || !FUsedSlots->Get(Index))
        return;
    --FUsedCount;
    FUsedSlots->Set(Index, false);
}

// ---------------------------------------------------------------------------
// TGlyphCache

TGlyphCache::TGlyphCache() : FLists(std::make_unique<TList>()) {}

TGlyphCache::~TGlyphCache()
{
    for (int i = 0; i < FLists->Count(); ++i)
        delete static_cast<TGlyphList *>(FLists->Get(i));
}

TGlyphList *TGlyphCache::AcquireList(int Width, int Height)
{
    for (int i = FLists->Count() - 1; i >= 0; --i) {
        auto *list = static_cast<TGlyphList *>(FLists->Get(i));
        if (list->Width() == Width && list->Height() == Height)
            return list;
    }
    auto list = std::make_unique<TGlyphList>(Width, Height);
    FLists->Add(list.get());
    return list.release();
}

void TGlyphCache::ReleaseList(TGlyphList *List)
{
    if (!List || List->UsedCount() != 0)
        return;
    FLists->Remove(List);
    delete List;
}

bool TGlyphCache::IsEmpty() const
{
    return FLists->Count() == 0;
}

int TGlyphCache::ListCount() const
{
    return FLists->Count();
}

TGlyphCache *TGlyphCache::Instance()
{
    return glyphCache.get();
}

// ---------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph() : FStrip(std::make_unique<TBitmap>())
{
    FStrip->OnChange = TNotifyEvent(this, &TButtonGlyph::StripChanged);
    ensureCache();
}

TButtonGlyph::~TButtonGlyph()
{
    FStrip.reset();
    ReleaseImages();
    if (glyphCache && glyphCache->IsEmpty())
        glyphCache.reset();
}

void TButtonGlyph::ReleaseImages()
{
    for (int &slot : FStateIndex) {
        if (slot != -1 && FList)
            FList->FreeSlot(slot);
        slot = -1;
    }
    if (glyphCache)
        glyphCache->ReleaseList(FList);
    FList = nullptr;
}

void TButtonGlyph::AssignStrip(TBitmap *Bitmap)
{
    ReleaseImages();
    FStrip->Assign(Bitmap);
    if (Bitmap && Bitmap->Height() >= 1) {
        FKeyColor = Bitmap->TransparentColor();
        TakeCellCountFromStrip();
    }
}

void TButtonGlyph::TakeCellCountFromStrip()
{
    const int w = FStrip->Width(), h = FStrip->Height();
    if (h < 1 || w % h != 0)
        return;
    int n = w / h;
    if (n < 1 || n > 5)
        n = 1;
    SetCellCount(n);
}

void TButtonGlyph::SetCellCount(int Value)
{
    if (Value == FNumGlyphs || Value < 1)
        return;
    ReleaseImages();
    FNumGlyphs = Value;
    if (OnChange)
        OnChange(this);
}

void TButtonGlyph::StripChanged(TObject *Sender)
{
    if (Sender != FStrip.get())
        return;
    FKeyColor = FStrip->TransparentColor();
    ReleaseImages();
    if (OnChange)
        OnChange(FStrip.get());
}

int TButtonGlyph::cellWidth() const
{
    return FStrip->Width() / FNumGlyphs;
}

bool TButtonGlyph::hasCells() const
{
    // A strip narrower than its number of cells has cells of no width: it is
    // drawn as no glyph at all.
    return cellWidth() > 0 && FStrip->Height() > 0;
}

int TButtonGlyph::EnsureStateImage(TFancyButtonState State, bool Rebuild)
{
    if (State == fbsDown && FNumGlyphs < 3)
        State = fbsUp;
    const int r = FStateIndex[State];
    if (r != -1 && !Rebuild)
        return r;
    if (!hasCells())
        return r;
    const int w = cellWidth(), h = FStrip->Height();
    if (!FList)
        FList = ensureCache().AcquireList(w, h);

    TBitmap work;
    work.SetSize(w, h);
    work.Canvas()->Brush()->SetColor(clBtnFace);
    work.SetPalette(CopyPalette(FStrip->Palette()));
    const TRect image = Rect(0, 0, w, h);
    int cell = State;
    if (cell >= FNumGlyphs)
        cell = 0;
    if (cell == fbsExclusive)
        cell = 1;
    const TRect source = Rect(cell * w, 0, (cell + 1) * w, h);

    TColor maskColor = clDefault;
    if (State != fbsDisabled) {
        work.Canvas()->CopyRect(image, FStrip->Canvas(), source);
        if (FStrip->TransparentMode() == tmFixed)
            maskColor = FKeyColor;
    } else if (FNumGlyphs > 1) {
        buildRecoloured(work, source, w, h);
    } else {
        buildEmbossed(work, w, h);
    }
    // A rebuilt image keeps its slot, so whoever holds the index stays right.
    if (r != -1)
        FList->ReplaceMasked(r, &work, maskColor);
    else
        FStateIndex[State] = FList->StoreImage(&work, maskColor);
    ++FBuildCount;
    FStrip->Dormant();
    return FStateIndex[State];
}

void TButtonGlyph::buildRecoloured(TBitmap &Work, const TRect &Source, int W, int H)
{
    TBitmap copy;
    copy.Assign(FStrip.get());
    copy.SetHandleType(bmDDB);
    const TRect image = Rect(0, 0, W, H);
    Work.Canvas()->CopyRect(image, copy.Canvas(), Source);
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(W, H);
    const std::pair<TColor, TColor> recolour[] = {
        {clWhite, clBtnHighlight},
        {clGray, clBtnShadow},
        {ColorToRGB(FKeyColor), clBtnFace},
    };
    TCanvas *canvas = Work.Canvas();
    for (const auto &[key, paint] : recolour) {
        copy.Canvas()->Brush()->SetColor(key);
        mask.Canvas()->CopyRect(image, copy.Canvas(), Source);
        canvas->Brush()->SetColor(paint);
        canvas->SetTextColor(clBlack);
        canvas->SetBkColor(clWhite);
        BitBlt(canvas, 0, 0, W, H, mask.Canvas(), 0, 0, DSPDxax);
    }
}

void TButtonGlyph::buildEmbossed(TBitmap &Work, int W, int H)
{
    // The mask marks the strip's black pixels (a one-bit strip is turned to
    // colour and back with a white brush, so there it marks the white ones).
    TBitmap mask;
    mask.Assign(FStrip.get());
    mask.SetHandleType(bmDDB);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.SetWidth(W);
    if (mask.Monochrome()) {
        mask.SetMonochrome(false);
        mask.Canvas()->Brush()->SetColor(clWhite);
    }
    mask.SetMonochrome(true);

    TCanvas *canvas = Work.Canvas();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(0, 0, W, H));
    canvas->SetTextColor(clBlack);
    canvas->SetBkColor(clWhite);
    canvas->Brush()->SetColor(clBtnHighlight);
    BitBlt(canvas, 1, 1, W, H, mask.Canvas(), 0, 0, DSPDxax);
    canvas->Brush()->SetColor(clBtnShadow);
    BitBlt(canvas, 0, 0, W, H, mask.Canvas(), 0, 0, DSPDxax);
}

TRect TButtonGlyph::RenderFace(TCanvas *Canvas, const TRect &Face, TPoint Offset,
                               const String &Caption, TFancyButtonState State, TColor ShadowColor,
                               unsigned BiDiFlags)
{
    TPoint glyphPos;
    TRect textRect;
    ComputeFaceLayout(Canvas, Face, Offset, Caption, BiDiFlags, glyphPos, textRect);
    DrawStateImage(Canvas, glyphPos, State);
    DrawCaptionText(Canvas, Caption, textRect, State, ShadowColor, BiDiFlags);
    return textRect;
}

void TButtonGlyph::ComputeFaceLayout(TCanvas *Canvas, const TRect &Face, TPoint Offset,
                                     const String &Caption, unsigned BiDiFlags, TPoint &GlyphPos,
                                     TRect &TextRect)
{
    const int W = Face.Width(), H = Face.Height();
    const int gw = hasCells() ? cellWidth() : 0;
    const int gh = hasCells() ? FStrip->Height() : 0;
    int tw = 0, th = 0;
    TextRect = Rect(0, 0, 0, 0);
    if (!Caption.empty()) {
        TextRect = Rect(0, 0, W, 0);
        DrawTextA(Canvas, Caption, -1, TextRect, BiDiFlags | DT_CALCRECT);
        TextRect.Right += 5;
        tw = TextRect.Width();
        th = TextRect.Height();
    }
    GlyphPos = {(W - gw + 1) / 2 + Face.Left, (H - gh + 1) / 2 + Face.Top};
    const int dx = (W - tw + 1) / 2 + Face.Left + Offset.X;
    const int dy = (H - th + 1) / 2 + Face.Top + Offset.Y;
    TextRect =
        Rect(TextRect.Left + dx, TextRect.Top + dy, TextRect.Right + dx, TextRect.Bottom + dy);
}

void TButtonGlyph::DrawStateImage(TCanvas *Canvas, TPoint Position, TFancyButtonState State)
{
    if (!hasCells())
        return;
    const int i = EnsureStateImage(State, false);
    ImageList_DrawEx(FList, i, Canvas, Position.X, Position.Y, 0, 0, clNone, clNone,
                     ILD_TRANSPARENT);
}

void TButtonGlyph::DrawCaptionText(TCanvas *Canvas, const String &Caption, TRect TextRect,
                                   TFancyButtonState State, TColor ShadowColor, unsigned BiDiFlags)
{
    const unsigned flags = BiDiFlags | DT_CENTER | DT_VCENTER;
    const auto move = [&](int dx, int dy) {
        TextRect =
            Rect(TextRect.Left + dx, TextRect.Top + dy, TextRect.Right + dx, TextRect.Bottom + dy);
    };
    // An empty caption draws nothing: it costs no text layout.
    const auto draw = [&] {
        if (!Caption.empty())
            DrawTextA(Canvas, Caption, -1, TextRect, flags);
    };
    Canvas->Brush()->SetStyle(bsClear);
    TFont *font = Canvas->Font();
    if (State == fbsDisabled) {
        move(1, 1);
        font->SetColor(clBtnHighlight);
        draw();
        move(-1, -1);
        font->SetColor(clBtnShadow);
        draw();
    } else if (ShadowColor != clNone) {
        const TColor saved = font->Color();
        font->SetColor(ShadowColor);
        draw();
        move(-2, -2);
        font->SetColor(saved);
        draw();
    } else {
        draw();
    }
}

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
    if (Button == mbLeft && FState != fbsDisabled) {
        if (!FDown) {
            FState = fbsDown;
            Invalidate();
        }
        FPressing = true;
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
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
    if (FPressing) {
        FPressing = false;
        const bool releasedInside = inside(X, Y);
        if (FGroupIndex == 0) {
            if (FState != fbsDisabled)
                FState = fbsMouseOut;
            FMouseOver = false;
            Invalidate();
        } else if (releasedInside) {
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
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
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
}

void FancyButton::Register()
{
    RegisterComponents("Marrow 2", {&TFancyButton::StaticClassInfo()});
}
