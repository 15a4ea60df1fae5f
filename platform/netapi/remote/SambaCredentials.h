#pragma once

// Private to the remote provider: the credentials and configuration Samba's
// client logs on with. Free of Samba's own headers (see SambaLibraries.h).
//
// None of this is thread-safe, and neither are Samba's libraries: the provider
// serialises every call.

#include "platform/netapi/remote/SambaMemory.h"

#include <string>

struct cli_credentials;
struct loadparm_context;
struct tevent_context;

namespace netapi::samba {

// The smb.conf the client reads: Samba's own when it is there, else an empty
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
    // True when the only way to log on is a Kerberos ticket: no logon without
    // a password is then tried where the ticket cannot be used.
    bool ticketOnly() const;
    // The ticket's user ("user@REALM"), empty without a ticket.
    std::string ticketPrincipal() const;

    cli_credentials *get() const;
    loadparm_context *config() const;
    // The event loop every connection made with these credentials runs on.
    tevent_context *events() const;

private:
    // The configuration, the event loop and empty credentials.
    void makeClient();

    // Everything below lives in this memory.
    TallocMemory m_memory;
    loadparm_context *m_config = nullptr;
    tevent_context *m_events = nullptr;
    cli_credentials *m_credentials = nullptr;
    bool m_canLogOn = false;
    bool m_hasPassword = false;
    // A Kerberos ticket and no password: Kerberos or nothing.
    bool m_ticketOnly = false;
    std::string m_ticketPrincipal;
};

} // namespace netapi::samba
