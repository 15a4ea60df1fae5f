#pragma once

// Image lists: equal-sized images with transparency, drawn by index. Form
// descriptions store the images as the binary Bitmap property: "TIL1", then
// width, height and count (16-bit little-endian each), then a PNG strip of
// the images side by side with an alpha channel for their masks.

#include "framework/Graphics.h"

#include <cstdint>
#include <vector>

class QIcon;
class QPixmap;
class TCustomImageList;

// Tells its owner (a list view, a button) that an image list changed.
class TChangeLink : public TObject
{
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList *Sender() const { return FSender; }
    TNotifyEvent OnChange;

private:
    friend class TCustomImageList;
    TCustomImageList *FSender = nullptr;
};

enum TDrawingStyle
{
    dsFocus,
    dsSelected,
    dsNormal,
    dsTransparent
};

class TCustomImageList : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TCustomImageList(TComponent *AOwner);
    ~TCustomImageList() override;

    // Image size in pixels; changing it drops the images. Default 16 each.
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    // Use the masks given to Add. Defaults to true.
    bool Masked() const { return FMasked; }
    void SetMasked(bool Value) { FMasked = Value; }
    // Growth step of the room for images. Defaults to 4.
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int Value);
    // Fill behind the images when drawn; clNone draws them transparent.
    // Defaults to clNone.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    // Defaults to dsNormal.
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }

    int Count() const;
    // Room reserved for images: the count rounded up to AllocBy (at least AllocBy).
    int Capacity() const;

    // Adds Image (a strip of several images when it is wider than Width);
    // Mask marks transparent pixels white (ignored when null or not Masked).
    // A null Image adds one blank, wholly transparent image, to be replaced.
    // Returns the index of the first image added.
    int Add(TBitmap *Image, TBitmap *Mask);
    // Adds Image with the pixels of MaskColor transparent; clDefault takes
    // the image's bottom-left pixel as the mask colour.
    int AddMasked(TBitmap *Image, TColor MaskColor);
    void Replace(int Index, TBitmap *Image, TBitmap *Mask);
    // As AddMasked, in place of image Index.
    void ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor);
    void Delete(int Index);
    void Clear();
    // Draws image Index at X, Y; a disabled image is drawn greyed.
    void Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled = true);
    // Qt views show the images through these.
    QPixmap Pixmap(int Index) const;
    QIcon Icon(int Index) const;
    // The image with its transparency; raises EInvalidOperation for a bad index.
    const QImage &Image(int Index) const;

    void RegisterChanges(TChangeLink *Link);
    void UnRegisterChanges(TChangeLink *Link);
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

    // The Bitmap property of form descriptions. A damaged block raises
    // EReadError "Invalid image list data" and leaves the list as it was.
    std::vector<std::uint8_t> Data() const;
    void SetData(const std::vector<std::uint8_t> &Value);

    void Assign(TPersistent *Source) override;

protected:
    virtual void Change();

private:
    friend bool ImageList_DrawEx(TCustomImageList *List, int Index, TCanvas *Canvas, int X, int Y,
                                 int Dx, int Dy, std::uint32_t Bk, std::uint32_t Fg,
                                 unsigned Style);

    bool hasImages() const;
    QImage cellOf(const QImage &Source, int X) const;
    void checkIndex(int Index) const;
    int addImages(const QImage &Source);

    int FWidth = 16;
    int FHeight = 16;
    bool FMasked = true;
    int FAllocBy = 4;
    TColor FBkColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    // Each image as stored, with a premultiplied copy for painting.
    struct Cell;
    std::vector<Cell> FImages;
    std::vector<TChangeLink *> FLinks;
    TNotifyEvent FOnChange;
};

// ImageList_DrawEx: draws image Index of List on Canvas at X, Y, its
// top-left Dx by Dy pixels (0 for the image's own size). With ILD_TRANSPARENT,
// or a background of CLR_NONE (or clNone), the image shows through its mask;
// otherwise its transparent pixels are filled with Bk (CLR_DEFAULT: the
// list's BkColor). Fg, for blended drawing, is accepted and not used.
// Returns false for a bad index or no canvas.
inline constexpr unsigned ILD_NORMAL = 0x0000;
inline constexpr unsigned ILD_TRANSPARENT = 0x0001;
inline constexpr std::uint32_t CLR_NONE = 0xFFFFFFFF;
inline constexpr std::uint32_t CLR_DEFAULT = 0xFF000000;
bool ImageList_DrawEx(TCustomImageList *List, int Index, TCanvas *Canvas, int X, int Y, int Dx,
                      int Dy, std::uint32_t Bk, std::uint32_t Fg, unsigned Style);

class TImageList : public TCustomImageList
{
    TUMBLER_CLASS
public:
    using TCustomImageList::TCustomImageList;
};
