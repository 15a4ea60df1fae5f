#pragma once

// A persisted setting: one string value in the registry, named KeyName under
// the key of its Storage. Each read or write of Value opens the key, does its
// one read or write and closes (and flushes) the key again, so the value on
// disk is always current and nothing is held open between accesses.

#include "components/storage/Jstore.h"

#include <memory>

class TJSetting : public TComponent
{
    TUMBLER_CLASS
public:
    // Creates the storage and makes this setting its owner component.
    explicit TJSetting(TComponent *AOwner);
    ~TJSetting() override;

    // The registry key, as form descriptions set it (Storage.Key,
    // Storage.RegistryRootKey). Owned by the setting, never replaced.
    TJStorage *Storage() const { return FStorage.get(); }

    // The name of the registry value; empty (the default) names the key's
    // unnamed value.
    const String &KeyName() const { return FKeyName; }
    void SetKeyName(const String &Value) { FKeyName = Value; }

    // What reading gives when nothing usable is stored. Defaults to empty.
    const String &DefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const String &Value) { FDefaultValue = Value; }

    // The stored text up to its first zero byte, or DefaultValue when the key
    // is blank or cannot be opened, or the value is missing or not a string.
    // Never raises. Creates the key when missing. While designed: "".
    String GetValue();
    // Stores the text as REG_SZ. Does nothing while designed or when
    // Storage.Key is blank; a failed write is dropped by the storage.
    void SetValue(const String &Value);

private:
    std::unique_ptr<TJStorage> FStorage;
    String FKeyName;
    String FDefaultValue;
};

namespace Setting {
// Puts TJSetting on the component palette page "Marrowlight"; nothing else.
void Register();
} // namespace Setting
