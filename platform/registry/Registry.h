#pragma once

// The registry calls the settings components make, under their Windows names,
// over a file-backed hive store (the README describes the files).
//
// Texts are 8-bit (UTF-8). Key and value names keep their case but are found
// without regard to it. A handle's changes (created keys, set values) are
// pending until RegFlushKey or RegCloseKey writes them: under an inter-process
// lock the hive file is re-read, only this handle's changes are applied, and
// the result replaces the file atomically. Reads see the latest flushed state
// plus the handle's own pending changes. Writes through a predefined root
// handle are flushed at once.
//
// Result codes are those of platform/WinError.h.

#include "platform/WinError.h"
#include "platform/registry/RegistryRoots.h"

#include <QString>
#include <cstdint>

using LONG = std::int32_t;
using LSTATUS = LONG;
using BYTE = std::uint8_t;
using LPBYTE = BYTE *;
using LPDWORD = DWORD *;
using LPCSTR = const char *;
using LPSTR = char *;
using REGSAM = DWORD;

struct SECURITY_ATTRIBUTES
{
    DWORD nLength;
    void *lpSecurityDescriptor;
    int bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES *;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

// Key options; every key of the store is non-volatile.
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

// RegCreateKeyExA's disposition.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Access rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Opens the key lpSubKey under hKey, creating it and any missing parent keys.
// An empty lpSubKey gives a new handle to hKey's own key. The path must not
// begin with a backslash; one trailing backslash is ignored. Names are UTF-8
// without control characters, at most 255 bytes per key name.
// lpdwDisposition (may be null) tells whether the key was created.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                        PHKEY phkResult, LPDWORD lpdwDisposition);

// Opens an existing key; a null or empty lpSubKey gives a new handle to hKey's
// own key. ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult);

// Reads a value; a null or empty name reads the key's unnamed value. With
// lpData null only the type and size are returned. With a buffer shorter than
// the data, returns ERROR_MORE_DATA and the size needed in *lpcbData.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData);

// Sets a value (pending until the handle is flushed or closed). The data is
// stored byte for byte, whatever its type.
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE *lpData, DWORD cbData);

// Writes the handle's pending changes to its hive file. On failure they stay
// pending, for a later flush or close to try again.
LSTATUS RegFlushKey(HKEY hKey);

// Flushes the handle's pending changes and releases the handle, even when the
// flush fails (the result then says why and the changes are dropped).
LSTATUS RegCloseKey(HKEY hKey);

namespace registry {

// The folder that holds every hive file, one per root. Empty (the default):
// HKEY_CURRENT_USER in $XDG_CONFIG_HOME/marrowlight (default ~/.config), the
// other roots in /var/lib/marrowlight. Keys opened afterwards use the new
// folder; open handles keep the file they were opened on.
void setStoreFolder(const QString &folder);
QString storeFolder();

// The hive file that holds the root's keys; empty for a handle that is not a
// predefined root.
QString hiveFilePath(HKEY root);

} // namespace registry
