#pragma once

// Registry storage: one registry key (a root and a path under it) and the
// named string and integer values under it. The key is opened only for one
// sequence of reads and writes (Open, reads and writes, Close); closing
// flushes it to disk. Every registry failure below the storage is swallowed:
// a read then gives its default, a write is dropped. The storage raises only
// for programming errors: opening with a blank Key, and reading or writing
// while not open.
//
// A TJStorage is not a component: the component that creates it owns it,
// publishes it as Storage (form descriptions set Storage.Key and
// Storage.RegistryRootKey) and makes itself the storage's owner component.

#include "framework/Classes.h"
#include "platform/registry/RegistryRoots.h"

#include <cstdint>
#include <memory>

struct TEnumInfo;

// The registry roots, in the order stored form descriptions rely on.
enum TJStorageRootKey : std::uint8_t
{
    atrkClassesRoot,   // HKEY_CLASSES_ROOT
    atrkLocalMachine,  // HKEY_LOCAL_MACHINE
    atrkCurrentUser,   // HKEY_CURRENT_USER
    atrkUsers,         // HKEY_USERS
    atrkCurrentConfig, // HKEY_CURRENT_CONFIG
    atrkDynamicData    // HKEY_DYN_DATA
};

// The literal names of TJStorageRootKey, for form descriptions.
const TEnumInfo &TJStorageRootKeyInfo();

class TJWin32Registry;

class TJStorage : public TPersistent
{
    TUMBLER_CLASS
public:
    TJStorage();
    // Closes (and so flushes) an open key.
    ~TJStorage() override;

    // Opens the key, creating it if missing. Opening an open storage changes
    // nothing. Raises Exception "Cannot open registry because TJStorage.Key is
    // blank" for an empty Key (IsOpen is then left as it was). A key that
    // cannot be opened is not reported: reads give their defaults, writes are
    // dropped.
    void Open();
    // Flushes and closes the key; IsOpen becomes false.
    void Close();

    // Each raises Exception "JStorage not Open" unless the storage has been
    // opened (and not closed) since.
    // The string value Name up to its first zero byte (REG_SZ or
    // REG_EXPAND_SZ, unexpanded), "" for a value of no data, else Default.
    String ReadString(const String &Name, const String &Default);
    // Stores Value as REG_SZ with its terminating zero.
    void WriteString(const String &Name, const String &Value);
    // The REG_DWORD value Name, else Default.
    std::int32_t ReadInteger(const String &Name, std::int32_t Default);
    // Stores Value as REG_DWORD, four bytes little-endian.
    void WriteInteger(const String &Name, std::int32_t Value);

    // The predefined handle of RegistryRootKey's root; null for an ordinal
    // outside the enumeration.
    HKEY RootKeyHandle() const;

    // From another TJStorage: closes this one, takes over Key,
    // RegistryRootKey and the owner component, and opens if the source is
    // open. Any other source: the framework's assignment (EConvertError).
    void Assign(TPersistent *Source) override;

    // Raises Exception "JStorage not Open" when there is no backend.
    void CheckOpen() const;

    // The key path under the root; a leading backslash is ignored, a single
    // backslash names the root itself. Empty after construction. Changing it
    // on an open storage closes it and reopens it under the new path (unless
    // the new path is empty), except while the owner component is designed.
    const String &Key() const { return FKey; }
    void SetKey(const String &Value);

    // The root. Defaults to atrkCurrentUser. Changing it on an open storage
    // reopens the same path under the new root, except while the owner
    // component is designed.
    TJStorageRootKey RegistryRootKey() const { return FRegistryRootKey; }
    void SetRegistryRootKey(TJStorageRootKey Value);

    // True from Open to Close. Published read-only; never written to form
    // descriptions.
    bool IsOpen() const { return FIsOpen; }

    // The component that created the storage (not owned), consulted only for
    // its designing state. Null after construction.
    TComponent *OwnerComponent() const { return FOwnerComponent; }
    void SetOwnerComponent(TComponent *Value) { FOwnerComponent = Value; }

private:
    bool ownerDesigning() const;

    String FKey;
    TJStorageRootKey FRegistryRootKey = atrkCurrentUser;
    std::unique_ptr<TJWin32Registry> FBackend;
    TComponent *FOwnerComponent = nullptr;
    bool FIsOpen = false;
};

// The storage's backend over the registry calls: created by TJStorage::Open,
// destroyed by TJStorage::Close. Every registry failure is caught here.
class TJWin32Registry : public TObject
{
    TUMBLER_CLASS
public:
    TJWin32Registry();
    // Closes (and flushes) the key when open.
    ~TJWin32Registry() override;

    // Opens (creating) the key that Storage names. Does nothing when a key is
    // held already; raises Exception for a blank Key.
    void Open(TJStorage *Storage);
    // Flushes and closes the key.
    void Close();

    // Each overwrites Value only on success and returns true unless an error
    // was caught.
    bool ReadString(const String &Name, String &Value);
    bool ReadInteger(const String &Name, std::int32_t &Value);
    bool WriteString(const String &Name, const String &Value);
    bool WriteInteger(const String &Name, std::int32_t Value);

private:
    class RegistryKey;

    bool FOpen = false;
    std::unique_ptr<RegistryKey> FRegistry; // the open key; absent when closed
};
