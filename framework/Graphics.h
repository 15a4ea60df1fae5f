#pragma once

// Colours, fonts, brushes, pens, the canvas and bitmaps. A canvas draws into
// an image (QImage); controls that paint themselves show that image, so every
// pixel they paint can be checked offscreen.

#include "framework/TypInfo.h"

#include <cstdint>
#include <memory>
#include <vector>

class QColor;
class QFont;
class QImage;
class QPainter;

// ---------------------------------------------------------------------------
// Geometry

struct TPoint
{
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint &) const = default;
};

struct TSize
{
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize &) const = default;
};

// A rectangle whose Right and Bottom edges are exclusive.
struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(TPoint P) const
    {
        return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom;
    }
    bool operator==(const TRect &) const = default;
};

inline TRect Rect(int Left, int Top, int Right, int Bottom)
{
    return TRect{Left, Top, Right, Bottom};
}
inline TRect Bounds(int Left, int Top, int Width, int Height)
{
    return TRect{Left, Top, Left + Width, Top + Height};
}

// ---------------------------------------------------------------------------
// Colours
//
// A plain colour holds red in bits 0-7, green in 8-15 and blue in 16-23. A
// system colour has the top bit set and the system colour index in its low
// byte; ColorToRGB resolves it through GetSysColor.

