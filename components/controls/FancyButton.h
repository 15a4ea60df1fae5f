#pragma once

// An owner-painted push button whose face is a bitmap strip, the glyph, cut
// into equal cells, one per look (hot, pressed, resting, latched, disabled),
// with an optional caption over it. It draws no frame of its own: the looks
// are whatever cells the designer supplies. Alone it is a push button that
// reports clicks; with a GroupIndex it is one of a group of toggle buttons
// among its siblings, at most one of them latched down.
//
// The image work is done by the button's glyph object (TButtonGlyph): it cuts
// the strip, builds each look's image once (the disabled one from the strip
// and the system colours) and keeps it in an image list it shares, through
// the one TGlyphCache of the process, with every other glyph of the same cell
// size.

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/ImgList.h"

#include <array>
#include <cstdint>
#include <memory>

enum TFancyButtonState : std::uint8_t
{
    fbsUp,        // raised with the pointer over it (cell 0)
    fbsDown,      // being pressed with the pointer over it (cell 1)
    fbsMouseOut,  // raised with the pointer elsewhere: the resting look (cell 2)
    fbsExclusive, // latched down as the selected member of its group
    fbsDisabled   // generated disabled image, no mouse input
};
extern const TEnumInfo FancyButtonStateInfo;

// The framework's modal result codes a button may write into its form, 0 to 8.
using TFancyModalResult = std::int8_t;

// An image list of one cell size that knows which of its slots hold a live
// image. A freed slot keeps its old image until it is reused; slots are never
// removed.
class TGlyphList : public TImageList
{
public:
    TGlyphList(int Width, int Height);
    ~TGlyphList() override;

    // The first free slot, appending a blank image when all are in use.
    int ReserveSlot();
    // Puts Image (its pixels of MaskColor transparent; clDefault: its
    // bottom-left pixel's colour) into a free slot and returns the slot.
    int StoreImage(TBitmap *Image, TColor MaskColor);
    // Frees slot Index; a slot not in use is left alone.
    void FreeSlot(int Index);
    // The number of slots in use.
    int UsedCount() const { return FUsedCount; }

private:
    std::unique_ptr<TBits> FUsedSlots;
    int FUsedCount = 0;
};

// One image list per cell size for the whole process. There is at most one
// cache; the first glyph object makes it and the last one that finds it empty
// deletes it.
class TGlyphCache
{
public:
    TGlyphCache();
    ~TGlyphCache();
    TGlyphCache(const TGlyphCache &) = delete;
    TGlyphCache &operator=(const TGlyphCache &) = delete;

    // The list for images of Width by Height, made when there is none yet.
    TGlyphList *AcquireList(int Width, int Height);
    // Frees List once none of its slots is in use; null does nothing.
    void ReleaseList(TGlyphList *List);
    bool IsEmpty() const;
    int ListCount() const;

    // The cache of the process, or null when none exists.
    static TGlyphCache *Instance();

private:
    std::unique_ptr<TList> FLists; // of TGlyphList, owned
};

// A button's glyph: the strip, its number of cells and the image of each
// state, built on first use.
class TButtonGlyph : public TObject
{
public:
    TButtonGlyph();
    ~TButtonGlyph() override;

    // The strip, owned; empty when the button has no glyph.
    TBitmap *Strip() const { return FStrip.get(); }
    // Copies Bitmap (null: empties the strip); a strip whose width is a whole
    // multiple of its height sets the cell count (more than 5 cells: 1).
    void AssignStrip(TBitmap *Bitmap);
    // Takes the cell count from the strip's proportions, as AssignStrip does.
    void TakeCellCountFromStrip();
    // Number of cells, 1 to 5. Defaults to 1. Below 1 is ignored.
    int NumGlyphs() const { return FNumGlyphs; }
    void SetCellCount(int Value);

    // Frees the state images and hands the list back to the cache.
    void ReleaseImages();
    // The slot of State's image in the shared list, built when missing (and
    // built anew when Rebuild); -1 for an empty strip.
    int EnsureStateImage(TFancyButtonState State, bool Rebuild);
    // The list holding the images; null until the first is built.
    TGlyphList *List() const { return FList; }
    // How many images this glyph has built so far.
    int BuildCount() const { return FBuildCount; }

    // Draws glyph and caption centred in Face, the caption moved by Offset;
    // returns the caption's rectangle.
    TRect RenderFace(TCanvas *Canvas, const TRect &Face, TPoint Offset, const String &Caption,
                     TFancyButtonState State, TColor ShadowColor, unsigned BiDiFlags);
    void ComputeFaceLayout(TCanvas *Canvas, const TRect &Face, TPoint Offset, const String &Caption,
                           unsigned BiDiFlags, TPoint &GlyphPos, TRect &TextRect);
    void DrawStateImage(TCanvas *Canvas, TPoint Position, TFancyButtonState State);
    void DrawCaptionText(TCanvas *Canvas, const String &Caption, TRect TextRect,
                         TFancyButtonState State, TColor ShadowColor, unsigned BiDiFlags);

