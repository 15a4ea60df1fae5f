#include "framework/TypInfo.h"

#include <gtest/gtest.h>

namespace {

enum TShade
{
    shLight,
    shDark
};
const TEnumInfo ShadeInfo{"TShade", {"shLight", "shDark"}};
using TShades = TSet<TShade>;

class TWidgetModel : public TComponent
{
    TUMBLER_CLASS
public:
    using TComponent::TComponent;
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &v) { FCaption = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    TShade Shade() const { return FShade; }
    void SetShade(TShade v) { FShade = v; }
    TShades Shades() const { return FShades; }
    void SetShades(TShades v) { FShades = v; }
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(const TNotifyEvent &e) { FOnClick = e; }
    TStringList *Lines() { return &FLines; }
    void Clicked(TObject *) { ++clicks; }
    int clicks = 0;

private:
    int FWidth = 10;
    String FCaption;
    bool FVisible = true;
    TShade FShade = shLight;
    TShades FShades;
    TNotifyEvent FOnClick;
    TStringList FLines;
};

const TClassInfo &TWidgetModel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TWidgetModel>("TWidgetModel", &TComponent::StaticClassInfo())
            .Component()
            .Integer("Width", &TWidgetModel::Width, &TWidgetModel::SetWidth, 10)
            .Text("Caption", &TWidgetModel::Caption, &TWidgetModel::SetCaption)
            .Boolean("Visible", &TWidgetModel::Visible, &TWidgetModel::SetVisible, true)
            .Enumeration("Shade", &TWidgetModel::Shade, &TWidgetModel::SetShade, ShadeInfo, shLight)
            .Set("Shades", &TWidgetModel::Shades, &TWidgetModel::SetShades, ShadeInfo)
            .Object("Lines", &TWidgetModel::Lines)
            .Event("OnClick", &TWidgetModel::OnClick, &TWidgetModel::SetOnClick)
            .Method("Clicked", &TWidgetModel::Clicked)
            .Build();
    return info;
}

} // namespace

TEST(TypeInformation, PropertiesReadAndWriteThroughTheirAccessors)
{
    TWidgetModel w(nullptr);
    const TClassInfo &info = w.ClassInfo();
    EXPECT_EQ(w.ClassName(), "TWidgetModel");
    EXPECT_TRUE(w.InheritsFrom(TComponent::StaticClassInfo()));

    info.FindProperty("width")->Set(w, TFormValue::Int(99));
    EXPECT_EQ(w.Width(), 99);
    info.FindProperty("Shade")->Set(w, TFormValue::Ident("shDark"));
    EXPECT_EQ(w.Shade(), shDark);
    info.FindProperty("Shades")->Set(w, TFormValue::SetOf({"shDark"}));
    EXPECT_TRUE(w.Shades().Contains(shDark));
    EXPECT_EQ(info.FindProperty("Visible")->Get(w), TFormValue::Ident("True"));
    EXPECT_EQ(*info.FindProperty("Visible")->Default, TFormValue::Ident("True"));
    EXPECT_EQ(info.FindProperty("Lines")->Kind, TTypeKind::tkStrings);

    EXPECT_THROW(info.FindProperty("Width")->Set(w, TFormValue::Str("x")), EReadError);
    EXPECT_THROW(info.FindProperty("Shade")->Set(w, TFormValue::Ident("shPurple")), EReadError);

    // Name is the first published property and is never stored as one.
    const auto all = info.AllProperties();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front()->Name, "Name");
    EXPECT_FALSE(all.front()->Stored(w));
}

TEST(TypeInformation, EventsBindToPublishedMethodsByName)
{
    TWidgetModel w(nullptr);
    const TMethodInfo *m = w.ClassInfo().FindMethod("clicked");
    ASSERT_NE(m, nullptr);
    const TPropInfo *onClick = w.ClassInfo().FindProperty("OnClick");
    onClick->SetMethod(w, TMethodValue{&w, m->Code, m->Name});
    w.OnClick()(&w);
    EXPECT_EQ(w.clicks, 1);
    const TMethodValue back = onClick->GetMethod(w);
    EXPECT_EQ(back.Name, "Clicked");
    EXPECT_TRUE(m->Matches(back.Code));
}

TEST(TypeInformation, RegistryFindsClassesCaseBlind)
{
    RegisterClasses<TWidgetModel>();
    EXPECT_EQ(GetClass("twidgetmodel"), &TWidgetModel::StaticClassInfo());
    EXPECT_EQ(GetClass("TNothing"), nullptr);
    RegisterComponents("Marrowlight", {&TWidgetModel::StaticClassInfo()});
    EXPECT_EQ(ComponentPalettePage(TWidgetModel::StaticClassInfo()), "Marrowlight");
}
