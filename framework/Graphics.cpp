#include "framework/Graphics.h"

#include "platform/syscolors/SysColors.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPolygon>
#include <cmath>
#include <map>
#include <tuple>

// ---------------------------------------------------------------------------
// Colours

const TIdentMap &ColorIdents()
{
    static const TIdentMap map{{
        {clBlack, "clBlack"},
        {clMaroon, "clMaroon"},
        {clGreen, "clGreen"},
        {clOlive, "clOlive"},
        {clNavy, "clNavy"},
        {clPurple, "clPurple"},
        {clTeal, "clTeal"},
        {clGray, "clGray"},
        {clSilver, "clSilver"},
        {clRed, "clRed"},
        {clLime, "clLime"},
        {clYellow, "clYellow"},
        {clBlue, "clBlue"},
        {clFuchsia, "clFuchsia"},
        {clAqua, "clAqua"},
        {clWhite, "clWhite"},
        {clMoneyGreen, "clMoneyGreen"},
        {clSkyBlue, "clSkyBlue"},
        {clCream, "clCream"},
        {clMedGray, "clMedGray"},
        {clLtGray, "clLtGray"},
        {clDkGray, "clDkGray"},
        {clActiveBorder, "clActiveBorder"},
        {clActiveCaption, "clActiveCaption"},
        {clAppWorkSpace, "clAppWorkSpace"},
        {clBackground, "clBackground"},
        {clBtnFace, "clBtnFace"},
        {clBtnHighlight, "clBtnHighlight"},
        {clBtnShadow, "clBtnShadow"},
        {clBtnText, "clBtnText"},
        {clCaptionText, "clCaptionText"},
        {clGradientActiveCaption, "clGradientActiveCaption"},
        {clGradientInactiveCaption, "clGradientInactiveCaption"},
        {clGrayText, "clGrayText"},
        {clHighlight, "clHighlight"},
        {clHighlightText, "clHighlightText"},
        {clHotLight, "clHotLight"},
        {clInactiveBorder, "clInactiveBorder"},
        {clInactiveCaption, "clInactiveCaption"},
        {clInactiveCaptionText, "clInactiveCaptionText"},
        {clInfoBk, "clInfoBk"},
        {clInfoText, "clInfoText"},
        {clMenu, "clMenu"},
        {clMenuBar, "clMenuBar"},
        {clMenuHighlight, "clMenuHighlight"},
        {clMenuText, "clMenuText"},
        {clScrollBar, "clScrollBar"},
        {cl3DDkShadow, "cl3DDkShadow"},
        {cl3DLight, "cl3DLight"},
        {clWindow, "clWindow"},
        {clWindowFrame, "clWindowFrame"},
        {clWindowText, "clWindowText"},
        {clNone, "clNone"},
        {clDefault, "clDefault"},
    }};
    return map;
}

TColor ColorToRGB(TColor Color)
{
    if (Color < 0)
        return static_cast<TColor>(GetSysColor(Color & 0xFF));
    return Color;
}

QColor ColorToQColor(TColor Color, TColor Default)
{
    if (Color == clNone)
        return QColor(Qt::transparent);
    if (Color == clDefault)
        Color = Default == clDefault ? clBlack : Default;
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor QColorToColor(const QColor &Color)
{
    if (Color.alpha() == 0)
        return clNone;
    return RGB(Color.red(), Color.green(), Color.blue());
}

// ---------------------------------------------------------------------------
// Graphics objects

const TClassInfo &TGraphicsObject::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphicsObject>("TGraphicsObject", &TPersistent::StaticClassInfo()).Build();
    return info;
}

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

