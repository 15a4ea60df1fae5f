#include "components/controls/fancybutton/FancyButton_p.h"

#include <algorithm>

using fancybutton_detail::EnsureGlyphCache;

// ---------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph() : FStrip(std::make_unique<TBitmap>())
{
    FStrip->OnChange = TNotifyEvent(this, &TButtonGlyph::StripChanged);
    EnsureGlyphCache();
}

TButtonGlyph::~TButtonGlyph()
{
    FStrip.reset();
    ReleaseImages();
    fancybutton_detail::DropGlyphCacheIfEmpty();
}

void TButtonGlyph::ReleaseImages()
{
    for (int &slot : FStateIndex) {
        if (slot != -1 && FList)
            FList->FreeSlot(slot);
        slot = -1;
    }
    if (TGlyphCache *cache = TGlyphCache::Instance())
        cache->ReleaseList(FList);
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
        FList = EnsureGlyphCache().AcquireList(w, h);

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
