#include "framework/ImgList.h"
#include "framework/graphics/Graphics_p.h"

#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {
const TEnumInfo DrawingStyleInfo{"TDrawingStyle",
                                 {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"}};
constexpr char dataMagic[4] = {'T', 'I', 'L', '1'};
constexpr int headerSize = 10;
// Far beyond any list a program keeps, small enough to refuse absurd headers.
constexpr int maxSide = 1024;
constexpr int maxCount = 16384;

// The mask colour as a pixel; clDefault stands for the image's bottom-left pixel.
QRgb keyOf(const QImage &Image, TColor Color)
{
    if (Color == clDefault)
        return Image.isNull() ? 0 : Image.pixel(0, Image.height() - 1) & 0xFFFFFF;
    const auto c = static_cast<std::uint32_t>(ColorToRGB(Color));
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF;
}
} // namespace

// Painting a straight-alpha image converts it at each draw; the premultiplied
// copy, made once when the image is stored, is drawn as it is.
struct TCustomImageList::Cell
{
    explicit Cell(QImage Stored)
        : Image(std::move(Stored)),
          Drawn(Image.convertToFormat(QImage::Format_ARGB32_Premultiplied))
    {}
    QImage Image;
    QImage Drawn;
};

TChangeLink::~TChangeLink()
{
    if (FSender)
        FSender->UnRegisterChanges(this);
}

const TClassInfo &TCustomImageList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomImageList>("TCustomImageList", &TComponent::StaticClassInfo())
            .Integer("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy, 4)
            .IntegerIdents("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor,
                           ColorIdents(), clNone)
            .Enumeration("DrawingStyle", &TCustomImageList::DrawingStyle,
                         &TCustomImageList::SetDrawingStyle, DrawingStyleInfo, dsNormal)
            .Integer("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, 16)
            .Boolean("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked, true)
            .Integer("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16)
            .Event("OnChange", &TCustomImageList::OnChange, &TCustomImageList::SetOnChange)
            // Last, so that the size is known when the images are read.
            .Binary("Bitmap", &TCustomImageList::Data, &TCustomImageList::SetData)
            .StoredIf(&TCustomImageList::hasImages)
            .Build();
    return info;
}

const TClassInfo &TImageList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TImageList>("TImageList", &TCustomImageList::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TCustomImageList::TCustomImageList(TComponent *AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink *link : FLinks)
        link->FSender = nullptr;
}

void TCustomImageList::SetWidth(int Value)
{
    Value = std::clamp(Value, 1, maxSide);
    if (Value == FWidth)
        return;
    FWidth = Value;
    FImages.clear();
    Change();
}

void TCustomImageList::SetHeight(int Value)
{
    Value = std::clamp(Value, 1, maxSide);
    if (Value == FHeight)
        return;
    FHeight = Value;
    FImages.clear();
    Change();
}

void TCustomImageList::SetAllocBy(int Value)
{
    FAllocBy = std::max(1, Value);
}

void TCustomImageList::SetBkColor(TColor Value)
{
    if (FBkColor == Value)
        return;
    FBkColor = Value;
    Change();
}

int TCustomImageList::Count() const
{
    return static_cast<int>(FImages.size());
}

bool TCustomImageList::hasImages() const
{
    return !FImages.empty();
}

int TCustomImageList::Capacity() const
{
    const int step = std::max(1, FAllocBy);
    return std::max(step, (Count() + step - 1) / step * step);
}

void TCustomImageList::checkIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(Format("Invalid image list index (%d)", {Index}));
}

QImage TCustomImageList::cellOf(const QImage &Source, int X) const
{
    QImage cell(FWidth, FHeight, QImage::Format_ARGB32);
    cell.fill(Qt::transparent);
    QPainter p(&cell);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, Source, X, 0, FWidth, FHeight);
    return cell;
}

int TCustomImageList::addImages(const QImage &Source)
{
    const int first = Count();
    const int cells = std::max(1, Source.width() / FWidth);
    if (first + cells > maxCount)
        throw EInvalidOperation("Too many images for the image list");
    // The vector grows geometrically on its own; reserving to the next
    // AllocBy step here made every few additions copy the whole list.
    for (int i = 0; i < cells; ++i)
        FImages.emplace_back(cellOf(Source, i * FWidth));
    Change();
    return first;
}

namespace {
// The image with mask pixels that are not black made transparent.
QImage applyMask(const QImage &Image, const QImage *Mask)
{
    QImage out = Image.convertToFormat(QImage::Format_ARGB32);
    if (!Mask)
        return out;
    const QImage mask = Mask->convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height() && y < mask.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        const auto *m = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        for (int x = 0; x < out.width() && x < mask.width(); ++x)
            if ((m[x] & 0xFFFFFF) != 0)
                line[x] = 0;
    }
    return out;
}

QImage applyKey(const QImage &Image, QRgb Key)
{
    QImage out = Image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == Key)
                line[x] = 0;
    }
    return out;
}
} // namespace