    // Called after the strip's content changed (Sender: the strip) or the
    // cell count alone did (Sender: the glyph object).
    TNotifyEvent OnChange;

private:
    void StripChanged(TObject *Sender);
    // The width of one cell; 0 when the strip is narrower than its cells.
    int cellWidth() const;
    bool hasCells() const;
    void buildRecoloured(TBitmap &Work, const TRect &Source, int W, int H);
    void buildEmbossed(TBitmap &Work, int W, int H);

    std::unique_ptr<TBitmap> FStrip;
    TGlyphList *FList = nullptr; // borrowed from the cache
    std::array<int, 5> FStateIndex{-1, -1, -1, -1, -1};
    TColor FKeyColor = clOlive;
    int FNumGlyphs = 1;
    int FBuildCount = 0;
};

class TFancyButton : public TCustomControl
{
    TUMBLER_CLASS
public:
    explicit TFancyButton(TComponent *AOwner);
    ~TFancyButton() override;

    // The look shown. fbsDisabled disables the control, any other state
    // enables it. Defaults to fbsMouseOut.
    TFancyButtonState State() const { return FState; }
    void SetState(TFancyButtonState Value);
    // Written into the owner form's ModalResult when a press ends or Enter
    // (Escape for 2) is pressed; 0 to 8. Defaults to 0.
    TFancyModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(int Value);
    // Whether every button of the group may be up at once; spreads to the
    // group. Defaults to false.
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    // The group among the siblings; 0 is none (a plain push button).
    // Defaults to 0.
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    // Latched down; only in a group. Defaults to false.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    // The strip of cells (never null, possibly empty). Setting it copies the
    // bitmap, takes the cell count from it where it can and sizes the button
    // to one cell.
    TBitmap *GetGlyph() const;
    void SetGlyph(TBitmap *Value);
    // Number of cells in the strip, 1 to 5; setting it sizes the button to
    // one cell. Defaults to 1.
    int GetNumGlyphs() const;
    void SetNumGlyphs(int Value);
    // Pixels added to the caption's position. Default 0 each.
    int TextOffsetLeft() const { return FTextOffsetLeft; }
    void SetTextOffsetLeft(int Value);
    int TextOffsetTop() const { return FTextOffsetTop; }
    void SetTextOffsetTop(int Value);
    // Colour of the caption's shadow, 2 pixels right of and below it; clNone
    // draws none. Defaults to clNone.
    TColor TextShadowColor() const { return FTextShadowColor; }
    void SetTextShadowColor(TColor Value);

    // The button's glyph object.
    TButtonGlyph *Glyph() const { return FGlyph.get(); }
    HPALETTE GetPalette() override;
    void Loaded() override;
    void Dispatch(TMessage &Message) override;

    // A push button; in a group it latches (checkable, checked while Down).
    // Pressing it does what a click with the mouse does.
    TAccessibleRole AccessibleRole() const override { return arPushButton; }
    TAccessibleStates AccessibleStates() const override;
    bool AccessiblePressable() const override { return FState != fbsDisabled; }
    void AccessiblePress() override;

protected:
    // Takes the action's caption, enabled state and hint as every control
    // does; a button without a glyph also takes the size of the action's
    // image and shows that image at every paint while it has no glyph.
    void ActionChange(TObject *Sender, bool CheckDefaults) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Space presses the button as the mouse does: down on the key's press,
    // a click on its release. Losing the focus meanwhile lets it go unclicked.
    void DoEnter() override;
    void DoExit() override;

private:
    void GlyphChanged(TObject *Sender);
    // A press by mouse, key or assistive technology: its start, and its end
    // inside or outside the button.
    void beginPress();
    void endPress(bool ReleasedInside);
    void WMKey(TMessage &Message);
    void ButtonKeyPress(TObject *Sender, char &Key);
    void UpdateExclusive();
    void UpdateTracking();
    void sizeToCell();
    void setModalResultOfOwner();
    bool inside(int X, int Y) const;

    void CMButtonPressed(TMessage &Message);
    void CMDialogChar(TMessage &Message);
    void CMMouseEnter(TMessage &Message);
    void CMMouseLeave(TMessage &Message);
    void CMSysColorChange(TMessage &Message);
    void WMLButtonDblClk(TMessage &Message);

    bool hasGlyph() const;
    // The list holding the image of the button's action, and its index in
    // it; null when there is none to show.
    TCustomImageList *actionImages(int &Index) const;
    int getModalResult() const { return FModalResult; }

    int FGroupIndex = 0;
    std::unique_ptr<TButtonGlyph> FGlyph;
    bool FDown = false;
    bool FPressing = false;
    bool FKeyPressing = false; // the press in progress came from Space
    bool FAllowAllUp = false;
    bool FMouseOver = false;
    int FTextOffsetLeft = 0;
    int FTextOffsetTop = 0;
    TColor FTextShadowColor = clNone;
    TFancyButtonState FState = fbsMouseOut;
    TFancyModalResult FModalResult = 0;
};

namespace FancyButton {
// Puts TFancyButton on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace FancyButton
