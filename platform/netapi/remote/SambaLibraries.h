#pragma once

// Samba's client headers, as C++ can take them. Included by the module's
// own sources only: they define struct GUID and other names that collide
// with other headers, so the interfaces between those sources stay free of
// them.

#include <cstdbool>
#include <cstdint>
#include <string>

// credentials.h declares these enums without defining them, which C allows
// and C++ only with a fixed underlying type. Nothing here uses them.
enum smb_signing_setting : int;
enum smb_encryption_setting : int;

extern "C" {
#include <core/error.h>
#include <credentials.h>
#include <dcerpc.h>
#include <gen_ndr/ndr_samr.h>
#include <ldb.h>
#include <param.h>
#include <talloc.h>
#include <tevent.h>
#include <util/time.h>
}

// ntstatus.h spells two Windows result codes as NTSTATUS macros; the module
// uses the program's own (platform/WinError.h) and none of Samba's headers
// expands these.
#undef ERROR_INVALID_PARAMETER
#undef ERROR_INSUFFICIENT_BUFFER

namespace netapi::samba {

// A text Samba hands out, which may be null.
inline std::string text(const char *value)
{
    return value ? std::string(value) : std::string();
}

} // namespace netapi::samba
