#include "components/controls/NumberEdit.h"

#include "framework/TypInfo.h"

#include <cmath>
#include <limits>

const TEnumInfo NumberTypeInfo{"TNumberType", {"ntInteger", "ntFloat"}};

const TClassInfo &TNumberEdit::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TNumberEdit>("TNumberEdit", &TCustomEdit::StaticClassInfo())
            .Component()
            .Float("Value", &TNumberEdit::GetValue, &TNumberEdit::SetValue, 0.0)
            .Enumeration("NumberType", &TNumberEdit::NumberType, &TNumberEdit::SetNumberType,
                         NumberTypeInfo, ntInteger)
            .Build();
    return info;
}

TNumberEdit::TNumberEdit(TComponent *AOwner) : TCustomEdit(AOwner) {}

TNumberEdit::~TNumberEdit() = default;

void TNumberEdit::CreateParams(TCreateParams &Params)
{
    TCustomEdit::CreateParams(Params);
    Params.WinClassName = "EDIT";
    Params.Style |= ES_RIGHT;
}

bool TNumberEdit::Validate() const
{
    try {
        StrToFloat(GetText());
    } catch (const EConvertError &) {
        return false;
    }
    return true;
}

float TNumberEdit::GetValue() const
{
    if (!Validate())
        return 0;
    const double value = StrToFloat(GetText());
    // A float cannot hold it; it reads as no number rather than as infinity.
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return 0;
    return static_cast<float>(value);
}

void TNumberEdit::SetValue(float Value)
{
    SetText(FloatToStrF(Value, ffGeneral, 7, 0));
}

void NumberEdit::Register()
{
    RegisterComponents("Marrow 2", {&TNumberEdit::StaticClassInfo()});
}
