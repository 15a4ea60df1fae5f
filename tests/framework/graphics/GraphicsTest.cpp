#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/syscolors/SysColors.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QColor rgbOf(TColor c)
{
    const auto v = static_cast<std::uint32_t>(ColorToRGB(c));
    return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

// Restores the application palette a test changed.
struct PaletteGuard
{
    QPalette saved = QApplication::palette();
    ~PaletteGuard() { QApplication::setPalette(saved); }
};

} // namespace

TEST(Colours, SystemColoursResolveThroughTheSystemTable)
{
    EXPECT_EQ(clBtnFace, static_cast<TColor>(0x8000000F));
    EXPECT_EQ(clWindowText, static_cast<TColor>(0x80000008));
    EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(ColorToRGB(clBtnShadow), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
    // Plain colours, clNone and clDefault pass unchanged.
    EXPECT_EQ(ColorToRGB(clBlue), 0xFF0000);
    EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), 0x030201);
    EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFF);
    EXPECT_EQ(ColorToRGB(clDefault), 0x20000000);
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
    EXPECT_EQ(ColorToQColor(clDefault, clRed), QColor(255, 0, 0));

    // The standard table, whatever the desktop says; unknown indexes are 0.
    EXPECT_EQ(GetStandardSysColor(COLOR_BTNFACE), 0xF0F0F0u);
    EXPECT_EQ(GetStandardSysColor(COLOR_WINDOW), 0xFFFFFFu);
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColor(31), 0u);
    // An index Qt has no role for keeps the standard value.
    EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), GetStandardSysColor(COLOR_ACTIVECAPTION));
}

TEST(Colours, SystemColoursFollowTheApplicationPalette)
{
    PaletteGuard guard;
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Active, QPalette::Button, QColor(10, 20, 30));
    QApplication::setPalette(pal);
    EXPECT_EQ(rgbOf(clBtnFace), QColor(10, 20, 30));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x1E140Au);
}

TEST(Colours, NamesAsFormDescriptionsWriteThem)
{
    const TIdentMap &names = ColorIdents();
    EXPECT_EQ(names.ToIdent(clBtnFace), "clBtnFace");
    EXPECT_EQ(names.ToIdent(clNone), "clNone");
    EXPECT_EQ(names.ToIdent(0xC0C0C0), "clSilver");
    EXPECT_EQ(names.ToInt("clwindowtext"), clWindowText);
    EXPECT_FALSE(names.ToIdent(RGB(1, 2, 3)).has_value());
    EXPECT_EQ(CursorIdents().ToIdent(crHandPoint), "crHandPoint");
    EXPECT_EQ(CursorIdents().ToInt("crHourGlass"), crHourGlass);
}

TEST(Fonts, HeightAndPointSizeConvertAt96PixelsPerInch)
{
    TFont font;
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11);
    font.SetHeight(-16);
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(font.ToQFont().pixelSize(), 16);
    font.SetStyle({fsBold, fsUnderline});
    EXPECT_TRUE(font.ToQFont().bold());
    EXPECT_TRUE(font.ToQFont().underline());
    EXPECT_FALSE(font.ToQFont().italic());
}

TEST(Fonts, WindowsFamiliesFallBackToInstalledOnes)
{
    const QStringList families = QFontDatabase::families();
    // The dialog font and Arial take the metric-compatible Liberation Sans,
    // else DejaVu Sans.
    if (families.contains(QStringLiteral("Liberation Sans"))) {
        EXPECT_EQ(TFont::ResolveFamily("MS Sans Serif"), "Liberation Sans");
        EXPECT_EQ(TFont::ResolveFamily("Arial"), "Liberation Sans");
    } else if (families.contains(QStringLiteral("DejaVu Sans"))) {
        EXPECT_EQ(TFont::ResolveFamily("MS Sans Serif"), "DejaVu Sans");
    }
    if (families.contains(QStringLiteral("DejaVu Sans"))) {
        EXPECT_EQ(TFont::ResolveFamily("No Such Family \xC3\xA9"), "DejaVu Sans");
    }
    // An installed family is kept.
    if (!families.isEmpty()) {
        EXPECT_EQ(TFont::ResolveFamily(families.front().toStdString()),
                  families.front().toStdString());
    }
}

