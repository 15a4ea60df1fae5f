#pragma once

// Private to the remote provider: Samba's client libraries behind interfaces
// free of Samba's own headers, which are confined to SambaSamr.cpp (they
// define struct GUID and other names that collide with other headers).
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

private:
    friend class Session;

    struct Private;
    std::unique_ptr<Private> d;
};

// One account of a listing, with the flags the same page of the listing gave
// it, or why they could not be read.
struct ListedAccount
{
    AccountEntry entry;
    AccountInfo info;
    std::uint32_t infoStatus = 0; // 0 when info holds the account's flags
};

// An open SAMR connection to one server's account domain, logged on with one
// set of credentials. Reused for every call to that server until it fails.
class Session
{
public:
    // Connects and logs on. A refused logon is 1326, never an anonymous
    // session. What the server is (an Active Directory domain controller or
    // not) it is asked over the same connection. directoryReachable: the
    // directory's port answers, so a domain controller's directory is worth
    // trying (a port that drops packets would stall the logon). Returns 0, 5, 53, 1003 (no
    // connection, for a reason the client does not tell), 1326, 2351 or a Windows error mapped from
    // the server's.
    static std::uint32_t open(const Credentials &credentials, const std::string &server,
                              bool directoryReachable, std::unique_ptr<Session> &out);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The next page of normal accounts, from position `next` (0 for the first
    // page), with their full names and flags. Sets next past the page; more is
    // false after the last page.
    std::uint32_t listPage(std::uint32_t &next, bool &more, std::vector<ListedAccount> &out);

    // One account, read from the server now. 0, 5, 2221 or another error.
    std::uint32_t lookUp(const std::string &user, AccountInfo &out);

    // Clears the lockout of user. flags are the Windows UF_* flags the caller
    // wants the account to have; only UF_LOCKOUT may differ from what the
    // account has now, and only from set to clear. Returns 0, 5, 50 (another
    // bit would change), 2221, 2226 or a Windows error mapped from the server's.
    std::uint32_t clearLockout(const std::string &user, std::uint32_t flags);

    // True after a call failed for want of a connection: open another.
    bool broken() const;

    // How the accounts of a listing are read: from the display information
    // (a server that is no domain controller keeps the lockout there), from a
    // domain controller's directory, or one SAMR query per account.
    enum class ListingSource
    {
        displayInformation,
        directory,
        accountQueries
    };
    ListingSource listingSource() const;

private:
    Session();
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace netapi::samba
