#include "components/storage/Jstore.h"

#include "framework/TypInfo.h"
#include "platform/registry/Registry.h"

#include <vector>

namespace {

const char blankKeyMessage[] = "Cannot open registry because TJStorage.Key is blank";
const char notOpenMessage[] = "JStorage not Open";

// A failure the backend's handlers catch: a value of another type.
struct RegistryError
{};

} // namespace

const TEnumInfo &TJStorageRootKeyInfo()
{
    static const TEnumInfo info{"TJStorageRootKey",
                                {"atrkClassesRoot", "atrkLocalMachine", "atrkCurrentUser",
                                 "atrkUsers", "atrkCurrentConfig", "atrkDynamicData"}};
    return info;
}

// ---------------------------------------------------------------- TJStorage --

const TClassInfo &TJStorage::StaticClassInfo()
{
    static const TClassInfo info = [] {
        // Read-only, so never streamed.
        TPropInfo isOpen;
        isOpen.Name = "IsOpen";
        isOpen.Kind = TTypeKind::tkEnumeration;
        isOpen.Enum = &BooleanEnumInfo;
        isOpen.Get = [](const TObject &o) {
            return TFormValue::Ident(static_cast<const TJStorage &>(o).IsOpen() ? "True" : "False");
        };
        isOpen.Default = TFormValue::Ident("False");
        isOpen.Stored = [](const TObject &) { return false; };
        return TClassBuilder<TJStorage>("TJStorage", &TPersistent::StaticClassInfo())
            .Property(std::move(isOpen))
            .Text("Key", &TJStorage::Key, &TJStorage::SetKey, String())
            .Enumeration("RegistryRootKey", &TJStorage::RegistryRootKey,
                         &TJStorage::SetRegistryRootKey, TJStorageRootKeyInfo(), atrkCurrentUser)
            .Build();
    }();
    return info;
}

TJStorage::TJStorage() = default;

TJStorage::~TJStorage() = default;

bool TJStorage::ownerDesigning() const
{
    return FOwnerComponent && FOwnerComponent->ComponentState().Contains(csDesigning);
}

void TJStorage::Open()
{
    if (!FBackend)
        FBackend = std::make_unique<TJWin32Registry>();
    FBackend->Open(this);
    FIsOpen = true;
}

void TJStorage::Close()
{
    FBackend.reset();
    FIsOpen = false;
}

void TJStorage::CheckOpen() const
{
    if (!FBackend)
        throw Exception(notOpenMessage);
}

String TJStorage::ReadString(const String &Name, const String &Default)
{
    CheckOpen();
    String result = Default;
    FBackend->ReadString(Name, result);
    return result;
}

void TJStorage::WriteString(const String &Name, const String &Value)
{
    CheckOpen();
    FBackend->WriteString(Name, Value);
}

std::int32_t TJStorage::ReadInteger(const String &Name, std::int32_t Default)
{
    CheckOpen();
    std::int32_t result = Default;
    FBackend->ReadInteger(Name, result);
    return result;
}

void TJStorage::WriteInteger(const String &Name, std::int32_t Value)
{
    CheckOpen();
    FBackend->WriteInteger(Name, Value);
}

HKEY TJStorage::RootKeyHandle() const
{
    switch (static_cast<int>(FRegistryRootKey)) {
    case atrkClassesRoot:
        return HKEY_CLASSES_ROOT;
    case atrkLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case atrkCurrentUser:
        return HKEY_CURRENT_USER;
    case atrkUsers:
        return HKEY_USERS;
    case atrkCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case atrkDynamicData:
        return HKEY_DYN_DATA;
    default:
        return nullptr;
    }
}

void TJStorage::SetKey(const String &Value)
{
    if (Value == FKey)
        return;
    FKey = Value;
    if (ownerDesigning())
        return;
    if (FIsOpen) {
        Close();
        if (!FKey.empty())
            Open();
    }
}

void TJStorage::SetRegistryRootKey(TJStorageRootKey Value)
{
    if (Value == FRegistryRootKey)
        return;
    FRegistryRootKey = Value;
    if (ownerDesigning())
        return;
    if (FIsOpen) {
        Close();
        Open();
    }
}

