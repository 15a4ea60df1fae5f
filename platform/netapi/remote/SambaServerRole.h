#pragma once

// What a server says of itself over the dssetup interface.

#include <optional>

struct dcerpc_pipe;

namespace netapi::samba {

class Credentials;

// Whether the server is an Active Directory domain controller with its
// directory running, asked on a second pipe of the SMB connection that samr
// has already logged on (no second logon). Empty when the server does not
// say; the caller then trusts no listed lockout.
std::optional<bool> isDirectoryController(dcerpc_pipe *samr, const Credentials &credentials);

} // namespace netapi::samba