using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(std::uint32_t c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(std::uint32_t c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(std::uint32_t c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);

inline constexpr TColor clScrollBar = clSystemColor | 0;
inline constexpr TColor clBackground = clSystemColor | 1;
inline constexpr TColor clActiveCaption = clSystemColor | 2;
inline constexpr TColor clInactiveCaption = clSystemColor | 3;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowFrame = clSystemColor | 6;
inline constexpr TColor clMenuText = clSystemColor | 7;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clCaptionText = clSystemColor | 9;
inline constexpr TColor clActiveBorder = clSystemColor | 10;
inline constexpr TColor clInactiveBorder = clSystemColor | 11;
inline constexpr TColor clAppWorkSpace = clSystemColor | 12;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clInactiveCaptionText = clSystemColor | 19;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;
inline constexpr TColor clInfoText = clSystemColor | 23;
inline constexpr TColor clInfoBk = clSystemColor | 24;
inline constexpr TColor clHotLight = clSystemColor | 26;
inline constexpr TColor clGradientActiveCaption = clSystemColor | 27;
inline constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
inline constexpr TColor clMenuHighlight = clSystemColor | 29;
inline constexpr TColor clMenuBar = clSystemColor | 30;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
// No colour at all (nothing is drawn), and "whatever the control would use".
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// Colour names as form descriptions write them (clBlack .. clWindowText, clNone).
const TIdentMap &ColorIdents();

// A system colour becomes the current value of its system colour; any other
// value (clNone and clDefault included) is returned as it is.
TColor ColorToRGB(TColor Color);
// The colour as Qt draws it: clNone is transparent, clDefault is Default.
QColor ColorToQColor(TColor Color, TColor Default = clBlack);
TColor QColorToColor(const QColor &Color);

// ---------------------------------------------------------------------------
// Graphics objects

// Base of fonts, brushes and pens: fires OnChange after every change.
class TGraphicsObject : public TPersistent
{
    TUMBLER_CLASS
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle
{
    fsBold,
    fsItalic,
    fsUnderline,
    fsStrikeOut
};
using TFontStyles = TSet<TFontStyle>;
extern const TEnumInfo FontStyleInfo;

enum TFontPitch
{
    fpDefault,
    fpVariable,
    fpFixed
};
extern const TEnumInfo FontPitchInfo;

using TFontCharset = std::uint8_t;
inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset SYMBOL_CHARSET = 2;
inline constexpr TFontCharset OEM_CHARSET = 255;
// Charset names as form descriptions write them (DEFAULT_CHARSET, ...).
const TIdentMap &CharsetIdents();

// A font by name, height, colour and style. Height is in pixels: negative for
// the character height without internal leading (what Windows calls the em
// height), positive for the cell height. Size is in points at PixelsPerInch.
class TFont : public TGraphicsObject
{
    TUMBLER_CLASS
public:
    // Screen resolution the point sizes refer to.
    static constexpr int PixelsPerInch = 96;

    TFont();

    // Family name. Defaults to "MS Sans Serif".
    const String &Name() const { return FName; }
    void SetName(const String &Value);
    // Pixel height. Defaults to -11 (8 points).
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    // Point size, derived from Height: -Height * 72 / PixelsPerInch, rounded.
    int Size() const;
    void SetSize(int Value);
    // Text colour. Defaults to clWindowText.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Defaults to none.
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    // Defaults to DEFAULT_CHARSET.
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    // Defaults to fpDefault.
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);

    void Assign(TPersistent *Source) override;
    bool operator==(const TFont &other) const;

    // The Qt font: Windows families without a Linux counterpart fall back to
    // a metric-compatible (Liberation) or the default (DejaVu Sans) family.
    QFont ToQFont() const;
    // The family actually used for Name.
    static String ResolveFamily(const String &Name);

private:
    String FName = "MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
};

enum TBrushStyle
{
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
extern const TEnumInfo BrushStyleInfo;

class TBitmap;

class TBrush : public TGraphicsObject
{
    TUMBLER_CLASS
public:
    // Fill colour. Defaults to clWhite.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Defaults to bsSolid; bsClear fills nothing (unless Bitmap is set) and
    // draws text without background.
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern brush: fills repeat this bitmap from the canvas's origin
    // instead of the colour, whatever Style says. Not owned; the caller keeps it alive while the
    // brush holds it. Defaults to null.
    TBitmap *Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap *Value);
    void Assign(TPersistent *Source) override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap *FBitmap = nullptr;
};

// The shared 8 by 8 checker of two colours for pattern brushes: BkColor with
// FgColor on every pixel whose column and row are both even or both odd.
// Owned by the framework and kept for the process; one bitmap per pair of
// colours as they resolve now, so a change of the system colours gives a
// fresh one.
TBitmap *AllocPatternBitmap(TColor BkColor, TColor FgColor);

enum TPenStyle
{
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};
extern const TEnumInfo PenStyleInfo;

enum TPenMode
{
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject
{
    TUMBLER_CLASS
public:
    // Defaults to clBlack.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Line width in pixels. Defaults to 1.
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    // Defaults to psSolid.
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    // Defaults to pmCopy; pmXor and pmNot are honoured, the rest draw as pmCopy.
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);
    void Assign(TPersistent *Source) override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

// ---------------------------------------------------------------------------
// Canvas

class TGraphic;

// Flags of TCanvas::DrawText, as DrawTextA takes them.
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_WORDBREAK = 0x0010;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_EXPANDTABS = 0x0040;
inline constexpr unsigned DT_NOCLIP = 0x0100;
inline constexpr unsigned DT_CALCRECT = 0x0400;
inline constexpr unsigned DT_NOPREFIX = 0x0800;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;
// Text direction flags: accepted, and laid out by Qt's own bidi rules.
inline constexpr unsigned DT_RTLREADING = 0x20000;
inline constexpr unsigned DT_NOFULLWIDTHCHARBREAK = 0x80000;

// Draws with its Pen, Brush and Font into an image. The image belongs to
// whoever made the canvas (a bitmap, a control's paint buffer); a painter is
// held open between drawing calls and closed by Flush, which the owner calls
// before it reads or resizes the image.
class TCanvas : public TPersistent
{
    TUMBLER_CLASS
public:
    TCanvas();
    explicit TCanvas(QImage *Target);
    ~TCanvas() override;

    TFont *Font() { return &FFont; }
    TBrush *Brush() { return &FBrush; }
    TPen *Pen() { return &FPen; }
    void SetFont(TFont *Value) { FFont.Assign(Value); }

    // The colours one-bit pixels take when copied onto this canvas: 0 bits
    // become TextColor, 1 bits BkColor. Default clBlack and clWhite.
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor Value) { FTextColor = Value; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value) { FBkColor = Value; }
    // Whether the image holds one bit a pixel (a monochrome bitmap's canvas):
    // colour copied onto it becomes white where it equals the source canvas's
    // brush colour and black elsewhere. Kept by the bitmap that owns it.
    bool Monochrome() const { return FMonochrome; }
    void SetMonochrome(bool Value) { FMonochrome = Value; }

    // The image drawn into; null draws nothing. Its device pixel ratio sets
    // how many of its pixels a logical pixel takes (BitBlt too).
    QImage *Target() const { return FTarget; }
    // Pointing the canvas at the image it has starts a new picture on it: an
    // open painter is kept, back in the state it was opened in.
    void SetTarget(QImage *Target);
    // Ends the open painter so the image can be read.
    void Flush();

    TPoint PenPos() const { return FPenPos; }
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void FillRect(const TRect &R);
    // Outline with the pen, filled with the brush.
    void Rectangle(const TRect &R);
    void Rectangle(int X1, int Y1, int X2, int Y2) { Rectangle(Rect(X1, Y1, X2, Y2)); }

    // Text at X,Y (top-left of the text cell), on the brush colour unless the
    // brush style is bsClear; moves the pen position past the text.
    void TextOut(int X, int Y, const String &Text);
    // As TextOut, clipped to R, which is filled with the brush first.
    void TextRect(const TRect &R, int X, int Y, const String &Text);
    TSize TextExtent(const String &Text);
    int TextHeight(const String &Text) { return TextExtent(Text).cy; }
    // DrawTextA: lays Text out in R by the DT_* flags; an '&' marks the next
    // character as an accelerator (underlined, "&&" is a literal '&') unless
    // DT_NOPREFIX. With DT_CALCRECT, draws nothing and sets R to the extent.
    // Returns the height of the text.
    int DrawText(const String &Text, TRect &R, unsigned Flags);

    void Draw(int X, int Y, TGraphic *Graphic);
    void StretchDraw(const TRect &R, TGraphic *Graphic);
    // Copies Source's SourceRect into DestRect of this canvas, scaled to fit,
    // converting between colour and one-bit pixels as BitBlt does.
    void CopyRect(const TRect &DestRect, TCanvas *Source, const TRect &SourceRect);

    // In logical pixels, as everything the canvas draws: on an image of a
    // denser screen (a device pixel ratio above 1) SetPixel fills the whole
    // block of device pixels and Pixel reads the first of them.
    TColor Pixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    // The open painter, set up with the pen, brush and font (null without a
    // target). For drawing the canvas has no call for.
    QPainter *Painter();

    // Draws the part of Image inside SourceRect at X, Y over what is there.
    // Needs no pen, brush or font, so sets none up: image lists draw through
    // it at every paint.
    void DrawImage(int X, int Y, const QImage &Image, const TRect &SourceRect);

private:
    QPainter *begin();
    void applyPen(QPainter &p);
    void applyBrush(QPainter &p);
    // Whether fills draw: a pattern bitmap, or any style but bsClear.
    bool brushFills() const;
    const QFont &qtFont();

    QImage *FTarget = nullptr;
    std::unique_ptr<QPainter> FPainter;
    TFont FFont;
    // The Qt font last built from FFont, and the font it was built from.
    std::unique_ptr<QFont> FQtFont;
    TFont FQtFontOf;
    TBrush FBrush;
    TPen FPen;
    TPoint FPenPos;
    TColor FTextColor = clBlack;
    TColor FBkColor = clWhite;
    bool FMonochrome = false;
};

// DrawTextA: TCanvas::DrawText of the first Count bytes of Text (all of it
// when Count is negative).
int DrawTextA(TCanvas *Canvas, const String &Text, int Count, TRect &R, unsigned Flags);

// ---------------------------------------------------------------------------
// Raster operations
//
// A ternary raster operation combines, bit by bit, the destination (D), the
// source (S) and the destination canvas's brush, the pattern (P). Bits 16-23
// of the code are its truth table: the result bit for inputs P, S and D is
// bit (P << 2 | S << 1 | D) of that byte. The low word (how GDI encoded the
// operation for its own use) is ignored; all 256 tables work.

inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t SRCERASE = 0x00440328;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;
inline constexpr std::uint32_t PATINVERT = 0x005A0049;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
inline constexpr std::uint32_t MERGECOPY = 0x00C000CA;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t PATCOPY = 0x00F00021;
inline constexpr std::uint32_t PATPAINT = 0x00FB0A09;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;
// Paints the brush where the source is 1 (white) and keeps the destination
// where it is 0: D xor (S and (P xor D)).
inline constexpr std::uint32_t DSPDxax = 0x00E20746;

// Combines the W by H pixels of Source at XSrc, YSrc with those of Dest at
// X, Y and Dest's brush by the raster operation Rop. Pixels are converted as
// they come: one-bit source pixels onto colour become Dest's TextColor (0)
// or BkColor (1); colour source pixels onto a one-bit Dest become 1 where
// they equal Source's brush colour. Source may be null for an operation that
// does not read it. The parts outside either image are left alone. Returns
// false when there is nothing to draw into or a needed source is missing.
bool BitBlt(TCanvas *Dest, int X, int Y, int W, int H, TCanvas *Source, int XSrc, int YSrc,
            std::uint32_t Rop);

// ---------------------------------------------------------------------------
// Graphics

// A picture that can draw itself on a canvas.
class TGraphic : public TPersistent
{
    TUMBLER_CLASS
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    // Whether parts of the picture let the background show.
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    virtual void Draw(TCanvas &Canvas, const TRect &R) = 0;
    // Reads any image format Qt knows; raises EInvalidGraphic with the file
    // name when it cannot.
    virtual void LoadFromFile(const String &FileName) = 0;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();

private:
    bool FTransparent = false;
};

class EInvalidGraphic : public Exception
{
public:
    using Exception::Exception;
};

enum TPixelFormat
{
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum TTransparentMode
{
    tmAuto,
    tmFixed
};
enum TBitmapHandleType
{
    bmDIB,
    bmDDB
};

// A colour palette. Linux displays are true-colour: there are no palettes,
// and every palette handle is 0.
using HPALETTE = std::uintptr_t;
// Palette calls kept for callers that make them: a copy of no palette is none.
inline HPALETTE CopyPalette(HPALETTE)
{
    return 0;
}

// A bitmap on a QImage (32-bit ARGB). Its Canvas draws into it. Form
// descriptions store it as the binary Data property: its PNG bytes.
class TBitmap : public TGraphic
{
    TUMBLER_CLASS
public:
    TBitmap();
    ~TBitmap() override;

    int Width() const override;
    int Height() const override;
    void SetWidth(int Value);
    void SetHeight(int Value);
    // New pixels are white; the old ones keep their place.
    void SetSize(int Width, int Height);

    TCanvas *Canvas();
    // The pixels; flushes the canvas first.
    const QImage &Image() const;
    void SetImage(const QImage &Image);

    // pf1bit makes it monochrome: pixels of the canvas's brush colour become
    // white, all others black (so the default white brush keeps white).
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void SetMonochrome(bool Value) { SetPixelFormat(Value ? pf1bit : pf32bit); }
    // Kept for callers that choose one (the glyph button asks for a device
    // bitmap); both kinds are the same image here.
    TBitmapHandleType HandleType() const { return FHandleType; }
    void SetHandleType(TBitmapHandleType Value) { FHandleType = Value; }

    // The colour drawn as transparent: the fixed TransparentColor in tmFixed
    // mode, else the bottom-left pixel (white for a monochrome bitmap).
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    // Pixels of TransparentColor become white, all others black.
    void Mask(TColor TransparentColor);

    // Always 0 (see HPALETTE); setting one changes nothing.
    HPALETTE Palette() const { return 0; }
    void SetPalette(HPALETTE) {}
    // Lets go of what drawing holds (the canvas's open painter); the pixels stay.
    void Dormant();

    void Draw(TCanvas &Canvas, const TRect &R) override;
    void LoadFromFile(const String &FileName) override;
    // PNG bytes, and reading any format Qt detects (EInvalidGraphic if none).
    std::vector<std::uint8_t> SaveToPNG() const;
    void LoadFromBytes(const std::vector<std::uint8_t> &Data);

    void Assign(TPersistent *Source) override;

private:
    void toMonochrome();
    bool hasImage() const;
    std::vector<std::uint8_t> data() const;
    void setData(const std::vector<std::uint8_t> &Value);

    std::unique_ptr<QImage> FImage;
    std::unique_ptr<TCanvas> FCanvas;
    TPixelFormat FPixelFormat = pfDevice;
    TBitmapHandleType FHandleType = bmDIB;
    TTransparentMode FTransparentMode = tmAuto;
    TColor FTransparentColor = clDefault;
};

// Holds one graphic (a bitmap). Form descriptions store it as the binary Data
// property: the PNG bytes of the picture (empty: no picture).
class TPicture : public TPersistent
{
    TUMBLER_CLASS
public:
    TPicture();
    ~TPicture() override;

    // The bitmap, created empty on first use.
    TBitmap *Bitmap();
    TGraphic *Graphic() const { return FBitmap.get(); }
    int Width() const;
    int Height() const;

    void LoadFromFile(const String &FileName);
    std::vector<std::uint8_t> Data() const;
    void SetData(const std::vector<std::uint8_t> &Value);

    void Assign(TPersistent *Source) override;

    TNotifyEvent OnChange;

private:
    bool hasPicture() const;
    void bitmapChanged(TObject *Sender);
    std::unique_ptr<TBitmap> FBitmap;
};