void TJStorage::Assign(TPersistent *Source)
{
    auto *source = dynamic_cast<TJStorage *>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    // Closing first would leave nothing to copy the open state from.
    if (source == this)
        return;
    Close();
    SetKey(source->FKey);
    SetRegistryRootKey(source->FRegistryRootKey);
    FOwnerComponent = source->FOwnerComponent;
    if (source->FIsOpen)
        Open();
}

// ---------------------------------------------------------- TJWin32Registry --

// The open key and the root it is under; a key that could not be opened is
// held as null, and every read and write on it then fails.
class TJWin32Registry::RegistryKey
{
public:
    explicit RegistryKey(HKEY root) : FRoot(root) {}
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    ~RegistryKey()
    {
        if (FKey)
            RegCloseKey(FKey);
    }

    void OpenKey(const String &path)
    {
        if (!path.empty())
            RegCreateKeyExA(FRoot, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &FKey, nullptr);
        else
            RegOpenKeyExA(FRoot, "", 0, KEY_ALL_ACCESS, &FKey);
    }

    void FlushAndClose()
    {
        if (!FKey)
            return;
        RegFlushKey(FKey);
        RegCloseKey(FKey);
        FKey = nullptr;
    }

    HKEY Key() const { return FKey; }

private:
    HKEY FRoot;
    HKEY FKey = nullptr;
};

const TClassInfo &TJWin32Registry::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TJWin32Registry>("TJWin32Registry", &TObject::StaticClassInfo()).Build();
    return info;
}

TJWin32Registry::TJWin32Registry() = default;

TJWin32Registry::~TJWin32Registry()
{
    if (FOpen)
        Close();
}

void TJWin32Registry::Open(TJStorage *Storage)
{
    if (FRegistry)
        return;
    if (Storage->Key().empty())
        throw Exception(blankKeyMessage);
    FRegistry = std::make_unique<RegistryKey>(Storage->RootKeyHandle());
    String path = Storage->Key();
    if (path.front() == '\\')
        path.erase(0, 1);
    // The outcome is not looked at: a key that cannot be opened leaves the
    // registry object without one.
    FRegistry->OpenKey(path);
    FOpen = true;
}

void TJWin32Registry::Close()
{
    if (FRegistry) {
        FRegistry->FlushAndClose();
        FRegistry.reset();
    }
    FOpen = false;
}

bool TJWin32Registry::ReadString(const String &Name, String &Value)
{
    try {
        const HKEY key = FRegistry ? FRegistry->Key() : nullptr;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return true;
        if (size == 0) {
            Value.clear();
            return true;
        }
        std::vector<char> data;
        LSTATUS rc = ERROR_MORE_DATA;
        // Another program may lengthen the value between the two questions.
        for (int attempt = 0; attempt < 3 && rc == ERROR_MORE_DATA; ++attempt) {
            data.resize(size);
            rc = RegQueryValueExA(key, Name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE *>(data.data()), &size);
        }
        if (rc != ERROR_SUCCESS)
            throw RegistryError();
        data.resize(size);
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw RegistryError();
        // Up to the first zero byte; a value stored without one ends with its data.
        String text(data.begin(), data.end());
        const auto zero = text.find('\0');
        if (zero != String::npos)
            text.resize(zero);
        Value = std::move(text);
        return true;
    } catch (...) {
        return false;
    }
}

bool TJWin32Registry::ReadInteger(const String &Name, std::int32_t &Value)
{
    try {
        const HKEY key = FRegistry ? FRegistry->Key() : nullptr;
        // Zero-filled, so that a value shorter than four bytes reads as itself.
        BYTE data[4] = {0, 0, 0, 0};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegQueryValueExA(key, Name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return true;
        const std::uint32_t bits = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                   std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
        Value = static_cast<std::int32_t>(bits);
        return true;
    } catch (...) {
        return false;
    }
}

bool TJWin32Registry::WriteString(const String &Name, const String &Value)
{
    try {
        const HKEY key = FRegistry ? FRegistry->Key() : nullptr;
        return RegSetValueExA(key, Name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE *>(Value.c_str()),
                              static_cast<DWORD>(Value.size() + 1)) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

bool TJWin32Registry::WriteInteger(const String &Name, std::int32_t Value)
{
    try {
        const HKEY key = FRegistry ? FRegistry->Key() : nullptr;
        const auto bits = static_cast<std::uint32_t>(Value);
        const BYTE data[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                              static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
        return RegSetValueExA(key, Name.c_str(), 0, REG_DWORD, data, sizeof data) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}
