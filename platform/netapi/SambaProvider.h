#pragma once

// Named servers, reached over SMB and SAMR with Samba's client libraries.

#include "platform/netapi/AccountProvider.h"

namespace netapi {

// Credentials the program hands in when the server refused the logon. Held in
// memory only.
struct Credentials
{
    std::string user; // "DOMAIN\user", "user@REALM" or "user"
    std::string password;
};

class RemoteProvider : public AccountProvider
{
public:
    // Used for every later call, replacing what Samba's usual sources gave.
    virtual void setCredentials(const Credentials &credentials) = 0;
};

std::shared_ptr<RemoteProvider> createRemoteProvider();

} // namespace netapi