int TCustomImageList::Add(TBitmap *Image, TBitmap *Mask)
{
    if (!Image) {
        QImage blank(FWidth, FHeight, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return addImages(blank);
    }
    if (Image->Empty())
        throw EInvalidOperation("Cannot add an empty image to an image list");
    return addImages(applyMask(Image->Image(), FMasked && Mask ? &Mask->Image() : nullptr));
}

int TCustomImageList::AddMasked(TBitmap *Image, TColor MaskColor)
{
    if (!Image || Image->Empty())
        throw EInvalidOperation("Cannot add an empty image to an image list");
    if (!FMasked)
        return addImages(Image->Image());
    return addImages(applyKey(Image->Image(), keyOf(Image->Image(), MaskColor)));
}

void TCustomImageList::Replace(int Index, TBitmap *Image, TBitmap *Mask)
{
    checkIndex(Index);
    if (!Image || Image->Empty())
        throw EInvalidOperation("Cannot add an empty image to an image list");
    FImages[static_cast<std::size_t>(Index)] =
        Cell(cellOf(applyMask(Image->Image(), FMasked && Mask ? &Mask->Image() : nullptr), 0));
    Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor)
{
    checkIndex(Index);
    if (!NewImage || NewImage->Empty())
        throw EInvalidOperation("Cannot add an empty image to an image list");
    const QImage source = FMasked ? applyKey(NewImage->Image(), keyOf(NewImage->Image(), MaskColor))
                                  : NewImage->Image().convertToFormat(QImage::Format_ARGB32);
    FImages[static_cast<std::size_t>(Index)] = Cell(cellOf(source, 0));
    Change();
}

void TCustomImageList::Delete(int Index)
{
    checkIndex(Index);
    FImages.erase(FImages.begin() + Index);
    Change();
}

void TCustomImageList::Clear()
{
    if (FImages.empty())
        return;
    FImages.clear();
    Change();
}

const QImage &TCustomImageList::Image(int Index) const
{
    checkIndex(Index);
    return FImages[static_cast<std::size_t>(Index)].Image;
}

void TCustomImageList::Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled)
{
    if (!Canvas || Index < 0 || Index >= Count())
        return;
    const Cell &cell = FImages[static_cast<std::size_t>(Index)];
    QImage image = Enabled ? cell.Drawn : cell.Image;
    if (!Enabled) {
        // Grey and faint, as disabled images look.
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int g = qGray(line[x]);
                line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
            }
        }
    }
    if (QPainter *p = Canvas->Painter()) {
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (FBkColor != clNone)
            p->fillRect(QRect(X, Y, FWidth, FHeight), ColorToQColor(FBkColor));
        graphics_detail::DrawScaledImage(*p, QRect(QPoint(X, Y), image.size()), image,
                                         image.rect());
    }
}

QPixmap TCustomImageList::Pixmap(int Index) const
{
    if (Index < 0 || Index >= Count())
        return QPixmap();
    return QPixmap::fromImage(FImages[static_cast<std::size_t>(Index)].Drawn);
}

