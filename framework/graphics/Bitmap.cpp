#include "framework/Graphics.h"
#include "framework/graphics/Graphics_p.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <tuple>

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
    static const TClassInfo info = TClassBuilder<TBitmap>("TBitmap", &TGraphic::StaticClassInfo())
                                       .Binary("Data", &TBitmap::data, &TBitmap::setData)
                                       .StoredIf(&TBitmap::hasImage)
                                       .Build();
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
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>(FImage.get());
        FCanvas->SetMonochrome(Monochrome());
    }
    return FCanvas.get();
}

void TBitmap::Dormant()
{
    if (FCanvas)
        FCanvas->Flush();
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
    if (Monochrome())
        toMonochrome();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    const bool wasMonochrome = Monochrome();
    FPixelFormat = Value;
    if (FCanvas)
        FCanvas->SetMonochrome(Monochrome());
    if (Value != pf1bit || wasMonochrome || FImage->isNull())
        return;
    toMonochrome();
    Changed();
}

void TBitmap::toMonochrome()
{
    if (FCanvas)
        FCanvas->Flush();
    // As a display driver turns colour into one bit a pixel: the background
    // colour of the drawing (the brush colour) becomes 1, all else 0.
    const auto key =
        static_cast<std::uint32_t>(ColorToRGB(FCanvas ? FCanvas->Brush()->Color() : clWhite));
    const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xFFFFFF;
    for (int y = 0; y < FImage->height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(FImage->scanLine(y));
        for (int x = 0; x < FImage->width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == keyRgb ? 0xFFFFFFFFu : 0xFF000000u;
    }
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
    if (FCanvas)
        FCanvas->SetMonochrome(true);
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
        graphics_detail::DrawScaledImage(*p, QRect(R.Left, R.Top, R.Width(), R.Height()), source,
                                         source.rect());
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

bool TBitmap::hasImage() const
{
    return !FImage->isNull();
}

std::vector<std::uint8_t> TBitmap::data() const
{
    return hasImage() ? SaveToPNG() : std::vector<std::uint8_t>();
}

void TBitmap::setData(const std::vector<std::uint8_t> &Value)
{
    if (Value.empty())
        SetImage(QImage());
    else
        LoadFromBytes(Value);
}

void TBitmap::Assign(TPersistent *Source)
{
    if (auto *b = dynamic_cast<TBitmap *>(Source)) {
        if (b == this)
            return;
        FHandleType = b->FHandleType;
        FTransparentMode = b->FTransparentMode;
        FTransparentColor = b->FTransparentColor;
        SetTransparent(b->Transparent());
        // The pixels come as they are: a one-bit source needs no conversion.
        if (FCanvas)
            FCanvas->Flush();
        *FImage = b->Image();
        FPixelFormat = b->FPixelFormat;
        if (FCanvas)
            FCanvas->SetMonochrome(Monochrome());
        Changed();
        return;
    }
    if (Source == nullptr) {
        SetImage(QImage());
        return;
    }
    TGraphic::Assign(Source);
}