TEST(Fonts, ChangesNotifyAndParentFontsFlowDown)
{
    TFont font;
    int changes = 0;
    font.OnChange = TNotifyEvent([&](TObject *) { ++changes; });
    font.SetColor(clRed);
    font.SetColor(clRed);
    font.SetName("Arial");
    EXPECT_EQ(changes, 2);

    TApplication application;
    auto *form = new TForm(&application);
    auto *label = new TLabel(form);
    label->SetParent(form);
    form->Font()->SetHeight(-20);
    EXPECT_EQ(label->Font()->Height(), -20);
    EXPECT_TRUE(label->ParentFont());
    // A font of its own ends the link to the parent.
    label->Font()->SetColor(clGreen);
    EXPECT_FALSE(label->ParentFont());
    form->Font()->SetHeight(-30);
    EXPECT_EQ(label->Font()->Height(), -20);
    label->SetParentFont(true);
    EXPECT_EQ(label->Font()->Height(), -30);
    EXPECT_EQ(label->Font()->Color(), form->Font()->Color());
}

TEST(Canvas, DrawsIntoItsBitmapAsGdiWould)
{
    TBitmap bitmap;
    bitmap.SetSize(20, 10);
    // A new bitmap is white.
    EXPECT_EQ(bitmap.Canvas()->Pixel(19, 9), clWhite);
    TCanvas *c = bitmap.Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(c->Pixel(4, 4), clRed);
    EXPECT_EQ(c->Pixel(5, 5), clWhite) << "right and bottom edges are exclusive";

    c->Pen()->SetColor(clBlue);
    c->MoveTo(0, 8);
    c->LineTo(10, 8);
    EXPECT_EQ(c->Pixel(9, 8), clBlue);
    EXPECT_EQ(c->Pixel(10, 8), clWhite) << "a line leaves out its end point";
    EXPECT_EQ(c->PenPos(), (TPoint{10, 8}));

    c->Brush()->SetColor(clLime);
    c->Pen()->SetColor(clBlack);
    c->Rectangle(10, 0, 16, 6);
    EXPECT_EQ(c->Pixel(10, 0), clBlack);
    EXPECT_EQ(c->Pixel(15, 5), clBlack);
    EXPECT_EQ(c->Pixel(12, 2), clLime);

    const TSize size = c->TextExtent("Hello");
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    TRect calc = Rect(0, 0, 0, 0);
    c->DrawText("&File", calc, DT_CALCRECT);
    TRect plain = Rect(0, 0, 0, 0);
    c->DrawText("&File", plain, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_LT(calc.Width(), plain.Width()) << "the ampersand is not drawn";
}

TEST(Canvas, TextFollowsEveryChangeOfTheFont)
{
    TBitmap bitmap;
    bitmap.SetSize(200, 60);
    TCanvas *c = bitmap.Canvas();
    const TSize small = c->TextExtent("Wide text");
    c->Font()->SetHeight(-30);
    const TSize large = c->TextExtent("Wide text");
    EXPECT_GT(large.cy, small.cy);
    EXPECT_EQ(c->Painter()->font().pixelSize(), 30);

    c->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_TRUE(c->Painter()->font().bold());
    TFont other;
    other.SetHeight(-11);
    c->SetFont(&other);
    EXPECT_EQ(c->TextExtent("Wide text").cy, small.cy) << "an assigned font replaces the old";
    EXPECT_FALSE(c->Painter()->font().bold());
    c->Font()->SetPitch(fpFixed);
    EXPECT_TRUE(c->Painter()->font().fixedPitch());

    // A colour change is drawn, though it leaves the face alone.
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(clRed);
    c->TextOut(2, 2, "MMMM");
    c->Font()->SetColor(clBlue);
    c->TextOut(2, 30, "MMMM");
    bool red = false, blue = false;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 60; ++y) {
            red = red || c->Pixel(x, y) == clRed;
            blue = blue || c->Pixel(x, y) == clBlue;
        }
    EXPECT_TRUE(red && blue);
}