QIcon TCustomImageList::Icon(int Index) const
{
    const QPixmap pixmap = Pixmap(Index);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

void TCustomImageList::RegisterChanges(TChangeLink *Link)
{
    if (!Link || std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end())
        return;
    if (Link->FSender && Link->FSender != this)
        Link->FSender->UnRegisterChanges(Link);
    Link->FSender = this;
    FLinks.push_back(Link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink *Link)
{
    if (!Link)
        return;
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
    if (Link->FSender == this)
        Link->FSender = nullptr;
}

void TCustomImageList::Change()
{
    const std::vector<TChangeLink *> links = FLinks;
    for (TChangeLink *link : links)
        if (link->OnChange)
            link->OnChange(this);
    if (FOnChange)
        FOnChange(this);
}

std::vector<std::uint8_t> TCustomImageList::Data() const
{
    if (FImages.empty())
        return {};
    QImage strip(FWidth * Count(), FHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    {
        QPainter p(&strip);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (int i = 0; i < Count(); ++i)
            p.drawImage(i * FWidth, 0, FImages[static_cast<std::size_t>(i)].Image);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    strip.save(&buffer, "PNG");
    std::vector<std::uint8_t> out(dataMagic, dataMagic + 4);
    for (const int v : {FWidth, Count() == 0 ? 0 : FHeight, Count()}) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    out.insert(out.end(), png.begin(), png.end());
    return out;
}

void TCustomImageList::SetData(const std::vector<std::uint8_t> &Value)
{
    if (Value.empty()) {
        Clear();
        return;
    }
    const auto fail = [] { throw EReadError("Invalid image list data"); };
    if (Value.size() < headerSize || !std::equal(dataMagic, dataMagic + 4, Value.begin()))
        fail();
    const auto u16 = [&](std::size_t at) { return Value[at] | (Value[at + 1] << 8); };
    const int width = u16(4), height = u16(6), count = u16(8);
    if (width < 1 || width > maxSide || height < 1 || height > maxSide || count > maxCount)
        fail();
    QImage strip;
    if (!strip.loadFromData(Value.data() + headerSize, static_cast<int>(Value.size() - headerSize),
                            "PNG") ||
        strip.width() != width * count || strip.height() != height)
        fail();
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    FWidth = width;
    FHeight = height;
    FImages.clear();
    for (int i = 0; i < count; ++i)
        FImages.emplace_back(strip.copy(i * width, 0, width, height));
    Change();
}

void TCustomImageList::Assign(TPersistent *Source)
{
    if (auto *other = dynamic_cast<TCustomImageList *>(Source)) {
        FWidth = other->FWidth;
        FHeight = other->FHeight;
        FMasked = other->FMasked;
        FAllocBy = other->FAllocBy;
        FBkColor = other->FBkColor;
        FDrawingStyle = other->FDrawingStyle;
        FImages = other->FImages;
        Change();
        return;
    }
    TComponent::Assign(Source);
}

bool ImageList_DrawEx(TCustomImageList *List, int Index, TCanvas *Canvas, int X, int Y, int Dx,
                      int Dy, std::uint32_t Bk, std::uint32_t, unsigned Style)
{
    if (!List || !Canvas || Index < 0 || Index >= List->Count())
        return false;
    const QImage &image = List->FImages[static_cast<std::size_t>(Index)].Drawn;
    const int w = Dx > 0 ? std::min(Dx, image.width()) : image.width();
    const int h = Dy > 0 ? std::min(Dy, image.height()) : image.height();
    if (!Canvas->Target() || Canvas->Target()->isNull())
        return false;
    const bool throughMask =
        (Style & ILD_TRANSPARENT) || Bk == CLR_NONE || Bk == static_cast<std::uint32_t>(clNone);
    if (!throughMask) {
        const TColor fill =
            Bk == CLR_DEFAULT ? List->BkColor() : static_cast<TColor>(Bk & 0xFFFFFF);
        if (QPainter *p = Canvas->Painter(); p && fill != clNone) {
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->fillRect(QRect(X, Y, w, h), ColorToQColor(fill));
        }
    }
    Canvas->DrawImage(X, Y, image, Rect(0, 0, w, h));
    return true;
}
