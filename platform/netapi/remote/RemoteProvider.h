#pragma once

// Named servers, reached over SMB and SAMR with Samba's client libraries.
//
// The provider itself lives in a module of its own (tumblerset-samba.so), so
// that a program starts without mapping Samba and its hundred-odd libraries
// (Kerberos, TLS, LDAP). createRemoteProvider() returns a stand-in that loads
// the module the first time a named server is asked, and forwards every call.

#include "platform/netapi/AccountProvider.h"

#include <string.h>
#include <string>
#include <vector>

namespace netapi {

// Credentials the program hands in when the server refused the logon. Held in
// memory only; each copy wipes its password when it is dropped.
struct Credentials
{
    std::string user; // "DOMAIN\user", "user@REALM" or "user"
    std::string password;

    ~Credentials() { wipe(password); }

    // Overwrites the whole buffer (what a shorter or moved-from string still
    // holds included) so that no copy of a password outlives its use.
    static void wipe(std::string &secret)
    {
        ::explicit_bzero(secret.data(), secret.capacity());
        secret.clear();
    }
};

class RemoteProvider : public AccountProvider
{
public:
    // Used for every later call, replacing what Samba's usual sources gave.
    // Until then, a server that refused the logon is not asked again: every
    // call to it answers 1326 without a second logon, which would count as
    // another bad password.
    virtual void setCredentials(const Credentials &credentials) = 0;

    // Why the last logon to server was not tried or could not succeed, when
    // there is more to say than "refused": a Kerberos ticket that cannot be
    // used for the name given (and what name would do). Empty otherwise.
    virtual std::string logonAdvice(const std::string &server) = 0;
};

// The module is looked for in the build folder (for the programs of that
// build only), beside the program in the installed layout, and in the
// installed library folder. When it cannot be loaded, every call answers 50
// (not supported) and the reason is logged once (marrowlight.netapi).
std::shared_ptr<RemoteProvider> createRemoteProvider();

// The same, with the module looked for at `modulePaths` in that order.
std::shared_ptr<RemoteProvider> createRemoteProvider(std::vector<std::string> modulePaths);

} // namespace netapi

// The module's one entry point, looked up by this name. Returns a new provider
// that the caller owns and deletes (the destructor is virtual, so the module's
// own code frees it), or null when none could be made. The module and the
// programs are built from the same headers in one build, so the C++ object may
// cross the boundary; C linkage only keeps the name free of mangling. The
// module stays loaded for the rest of the process: Samba's libraries are not
// made to be unloaded.
extern "C" netapi::RemoteProvider *tumblerset_create_remote_provider() noexcept;
inline constexpr char tumblersetRemoteProviderFactory[] = "tumblerset_create_remote_provider";
