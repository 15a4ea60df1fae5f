#include "components/controls/UnitEdit.h"

#include "framework/TypInfo.h"

const TClassInfo &TUnitEdit::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TUnitEdit>("TUnitEdit", &TCustomControl::StaticClassInfo())
            .Component()
            .Text("Unit", &TUnitEdit::Unit, &TUnitEdit::SetUnit)
            .Float("Value", &TUnitEdit::GetValue, &TUnitEdit::SetValue, 0.0)
            .IntegerIdents("EditColor", &TUnitEdit::EditColor, &TUnitEdit::SetEditColor,
                           ColorIdents(), clWindow)
            .IntegerIdents("UnitColor", &TUnitEdit::UnitColor, &TUnitEdit::SetUnitColor,
                           ColorIdents(), clBtnFace)
            .Build();
    return info;
}

TUnitEdit::TUnitEdit(TComponent *AOwner) : TCustomControl(AOwner)
{
    SetHeight(20);
}

TUnitEdit::~TUnitEdit() = default;

void TUnitEdit::CreateParts()
{
    const int w = Width();
    FNumber = new TNumberEdit(this);
    FNumber->SetParent(this);
    FNumber->SetBounds(0, 0, w - 30, 20);
    FUnitText = new TStaticText(this);
    FUnitText->SetParent(this);
    FUnitText->SetBounds(w - 28, 2, 30, 18);
    FUnitText->SetCaption(FUnit);
    // What was set while there were no parts.
    if (FPendingValue)
        FNumber->SetValue(*FPendingValue);
    FPendingValue.reset();
    if (FEditColorGiven)
        FNumber->SetColor(FEditColor);
    if (FUnitColorGiven)
        FUnitText->SetColor(FUnitColor);
}

void TUnitEdit::Loaded()
{
    TCustomControl::Loaded();
    if (!hasParts())
        CreateParts();
}

void TUnitEdit::CreateWnd()
{
    TCustomControl::CreateWnd();
    if (!hasParts() && !ComponentState().Contains(csLoading))
        CreateParts();
}

void TUnitEdit::Notification(TComponent *AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FNumber)
        FNumber = nullptr;
    if (AComponent == FUnitText)
        FUnitText = nullptr;
}

void TUnitEdit::Show()
{
    if (FNumber)
        FNumber->Show();
    if (FUnitText)
        FUnitText->Show();
}

void TUnitEdit::SetUnit(const String &Value)
{
    if (FUnitText)
        FUnitText->SetCaption(Value);
    FUnit = Value;
}

float TUnitEdit::GetValue() const
{
    if (FNumber)
        return FNumber->GetValue();
    return FPendingValue.value_or(0.0f);
}

void TUnitEdit::SetValue(float Value)
{
    if (FNumber)
        FNumber->SetValue(Value);
    else
        FPendingValue = Value;
}

void TUnitEdit::SetEditColor(TColor Value)
{
    if (FNumber)
        FNumber->SetColor(Value);
    FEditColor = Value;
    FEditColorGiven = true;
}

void TUnitEdit::SetUnitColor(TColor Value)
{
    if (FUnitText)
        FUnitText->SetColor(Value);
    FUnitColor = Value;
    FUnitColorGiven = true;
    SetColor(Value);
}

void UnitEdit::Register()
{
    RegisterComponents("Marrow 2", {&TUnitEdit::StaticClassInfo()});
}
