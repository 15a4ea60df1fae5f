#pragma once

// Private to the remote provider: Samba's client libraries behind interfaces
// free of Samba's own headers. Those headers collide with each other
// (netapi.h and credentials.h both define struct GUID) and netapi.h declares
// NetUserEnum and friends with other signatures than ours, so each is confined
// to one source file: SambaNetApi.cpp for libnetapi, SambaSamr.cpp for the
// credentials and the SAMR client.
//
// None of this is thread-safe, and neither are Samba's libraries: the provider
// serialises every call.

#include "platform/netapi/AccountProvider.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct cli_credentials;

namespace netapi::samba {

// The smb.conf both clients read: Samba's own when it is there, else an empty
// one, so that a machine with the client libraries alone works too.
std::string configFile();

// A set of credentials together with the configuration it was made under.
// Owns the Samba objects; they live as long as this does.
class Credentials
{
public:
    // Samba's usual sources: the Kerberos ticket cache, then USER (which may
    // carry "user%password"), PASSWD and PASSWD_FILE.
    Credentials();
    // Given explicitly; user is "DOMAIN\user", "user@REALM" or "user".
    Credentials(const std::string &user, const std::string &password);
    ~Credentials();
    Credentials(const Credentials &) = delete;
    Credentials &operator=(const Credentials &) = delete;

    // True when there is a password or a Kerberos ticket to log on with.
    // Without either Samba would fall back to an anonymous logon or, worse,
    // ask on the terminal; the provider answers "logon refused" instead.
    bool canLogOn() const;

    cli_credentials *get() const;

    // Clears the lockout of user on server over SAMR. flags are the Windows
    // UF_* flags the caller wants the account to have; only UF_LOCKOUT may
    // differ from what the account has now, and only from set to clear.
    // Returns 0, 5, 50 (another bit would change), 2221, 2226, 1326, 53, 1003
    // (no connection, for a reason the client does not tell) or a Windows
    // error mapped from the server's status.
    std::uint32_t clearLockout(const std::string &server, const std::string &user,
                               std::uint32_t flags) const;

private:
    void refusePrompts();

    struct Private;
    std::unique_ptr<Private> d;
};

// libnetapi keeps one context per process, with one set of credentials and a
// cache of open connections that belong to them. useCredentials makes the
// context use `credentials`, starting it afresh (and so dropping connections
// made with other credentials) when it used others. Returns 0 or the error of
// libnetapi_init.
std::uint32_t useCredentials(cli_credentials *credentials);
// Shuts the context down if it uses `credentials`, before they go.
void forgetCredentials(cli_credentials *credentials);

// NetUserEnum level 10 and NetUserGetInfo level 20 through libnetapi; the
// codes are libnetapi's own (1332 for an unknown user, 1003 for any failure to
// connect or log on).
std::uint32_t enumerateUsers(const std::string &server, std::uint32_t filter,
                             std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                             std::vector<AccountEntry> &out);
std::uint32_t getUserInfo(const std::string &server, const std::string &user, AccountInfo &out);

} // namespace netapi::samba
