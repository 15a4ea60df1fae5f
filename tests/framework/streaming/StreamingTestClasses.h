#pragma once

// Small components with a property of every kind, a font-like nested object,
// a collection, lines of text, binary data, events bound to the form and
// panels that nest in each other, for the form-description tests.

#include "framework/Streaming.h"

#include <vector>

enum TTestAlign
{
    taNone,
    taTop,
    taClient
};
enum TTestFontStyle
{
    fsBold,
    fsItalic,
    fsUnderline
};
using TTestFontStyles = TSet<TTestFontStyle>;

extern const TIdentMap TestColors; // clBlack 0, clBlue $FF0000, clWindowText $80000008

class TTestFont : public TPersistent
{
    TUMBLER_CLASS
public:
    const String &Name() const { return FName; }
    void SetName(const String &v) { FName = v; }
    int Height() const { return FHeight; }
    void SetHeight(int v) { FHeight = v; }
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    TTestFontStyles Style() const { return FStyle; }
    void SetStyle(TTestFontStyles v) { FStyle = v; }

private:
    String FName = "MS Sans Serif";
    int FHeight = -11;
    int FColor = static_cast<int>(0x80000008u);
    TTestFontStyles FStyle;
};

class TTestColumn : public TCollectionItem
{
    TUMBLER_CLASS
public:
    using TCollectionItem::TCollectionItem;
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &v) { FCaption = v; }
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }

private:
    String FCaption;
    int FWidth = 50;
};

class TTestImages : public TComponent
{
    TUMBLER_CLASS
public:
    using TComponent::TComponent;
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    void Loaded() override;

private:
    int FCount = 0;
};

// What each Loaded() call saw: the component's name, whether it was still
// loading, and whether any component of its owner was still being read.
struct LoadedCall
{
    String name;
    bool loading = false;
    bool anyStillReading = false;
};
extern std::vector<LoadedCall> LoadedCalls;
extern int LivePanels;

class TTestPanel : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TTestPanel(TComponent *AOwner);
    ~TTestPanel() override;

    int Left() const { return FLeft; }
    void SetLeft(int v) { FLeft = v; }
    std::int64_t Tag() const { return FTag; }
    void SetTag(std::int64_t v) { FTag = v; }
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    TTestAlign Align() const { return FAlign; }
    void SetAlign(TTestAlign v) { FAlign = v; }
    TTestFontStyles Borders() const { return FBorders; }
    void SetBorders(TTestFontStyles v) { FBorders = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    std::vector<std::uint8_t> Data() const { return FData; }
    void SetData(const std::vector<std::uint8_t> &v) { FData = v; }
    TTestFont *Font() { return &FFont; }
    TStringList *Lines() { return &FLines; }
    TCollection *Columns() { return &FColumns; }
    TTestImages *Images() const { return FImages; }
    void SetImages(TTestImages *v) { FImages = v; }
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(const TNotifyEvent &e) { FOnClick = e; }

    // Whether the caption was set while the panel was loading and reading.
    bool captionSetWhileReading = false;

    TComponent *GetParentComponent() const override { return FParent; }
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent *Parent) override;
    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;
    void Loaded() override;

private:
    bool isCaptionStored() const { return FCaption != "-"; }
    bool hasData() const { return !FData.empty(); }
    void detach();

    int FLeft = 0;
    std::int64_t FTag = 0;
    String FCaption;
    bool FVisible = true;
    TTestAlign FAlign = taNone;
    TTestFontStyles FBorders{fsBold};
    double FRatio = 0;
    std::vector<std::uint8_t> FData;
    TTestFont FFont;
    TStringList FLines;
    TCollection FColumns;
    TTestImages *FImages = nullptr;
    TNotifyEvent FOnClick;
    TTestPanel *FParent = nullptr;
    std::vector<TTestPanel *> FChildren;
};

// A form: a panel at the root with published fields and methods.
class TTestForm : public TTestPanel
{
    TUMBLER_CLASS
public:
    using TTestPanel::TTestPanel;
    bool HasParent() const override { return false; }

    void ButtonClick(TObject *) { ++clicks; }
    void OtherClick(TObject *) { clicks += 10; }
    void Resized(TObject *, int) {}

    TTestPanel *Panel1 = nullptr;
    TTestPanel *Button1 = nullptr;
    TTestImages *Images1 = nullptr;
    int clicks = 0;
};

void RegisterTestClasses();