const TEnumInfo FontStyleInfo{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
const TEnumInfo FontPitchInfo{"TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}};
const TEnumInfo BrushStyleInfo{"TBrushStyle",
                               {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                "bsBDiagonal", "bsCross", "bsDiagCross"}};
const TEnumInfo PenStyleInfo{
    "TPenStyle",
    {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}};

const TIdentMap &CharsetIdents()
{
    static const TIdentMap map{{
        {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
        {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
        {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
        {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
        {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
        {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
        {255, "OEM_CHARSET"},
    }};
    return map;
}

const TClassInfo &TFont::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TFont>("TFont", &TGraphicsObject::StaticClassInfo())
            .IntegerIdents("Charset", &TFont::Charset, &TFont::SetCharset, CharsetIdents(),
                           std::nullopt)
            .IntegerIdents("Color", &TFont::Color, &TFont::SetColor, ColorIdents(), std::nullopt)
            .Integer("Height", &TFont::Height, &TFont::SetHeight, std::nullopt)
            .Text("Name", &TFont::Name, &TFont::SetName, std::nullopt)
            .Enumeration("Pitch", &TFont::Pitch, &TFont::SetPitch, FontPitchInfo, fpDefault)
            .Set("Style", &TFont::Style, &TFont::SetStyle, FontStyleInfo, 0)
            .Build();
    return info;
}

TFont::TFont() = default;

void TFont::SetName(const String &Value)
{
    if (FName == Value)
        return;
    FName = Value;
    Changed();
}

void TFont::SetHeight(int Value)
{
    if (FHeight == Value)
        return;
    FHeight = Value;
    Changed();
}

int TFont::Size() const
{
    return static_cast<int>(std::lround(-FHeight * 72.0 / PixelsPerInch));
}

void TFont::SetSize(int Value)
{
    SetHeight(-static_cast<int>(std::lround(Value * static_cast<double>(PixelsPerInch) / 72.0)));
}

void TFont::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value)
{
    if (FCharset == Value)
        return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (FPitch == Value)
        return;
    FPitch = Value;
    Changed();
}

bool TFont::operator==(const TFont &other) const
{
    return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor &&
           FStyle == other.FStyle && FCharset == other.FCharset && FPitch == other.FPitch;
}

void TFont::Assign(TPersistent *Source)
{
    if (auto *f = dynamic_cast<TFont *>(Source)) {
        if (*this == *f)
            return;
        FName = f->FName;
        FHeight = f->FHeight;
        FColor = f->FColor;
        FStyle = f->FStyle;
        FCharset = f->FCharset;
        FPitch = f->FPitch;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

String TFont::ResolveFamily(const String &Name)
{
    static std::map<String, String> cache;
    if (const auto it = cache.find(Name); it != cache.end())
        return it->second;
    const QStringList families = QFontDatabase::families();
    const auto has = [&](const QString &f) { return families.contains(f, Qt::CaseInsensitive); };
    String result = Name;
    if (!has(QString::fromStdString(Name))) {
        static const std::map<String, String> substitutes{
            {"arial", "Liberation Sans"},
            {"ms sans serif", "Liberation Sans"},
            {"ms shell dlg", "Liberation Sans"},
            {"ms shell dlg 2", "Liberation Sans"},
            {"tahoma", "Liberation Sans"},
            {"helvetica", "Liberation Sans"},
            {"times new roman", "Liberation Serif"},
            {"courier new", "Liberation Mono"},
            {"courier", "Liberation Mono"},
        };
        String lower = LowerCase(Name);
        const auto sub = substitutes.find(lower);
        if (sub != substitutes.end() && has(QString::fromStdString(sub->second)))
            result = sub->second;
        else if (has(QStringLiteral("DejaVu Sans")))
            result = "DejaVu Sans";
    }
    // Only cache once fonts are known: the font database needs an application.
    if (QCoreApplication::instance())
        cache[Name] = result;
    return result;
}

QFont TFont::ToQFont() const
{
    QFont f(QString::fromStdString(ResolveFamily(FName)));
    if (FHeight < 0)
        f.setPixelSize(-FHeight);
    else if (FHeight > 0)
        // A positive height is the whole cell; the em is about 85% of it.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(FHeight * 0.85))));
    f.setBold(FStyle.Contains(fsBold));
    f.setItalic(FStyle.Contains(fsItalic));
    f.setUnderline(FStyle.Contains(fsUnderline));
    f.setStrikeOut(FStyle.Contains(fsStrikeOut));
    if (FPitch == fpFixed)
        f.setFixedPitch(true);
    return f;
}

const TClassInfo &TBrush::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBrush>("TBrush", &TGraphicsObject::StaticClassInfo())
            .IntegerIdents("Color", &TBrush::Color, &TBrush::SetColor, ColorIdents(), clWhite)
            .Enumeration("Style", &TBrush::Style, &TBrush::SetStyle, BrushStyleInfo, bsSolid)
            .Build();
    return info;
}

void TBrush::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid; // as a colour is given, the brush fills again
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TBrush::Assign(TPersistent *Source)
{
    if (auto *b = dynamic_cast<TBrush *>(Source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

const TClassInfo &TPen::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPen>("TPen", &TGraphicsObject::StaticClassInfo())
            .IntegerIdents("Color", &TPen::Color, &TPen::SetColor, ColorIdents(), clBlack)
            .Enumeration("Style", &TPen::Style, &TPen::SetStyle, PenStyleInfo, psSolid)
            .Integer("Width", &TPen::Width, &TPen::SetWidth, 1)
            .Build();
    return info;
}

void TPen::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value)
{
    if (FWidth == Value)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value)
{
    if (FMode == Value)
        return;
    FMode = Value;
    Changed();
}

void TPen::Assign(TPersistent *Source)
{
    if (auto *p = dynamic_cast<TPen *>(Source)) {
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

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

void TCanvas::SetTarget(QImage *Target)
{
    if (FTarget == Target)
        return;
    Flush();
    FTarget = Target;
}

void TCanvas::Flush()
{
    if (FPainter) {
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

void TCanvas::applyBrush(QPainter &p)
{
    static const std::map<TBrushStyle, Qt::BrushStyle> styles{
        {bsSolid, Qt::SolidPattern},     {bsClear, Qt::NoBrush},
        {bsHorizontal, Qt::HorPattern},  {bsVertical, Qt::VerPattern},
        {bsFDiagonal, Qt::FDiagPattern}, {bsBDiagonal, Qt::BDiagPattern},
        {bsCross, Qt::CrossPattern},     {bsDiagCross, Qt::DiagCrossPattern},
    };
    p.setBrush(QBrush(ColorToQColor(FBrush.Color(), clWhite), styles.at(FBrush.Style())));
}

QPainter *TCanvas::Painter()
{
    QPainter *p = begin();
    if (p) {
        applyPen(*p);
        applyBrush(*p);
        p->setFont(FFont.ToQFont());
    }
    return p;
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
            p->setPen(QPen(p->pen().color(), 1));
            const int dx = X - FPenPos.X, dy = Y - FPenPos.Y;
            const int steps = std::max(std::abs(dx), std::abs(dy));
            for (int i = 0; i < steps; ++i)
                p->drawPoint(FPenPos.X + dx * i / steps, FPenPos.Y + dy * i / steps);
        } else {
            p->drawLine(FPenPos.X, FPenPos.Y, X, Y);
        }
    }
    FPenPos = {X, Y};
}

void TCanvas::FillRect(const TRect &R)
{
    QPainter *p = begin();
    if (!p || FBrush.Style() == bsClear || R.Width() <= 0 || R.Height() <= 0)
        return;
    applyBrush(*p);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(R.Left, R.Top, R.Width(), R.Height()), p->brush());
}

void TCanvas::FrameRect(const TRect &R)
{
    QPainter *p = begin();
    if (!p || R.Width() <= 0 || R.Height() <= 0)
        return;
    const QColor c = ColorToQColor(FBrush.Color(), clWhite);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(R.Left, R.Top, R.Width(), 1), c);
    p->fillRect(QRect(R.Left, R.Bottom - 1, R.Width(), 1), c);
    p->fillRect(QRect(R.Left, R.Top, 1, R.Height()), c);
    p->fillRect(QRect(R.Right - 1, R.Top, 1, R.Height()), c);
}

void TCanvas::Rectangle(const TRect &R)
{
    QPainter *p = begin();
    if (!p || R.Width() <= 0 || R.Height() <= 0)
        return;
    // GDI fills the inside with the brush and draws the outline within R.
    if (FBrush.Style() != bsClear) {
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

void TCanvas::Ellipse(const TRect &R)
{
    if (QPainter *p = begin()) {
        applyPen(*p);
        applyBrush(*p);
        p->setRenderHint(QPainter::Antialiasing, false);
        p->drawEllipse(QRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1));
    }
}

void TCanvas::Polygon(const std::vector<TPoint> &Points)
{
    if (QPainter *p = begin()) {
        applyPen(*p);
        applyBrush(*p);
        QPolygon poly;
        for (const TPoint &pt : Points)
            poly << QPoint(pt.X, pt.Y);
        p->drawPolygon(poly);
    }
}

TSize TCanvas::TextExtent(const String &Text)
{
    const QFontMetrics fm(FFont.ToQFont());
    return TSize{fm.horizontalAdvance(QString::fromStdString(Text)), fm.height()};
}

void TCanvas::TextOut(int X, int Y, const String &Text)
{
    QPainter *p = begin();
    const TSize size = TextExtent(Text);
    if (p) {
        const QString text = QString::fromStdString(Text);
        const QFont font = FFont.ToQFont();
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
    const QFont font = FFont.ToQFont();
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
    const QImage part = Source->FTarget->copy(
        QRect(SourceRect.Left, SourceRect.Top, SourceRect.Width(), SourceRect.Height()));
    if (QPainter *p = begin()) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->drawImage(QRect(DestRect.Left, DestRect.Top, DestRect.Width(), DestRect.Height()), part);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

TColor TCanvas::Pixel(int X, int Y)
{
    Flush();
    if (!FTarget || !FTarget->valid(X, Y))
        return clNone;
    return QColorToColor(FTarget->pixelColor(X, Y));
}

void TCanvas::SetPixel(int X, int Y, TColor Color)
{
    Flush();
    if (FTarget && FTarget->valid(X, Y))
        FTarget->setPixelColor(X, Y, ColorToQColor(Color));
}

TRect TCanvas::ClipRect() const
{
    if (!FTarget)
        return {};
    return Rect(0, 0, FTarget->width(), FTarget->height());
}

// ---------------------------------------------------------------------------
// Graphics

const TClassInfo &TGraphic::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphic>("TGraphic", &TPersistent::StaticClassInfo()).Build();
    return info;
}

void TGraphic::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

const TClassInfo &TBitmap::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBitmap>("TBitmap", &TGraphic::StaticClassInfo()).Build();
    return info;
}

TBitmap::TBitmap() : FImage(std::make_unique<QImage>()) {}

TBitmap::~TBitmap()
{
    FCanvas.reset();
}

int TBitmap::Width() const
{
    return FImage->width();
}

int TBitmap::Height() const
{
    return FImage->height();
}

void TBitmap::SetWidth(int Value)
{
    SetSize(Value, Height());
}

void TBitmap::SetHeight(int Value)
{
    SetSize(Width(), Value);
}

void TBitmap::SetSize(int NewWidth, int NewHeight)
{
    NewWidth = std::max(0, NewWidth);
    NewHeight = std::max(0, NewHeight);
    if (NewWidth == Width() && NewHeight == Height())
        return;
    if (FCanvas)
        FCanvas->Flush();
    QImage next;
    if (NewWidth > 0 && NewHeight > 0) {
        next = QImage(NewWidth, NewHeight, QImage::Format_ARGB32);
        next.fill(Qt::white);
        if (!FImage->isNull()) {
            QPainter p(&next);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, *FImage);
        }
    }
    *FImage = std::move(next);
    Changed();
}

TCanvas *TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(FImage.get());
    return FCanvas.get();
}

const QImage &TBitmap::Image() const
{
    if (FCanvas)
        FCanvas->Flush();
    return *FImage;
}

void TBitmap::SetImage(const QImage &Image)
{
    if (FCanvas)
        FCanvas->Flush();
    *FImage = Image.isNull() ? QImage() : Image.convertToFormat(QImage::Format_ARGB32);
    if (FPixelFormat == pf1bit)
        SetPixelFormat(pf1bit);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    FPixelFormat = Value;
    if (Value != pf1bit || FImage->isNull())
        return;
    if (FCanvas)
        FCanvas->Flush();
    for (int y = 0; y < FImage->height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(FImage->scanLine(y));
        for (int x = 0; x < FImage->width(); ++x)
            line[x] = qGray(line[x]) >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (FImage->isNull())
        return clDefault;
    if (Monochrome())
        return clWhite;
    const QColor c = Image().pixelColor(0, FImage->height() - 1);
    return RGB(c.red(), c.green(), c.blue());
}

void TBitmap::SetTransparentColor(TColor Value)
{
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value)
{
    if (Value == tmAuto)
        FTransparentColor = clDefault;
    FTransparentMode = Value;
    Changed();
}

void TBitmap::Mask(TColor Color)
{
    if (FCanvas)
        FCanvas->Flush();
    const auto key = static_cast<std::uint32_t>(ColorToRGB(Color));
    const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xFFFFFF;
    for (int y = 0; y < FImage->height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(FImage->scanLine(y));
        for (int x = 0; x < FImage->width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == keyRgb ? 0xFFFFFFFFu : 0xFF000000u;
    }
    FPixelFormat = pf1bit;
    Changed();
}

void TBitmap::Draw(TCanvas &Canvas, const TRect &R)
{
    QImage source = Image();
    if (Transparent()) {
        const auto key = static_cast<std::uint32_t>(ColorToRGB(TransparentColor()));
        const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xFFFFFF;
        source = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((line[x] & 0xFFFFFF) == keyRgb)
                    line[x] = 0;
        }
    }
    if (QPainter *p = Canvas.Painter()) {
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->drawImage(QRect(R.Left, R.Top, R.Width(), R.Height()), source);
    }
}

namespace {
QImage readImage(QIODevice &Device);
} // namespace

void TBitmap::LoadFromFile(const String &FileName)
{
    QFile file(QString::fromStdString(FileName));
    const QImage image = file.open(QIODevice::ReadOnly) ? readImage(file) : QImage();
    if (image.isNull())
        throw EInvalidGraphic("Cannot read the picture in " + FileName);
    SetImage(image);
}

void TBitmap::SaveToFile(const String &FileName) const
{
    if (!Image().save(QString::fromStdString(FileName)))
        throw EInvalidGraphic("Cannot write the picture to " + FileName);
}

std::vector<std::uint8_t> TBitmap::SaveToPNG() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Image().save(&buffer, "PNG");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

namespace {
// Reads an image; from an icon file with several sizes, the 32-pixel one with
// the most colours, the size Windows shows an icon at by default.
QImage readImage(QIODevice &Device)
{
    QImageReader reader(&Device);
    if (reader.imageCount() <= 1)
        return reader.read();
    QImage best;
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        const auto score = [](const QImage &im) {
            return std::make_tuple(im.size() == QSize(32, 32), im.depth(), im.width());
        };
        if (best.isNull() || score(image) > score(best))
            best = image;
    }
    return best;
}
} // namespace

void TBitmap::LoadFromBytes(const std::vector<std::uint8_t> &Data)
{
    QByteArray bytes(reinterpret_cast<const char *>(Data.data()),
                     static_cast<qsizetype>(Data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage image = Data.empty() ? QImage() : readImage(buffer);
    if (image.isNull())
        throw EInvalidGraphic("The picture data is not in a known image format");
    SetImage(image);
}

void TBitmap::Assign(TPersistent *Source)
{
    if (auto *b = dynamic_cast<TBitmap *>(Source)) {
        if (b == this)
            return;
        FPixelFormat = b->FPixelFormat;
        FHandleType = b->FHandleType;
        FTransparentMode = b->FTransparentMode;
        FTransparentColor = b->FTransparentColor;
        SetTransparent(b->Transparent());
        SetImage(b->Image());
        return;
    }
    if (Source == nullptr) {
        SetImage(QImage());
        return;
    }
    TGraphic::Assign(Source);
}

// ---------------------------------------------------------------------------
// Picture

const TClassInfo &TPicture::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPicture>("TPicture", &TPersistent::StaticClassInfo())
            .Binary("Data", &TPicture::Data, &TPicture::SetData)
            .StoredIf(&TPicture::hasPicture)
            .Build();
    return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

bool TPicture::hasPicture() const
{
    return FBitmap && !FBitmap->Empty();
}

TBitmap *TPicture::Bitmap()
{
    if (!FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->OnChange = TNotifyEvent(this, &TPicture::bitmapChanged);
    }
    return FBitmap.get();
}

void TPicture::SetGraphic(TGraphic *Value)
{
    Assign(Value);
}

int TPicture::Width() const
{
    return FBitmap ? FBitmap->Width() : 0;
}

int TPicture::Height() const
{
    return FBitmap ? FBitmap->Height() : 0;
}

void TPicture::LoadFromFile(const String &FileName)
{
    Bitmap()->LoadFromFile(FileName);
}

std::vector<std::uint8_t> TPicture::Data() const
{
    if (!hasPicture())
        return {};
    return FBitmap->SaveToPNG();
}

void TPicture::SetData(const std::vector<std::uint8_t> &Value)
{
    if (Value.empty()) {
        if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    Bitmap()->LoadFromBytes(Value);
}

void TPicture::Assign(TPersistent *Source)
{
    if (!Source) {
        if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    if (auto *p = dynamic_cast<TPicture *>(Source)) {
        if (p->FBitmap)
            Bitmap()->Assign(p->FBitmap.get());
        else if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    if (auto *b = dynamic_cast<TBitmap *>(Source)) {
        Bitmap()->Assign(b);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::bitmapChanged(TObject *)
{
    if (OnChange)
        OnChange(this);
}