TEST(Bitmaps, TransparentColourMaskAndPngRoundTrip)
{
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    bitmap.Canvas()->SetPixel(0, 3, clFuchsia);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia) << "the bottom-left pixel";
    bitmap.SetTransparentColor(clRed);
    EXPECT_EQ(bitmap.TransparentColor(), clRed);
    bitmap.SetTransparentMode(tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);

    TBitmap copy;
    copy.LoadFromBytes(bitmap.SaveToPNG());
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Canvas()->Pixel(0, 3), clFuchsia);

    bitmap.Mask(clFuchsia);
    EXPECT_TRUE(bitmap.Monochrome());
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 3), clWhite);
    EXPECT_EQ(bitmap.Canvas()->Pixel(1, 1), clBlack);
    EXPECT_EQ(bitmap.TransparentColor(), clWhite);

    EXPECT_THROW(copy.LoadFromBytes({1, 2, 3}), EInvalidGraphic);
    EXPECT_EQ(copy.Width(), 4) << "a failed load keeps the picture";
    EXPECT_THROW(copy.LoadFromFile("/nonexistent/picture.png"), EInvalidGraphic);
}

TEST(Pictures, DataHoldsPngBytesAndDamagedDataIsRefused)
{
    TPicture picture;
    EXPECT_TRUE(picture.Data().empty());
    picture.Bitmap()->SetSize(3, 2);
    const std::vector<std::uint8_t> data = picture.Data();
    ASSERT_GT(data.size(), 8u);
    EXPECT_EQ(data[1], 'P');
    EXPECT_EQ(data[2], 'N');

    TPicture other;
    other.SetData(data);
    EXPECT_EQ(other.Width(), 3);
    EXPECT_EQ(other.Height(), 2);
    std::vector<std::uint8_t> truncated(data.begin(), data.begin() + data.size() / 2);
    EXPECT_THROW(other.SetData(truncated), EInvalidGraphic);
    other.SetData({});
    EXPECT_EQ(other.Width(), 0);
}

TEST(Painting, GivingABrushItsOwnColourAgainMakesItFillAgain)
{
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clRed);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Brush()->SetColor(clRed);
    EXPECT_EQ(canvas->Brush()->Style(), bsSolid);
    canvas->FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(bitmap.Image().pixelColor(2, 2), QColor(255, 0, 0));
}

TEST(Painting, LabelsPaintTheirFaceAndCaptionThroughTheCanvas)
{
    TApplication application;
    auto *form = new TForm(&application);
    form->SetBounds(0, 0, 120, 60);
    auto *label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("Wide caption");
    EXPECT_GT(label->Width(), 40) << "auto-size fits the caption";
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 100, 20);
    label->SetColor(clRed);
    QImage shot = label->Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(99, 19), QColor(255, 0, 0));
    bool ink = false;
    for (int x = 0; x < 60 && !ink; ++x)
        for (int y = 0; y < 20 && !ink; ++y)
            ink = shot.pixelColor(x, y) != QColor(255, 0, 0);
    EXPECT_TRUE(ink) << "no caption drawn";

    // A transparent label lets the form show through.
    label->SetTransparent(true);
    shot = form->Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(99, 19), rgbOf(clBtnFace));

    // A right-justified auto-sized label keeps its right edge.
    auto *right = new TLabel(form);
    right->SetParent(form);
    right->SetAlignment(taRightJustify);
    right->SetBounds(10, 30, 100, 20);
    right->SetCaption("x");
    EXPECT_EQ(right->Left() + right->Width(), 110);
}

TEST(Painting, ImagesShowTheirPictureAndSizeToIt)
{
    TApplication application;
    auto *form = new TForm(&application);
    auto *image = new TImage(form);
    image->SetParent(form);
    image->SetAutoSize(true);
    TBitmap bitmap;
    bitmap.SetSize(32, 32);
    bitmap.Canvas()->Brush()->SetColor(clBlue);
    bitmap.Canvas()->FillRect(Rect(0, 0, 32, 32));
    image->Picture()->Bitmap()->Assign(&bitmap);
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 32);
    const QImage shot = image->Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(16, 16), QColor(0, 0, 255));
}
