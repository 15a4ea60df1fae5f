#include "tests/framework/streaming/StreamingTestClasses.h"

#include <algorithm>

const TIdentMap TestColors{
    {{0, "clBlack"},
     {0xFF0000, "clBlue"},
     {static_cast<std::int64_t>(static_cast<int>(0x80000008u)), "clWindowText"}}};
std::vector<LoadedCall> LoadedCalls;
int LivePanels = 0;

namespace {
const TEnumInfo AlignInfo{"TTestAlign", {"taNone", "taTop", "taClient"}};
const TEnumInfo FontStyleInfo{"TTestFontStyle", {"fsBold", "fsItalic", "fsUnderline"}};
} // namespace

const TClassInfo &TTestFont::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTestFont>("TTestFont", &TPersistent::StaticClassInfo())
            .Text("Name", &TTestFont::Name, &TTestFont::SetName, "MS Sans Serif")
            .Integer("Height", &TTestFont::Height, &TTestFont::SetHeight, -11)
            .IntegerIdents("Color", &TTestFont::Color, &TTestFont::SetColor, TestColors,
                           static_cast<int>(0x80000008u))
            .Set("Style", &TTestFont::Style, &TTestFont::SetStyle, FontStyleInfo)
            .Build();
    return info;
}

const TClassInfo &TTestColumn::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTestColumn>("TTestColumn", &TCollectionItem::StaticClassInfo())
            .Text("Caption", &TTestColumn::Caption, &TTestColumn::SetCaption)
            .Integer("Width", &TTestColumn::Width, &TTestColumn::SetWidth, 50)
            .Build();
    return info;
}

const TClassInfo &TTestImages::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTestImages>("TTestImages", &TComponent::StaticClassInfo())
            .Component()
            .Integer("Count", &TTestImages::Count, &TTestImages::SetCount)
            .Build();
    return info;
}

const TClassInfo &TTestPanel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTestPanel>("TTestPanel", &TComponent::StaticClassInfo())
            .Component()
            .Integer("Left", &TTestPanel::Left, &TTestPanel::SetLeft)
            .Integer("Tag", &TTestPanel::Tag, &TTestPanel::SetTag)
            .Text("Caption", &TTestPanel::Caption, &TTestPanel::SetCaption)
            .StoredIf(&TTestPanel::isCaptionStored)
            .Boolean("Visible", &TTestPanel::Visible, &TTestPanel::SetVisible, true)
            .Enumeration("Align", &TTestPanel::Align, &TTestPanel::SetAlign, AlignInfo, taNone)
            .Set("Borders", &TTestPanel::Borders, &TTestPanel::SetBorders, FontStyleInfo,
                 TTestFontStyles{fsBold}.Bits())
            .Float("Ratio", &TTestPanel::Ratio, &TTestPanel::SetRatio)
            .Binary("Data", &TTestPanel::Data, &TTestPanel::SetData)
            .StoredIf(&TTestPanel::hasData)
            .Object("Font", &TTestPanel::Font)
            .Object("Lines", &TTestPanel::Lines)
            .Object("Columns", &TTestPanel::Columns)
            .Reference("Images", &TTestPanel::Images, &TTestPanel::SetImages)
            .Event("OnClick", &TTestPanel::OnClick, &TTestPanel::SetOnClick)
            .Build();
    return info;
}

const TClassInfo &TTestForm::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTestForm>("TTestForm", &TTestPanel::StaticClassInfo())
            .Component()
            .Field("Panel1", &TTestForm::Panel1)
            .Field("Button1", &TTestForm::Button1)
            .Field("Images1", &TTestForm::Images1)
            .Method("ButtonClick", &TTestForm::ButtonClick)
            .Method("OtherClick", &TTestForm::OtherClick)
            .Method("Resized", &TTestForm::Resized)
            .Build();
    return info;
}

TTestPanel::TTestPanel(TComponent *AOwner)
    : TComponent(AOwner),
      FColumns(TTestColumn::StaticClassInfo(), [](TCollection *c) { return new TTestColumn(c); })
{
    ++LivePanels;
}

TTestPanel::~TTestPanel()
{
    detach();
    for (TTestPanel *child : FChildren)
        child->FParent = nullptr;
    --LivePanels;
}

void TTestPanel::SetCaption(const String &v)
{
    FCaption = v;
    captionSetWhileReading =
        ComponentState().Contains(csLoading) && ComponentState().Contains(csReading);
}

void TTestPanel::detach()
{
    if (!FParent)
        return;
    auto &siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    FParent = nullptr;
}

void TTestPanel::SetParentComponent(TComponent *Parent)
{
    detach();
    FParent = dynamic_cast<TTestPanel *>(Parent);
    if (FParent)
        FParent->FChildren.push_back(this);
}

void TTestPanel::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    for (TTestPanel *child : FChildren)
        if (child->Owner() == Root)
            Proc(child);
    if (Root == this)
        for (int i = 0; i < ComponentCount(); ++i)
            if (!Components(i)->HasParent())
                Proc(Components(i));
}

namespace {
void recordLoaded(const TComponent &c)
{
    LoadedCall call{c.Name(), c.ComponentState().Contains(csLoading), false};
    const TComponent &owner = c.Owner() ? *c.Owner() : c;
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (owner.Components(i)->ComponentState().Contains(csReading))
            call.anyStillReading = true;
    LoadedCalls.push_back(call);
}
} // namespace

void TTestPanel::Loaded()
{
    recordLoaded(*this);
    TComponent::Loaded();
}

void TTestImages::Loaded()
{
    recordLoaded(*this);
    TComponent::Loaded();
}

void RegisterTestClasses()
{
    RegisterClasses<TTestPanel, TTestForm, TTestImages, TTestFont>();
}
