#pragma once

// The Windows result code for each NTSTATUS the server or the client answers.

#include "platform/netapi/remote/SambaLibraries.h"

namespace netapi::samba {

// STATUS_MORE_ENTRIES: a successful page of a listing that goes on.
inline constexpr std::uint32_t statusMoreEntries = 0x00000105;

// The result of a call the server answered: 0, 5, 2221 (no such account),
// 2226 (not the primary domain controller) or Samba's own mapping.
std::uint32_t windowsError(NTSTATUS result);

// The outcome of connecting and logging on, or of a call the connection
// failed: 1326 (logon refused), 2351 (no such server), 53 (unreachable), 5,
// or 1003 (no connection, for a reason the client does not tell).
std::uint32_t connectError(NTSTATUS result);

} // namespace netapi::samba
