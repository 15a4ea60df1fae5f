#pragma once

// The key handle type and the predefined root keys, without the registry calls
// and their result codes: enough for code that only names a root (the
// storage's RootKeyHandle) and must not pull the calls into its own header.

#include <cstdint>

using DWORD = std::uint32_t;

// An open key: an opaque value that the registry layer hands out and takes
// back through RegCloseKey. Never dereferenced.
struct HKEY__;
using HKEY = HKEY__ *;
using PHKEY = HKEY *;

// The predefined roots. They are always open; RegCloseKey on them does nothing.
// (An address constant: the compiler initialises these statically.)
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003});
inline const HKEY HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(std::uintptr_t{0x80000005});
inline const HKEY HKEY_DYN_DATA = reinterpret_cast<HKEY>(std::uintptr_t{0x80000006});
