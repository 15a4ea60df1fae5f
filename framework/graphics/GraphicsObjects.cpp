#include "framework/Graphics.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

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
    // Giving a colour makes the brush fill again, even the colour it had.
    if (FColor == Value && FStyle != bsClear)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TBrush::SetBitmap(TBitmap *Value)
{
    if (FBitmap == Value)
        return;
    FBitmap = Value;
    Changed();
}

void TBrush::Assign(TPersistent *Source)
{
    if (auto *b = dynamic_cast<TBrush *>(Source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

TBitmap *AllocPatternBitmap(TColor BkColor, TColor FgColor)
{
    static std::map<std::pair<TColor, TColor>, std::unique_ptr<TBitmap>> patterns;
    const TColor bk = ColorToRGB(BkColor), fg = ColorToRGB(FgColor);
    std::unique_ptr<TBitmap> &pattern = patterns[{bk, fg}];
    if (!pattern) {
        pattern = std::make_unique<TBitmap>();
        pattern->SetSize(8, 8);
        TCanvas *canvas = pattern->Canvas();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                canvas->SetPixel(x, y, (x % 2) == (y % 2) ? fg : bk);
    }
    return pattern.get();
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
