#pragma once

// A domain controller's directory, read through Samba's own LDAP client
// (ldb) with the credentials the server has just accepted: the computed
// lockout of every account, hundreds per round trip.

#include "platform/netapi/remote/SambaMemory.h"
#include "platform/netapi/remote/SambaSession.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ldb_context;
struct ldb_dn;
struct tevent_context;

namespace netapi::samba {

class Credentials;

class Directory
{
public:
    // The LDAP service of server, signed and sealed (Kerberos or NTLM).
    // Returns 0 with out set, 1326 when the server refused the credentials
    // (which counts as a bad logon: they are not to be tried again), or
    // another code when the directory cannot be reached or used: the
    // accounts are then read over SAMR.
    static std::uint32_t open(const Credentials &credentials, const std::string &server,
                              std::unique_ptr<Directory> &out);
    ~Directory();
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;

    // Reads every normal user account with its flags, a step at a time: each
    // call runs the search until it ends or `until` has passed, so that the
    // caller gets control back while the server works. `listing` names the
    // caller's listing; a call for another listing drops the search under way
    // and starts its own. Returns 0 with done false while the search goes on.
    // Once it is done, out gets every account and the result is 0, 5 or 1003
    // (on failure out is as it was). The indexes in out of the accounts whose
    // entry lacks a flags word go to unread: their flags are to be read over
    // SAMR rather than taken as "neither locked out nor disabled". Each
    // account comes with its details: the bad password count and time and
    // the lockout time of its entry, and the domain's lockout duration.
    std::uint32_t readAccounts(std::uint32_t listing, std::chrono::steady_clock::time_point until,
                               bool &done, std::vector<ListedAccount> &out,
                               std::vector<std::size_t> &unread);
    // Starts the search readAccounts makes, for the first listing that asks:
    // the server works on it while the caller does other things.
    void startReadingAccounts();

    // One account's details. 0, 5, 2221 (no such account) or 1003.
    std::uint32_t readDetails(const std::string &user, AccountDetails &out);

private:
    class Search;

    Directory();

    // The domain's lockoutDuration in seconds, the inner value unset for
    // "until an administrator resets it"; unset when it cannot be read, and
    // then the end of a lockout is unknown.
    std::optional<std::optional<std::int64_t>> lockoutDuration(void *memory);

    TallocMemory m_memory; // the connection and everything it read
    ldb_context *m_ldb = nullptr;
    ldb_dn *m_base = nullptr;
    tevent_context *m_events = nullptr;
    // Accounts the server is taken to hand out to a search without paging,
    // as a Windows domain controller's MaxPageSize; 0: as many as it gives.
    std::size_t m_maxPageSize = 0;
    // The listing's search under way; it goes before the connection.
    std::unique_ptr<Search> m_listing;
    std::uint32_t m_listingId = 0;
};

} // namespace netapi::samba
