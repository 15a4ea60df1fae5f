#include "components/storage/Setting.h"

#include "framework/TypInfo.h"

const TClassInfo &TJSetting::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TJSetting>("TJSetting", &TComponent::StaticClassInfo())
            .Component()
            .Object("Storage", &TJSetting::Storage)
            .Text("KeyName", &TJSetting::KeyName, &TJSetting::SetKeyName, String())
            .Text("DefaultValue", &TJSetting::DefaultValue, &TJSetting::SetDefaultValue, String())
            .Build();
    return info;
}

TJSetting::TJSetting(TComponent *AOwner)
    : TComponent(AOwner), FStorage(std::make_unique<TJStorage>())
{
    FStorage->SetOwnerComponent(this);
}

TJSetting::~TJSetting() = default;

String TJSetting::GetValue()
{
    if (ComponentState().Contains(csDesigning))
        return String();
    String result;
    try {
        FStorage->Open();
        result = FStorage->ReadString(FKeyName, FDefaultValue);
    } catch (...) {
        result = FDefaultValue;
    }
    FStorage->Close();
    return result;
}

void TJSetting::SetValue(const String &Value)
{
    if (ComponentState().Contains(csDesigning) || FStorage->Key().empty())
        return;
    try {
        FStorage->Open();
        FStorage->WriteString(FKeyName, Value);
    } catch (...) {
        FStorage->Close();
        throw;
    }
    FStorage->Close();
}

void Setting::Register()
{
    RegisterComponents("Marrowlight", {&TJSetting::StaticClassInfo()});
}
