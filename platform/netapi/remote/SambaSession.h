#pragma once

// Private to the remote provider: one SAMR connection to a server, made with
// Samba's client libraries. Free of Samba's own headers (see
// SambaLibraries.h).
//
// None of this is thread-safe, and neither are Samba's libraries: the provider
// serialises every call.

#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/remote/SambaMemory.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct dcerpc_binding_handle;
struct dcerpc_pipe;
struct tevent_context;

namespace netapi::samba {

class Credentials;
class Directory;
class SamrHandle;

// One account of a listing, with the flags the same page of the listing gave
// it, or why they could not be read.
struct ListedAccount
{
    AccountEntry entry;
    AccountInfo info;
    std::uint32_t infoStatus = 0; // 0 when info holds the account's flags
    // Why and until when, where the same read gave them (a directory), or
    // once read for the listing (Session::queryDetails).
    std::optional<AccountDetails> details;
    // Why they could not be read, when that was tried.
    std::uint32_t detailsStatus = 0;
};

// An open SAMR connection to one server's account domain, logged on with one
// set of credentials. Reused for every call to that server until it fails.
class Session
{
public:
    // A session to server that has not logged on yet (see logOn). What the
    // server is (an Active Directory domain controller or not) it is asked
    // over the same connection. directoryReachable: the directory's port
    // answers, so a domain controller's directory is worth trying (a port
    // that drops packets would stall the logon). listing: the session is
    // opened for a listing, whose directory search may start at once.
    // credentials must outlive the session.
    static std::unique_ptr<Session> create(const Credentials &credentials,
                                           const std::string &server, bool directoryReachable,
                                           bool listing);
    // Connects and logs on, a step at a time where `until` is given: it
    // returns after the step that ends past it, and the next call goes on.
    // A refused logon is 1326, never an anonymous session. Returns 0 (ready()
    // tells whether steps remain), 5, 53, 1003 (no connection, for a reason
    // the client does not tell), 1326, 2351 or a Windows error mapped from
    // the server's; after an error the session is of no further use.
    std::uint32_t logOn(std::optional<std::chrono::steady_clock::time_point> until);
    bool ready() const;
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The next page of normal accounts, from position `next` (0 for the first
    // page), with their full names and flags. Sets next past the page; more is
    // false after the last page. A domain controller's directory is read in
    // steps that end by `until`: a step may give nothing while the server
    // works (more stays true). `listing` names the caller's listing, whose
    // directory search goes on over its calls.
    std::uint32_t listPage(std::uint32_t listing, std::chrono::steady_clock::time_point until,
                           std::uint32_t &next, bool &more, std::vector<ListedAccount> &out);

    // One account, read from the server now. 0, 5, 2221 or another error.
    std::uint32_t lookUp(const std::string &user, AccountInfo &out);

    // Why the account is locked out and until when: from a domain
    // controller's directory, else what SAMR keeps (the count of bad
    // passwords and the domain's lockout length).
    std::uint32_t lookUpDetails(const std::string &user, AccountDetails &out);

    // The SAMR details of a listed account, by its RID (no name lookup),
    // with the domain's lockout duration read once per listing: sets its
    // details, or detailsStatus with why not. Returns 0, or the failure of
    // the connection.
    std::uint32_t queryDetails(ListedAccount &account);

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

    // The SAMR connection, the account domain and what the server is.
    std::uint32_t openDomain();

    // The whole listing from the directory, in one page once its search has
    // ended; nothing before.
    std::uint32_t directoryPage(std::uint32_t listing, std::chrono::steady_clock::time_point until,
                                std::uint32_t &next, bool &more, std::vector<ListedAccount> &out);
    // Reads the flags of every account of `page` with one query per account,
    // many of them in flight at once on the open domain handle.
    std::uint32_t queryFlags(void *memory, std::vector<ListedAccount> &page);
    // The domain's lockout duration as SAMR gives it; unset when it cannot be
    // read.
    std::optional<std::int64_t> lockoutDuration(void *memory);

    // How far the logon has come.
    enum class Phase
    {
        directory,
        pipe,
        domain,
        ready
    };
    Phase m_phase = Phase::directory;
    const Credentials *m_credentials = nullptr;
    std::string m_server;
    bool m_directoryReachable = false;
    bool m_listing = false;

    TallocMemory m_memory;              // the pipe and every call's data
    tevent_context *m_events = nullptr; // the credentials'
    dcerpc_pipe *m_pipe = nullptr;
    dcerpc_binding_handle *m_rpc = nullptr;
    std::unique_ptr<SamrHandle> m_connection;
    std::unique_ptr<SamrHandle> m_domain;
    // Whether the display information carries each account's lockout. A
    // domain controller keeps the lockout apart from the account's stored
    // flags and reports only the stored ones there (Samba's reports none).
    bool m_flagsInDisplay = false;
    // A domain controller's directory, which gives the computed lockout of
    // hundreds of accounts per page; null when it cannot be reached, and
    // then each account's flags are queried over SAMR.
    std::unique_ptr<Directory> m_directory;
    // The domain's lockout duration as read for the listing under way (the
    // inner optional unset when it could not be read).
    std::optional<std::optional<std::int64_t>> m_listingLockoutDuration;
    // The directory logged on to before the server has said what it is.
    std::unique_ptr<Directory> m_pendingDirectory;
};

} // namespace netapi::samba
